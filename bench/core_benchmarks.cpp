// In-process timings of the conversion's parts: the prefix change on a loaded document, the
// answer for a document without the tag (the whole buffer is searched), loading a file from the
// page cache, and listing a remittance folder of 10,000 files.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "document_file.h"
#include "prefix_change.h"
#include "remittance_folder.h"
#include "temp_folder.h"

namespace {

constexpr std::int64_t kMiB = 1 << 20;

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\">\r\n"
    "  <CstmrDrctDbtInitn>\r\n"
    "    <GrpHdr>\r\n"
    "      <MsgId>PRE2026120700001</MsgId>\r\n"
    "      <CreDtTm>2026-12-07T09:30:00</CreDtTm>\r\n"
    "    </GrpHdr>\r\n"
    "    <PmtInf>\r\n";

constexpr std::string_view kTransaction =
    "      <DrctDbtTxInf>\r\n"
    "        <PmtId><EndToEndId>PRE2026120700001-000001</EndToEndId></PmtId>\r\n"
    "        <InstdAmt Ccy=\"EUR\">1234.56</InstdAmt>\r\n"
    "        <DrctDbtTx><MndtRltdInf><MndtId>MND000000001</MndtId>"
    "<DtOfSgntr>2024-03-15</DtOfSgntr></MndtRltdInf></DrctDbtTx>\r\n"
    "        <DbtrAgt><FinInstnId><BIC>CAIXESBBXXX</BIC></FinInstnId></DbtrAgt>\r\n"
    "        <Dbtr><Nm>Ferreteria La Estrella, C.B.</Nm></Dbtr>\r\n"
    "        <DbtrAcct><Id><IBAN>ES9121000418450200051332</IBAN></Id></DbtrAcct>\r\n"
    "        <RmtInf><Ustrd>Factura 2026123 - cuota de servicio</Ustrd></RmtInf>\r\n"
    "      </DrctDbtTxInf>\r\n";

constexpr std::string_view kTail = "    </PmtInf>\r\n  </CstmrDrctDbtInitn>\r\n</Document>";

// A remittance of about `size` bytes whose first message identifier starts with "PRE".
std::string makeRemittance(std::int64_t size) {
  std::string text(kHead);
  while (static_cast<std::int64_t>(text.size() + kTransaction.size() + kTail.size()) <= size) {
    text += kTransaction;
  }
  text += kTail;
  return text;
}

// The same text with the tag spelled in lower case: nothing matches, all of it is searched.
std::string withoutTag(std::string text) {
  for (std::size_t at = text.find("<MsgId>"); at != std::string::npos; at = text.find("<MsgId>"))
    text.replace(at, 7, "<msgid>");
  return text;
}

void BM_ChangePrefix(benchmark::State& state) {
  const std::string original = makeRemittance(state.range(0));
  std::string document;
  document.reserve(original.size() + remittance::kDocumentSlack);
  for (auto _ : state) {
    state.PauseTiming();
    document.assign(original);  // Keeps the room loadDocument leaves.
    state.ResumeTiming();
    if (!remittance::changeMessageIdPrefix(document)) state.SkipWithError("not changed");
    benchmark::DoNotOptimize(document.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(original.size()));
}
BENCHMARK(BM_ChangePrefix)
    ->Arg(kMiB)
    ->Arg(10 * kMiB)
    ->Arg(100 * kMiB)
    ->Unit(benchmark::kMillisecond);

void BM_RefuseWithoutTag(benchmark::State& state) {
  std::string document = withoutTag(makeRemittance(state.range(0)));
  for (auto _ : state) {
    if (remittance::changeMessageIdPrefix(document)) state.SkipWithError("changed");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(document.size()));
}
BENCHMARK(BM_RefuseWithoutTag)
    ->Arg(kMiB)
    ->Arg(10 * kMiB)
    ->Arg(100 * kMiB)
    ->Unit(benchmark::kMillisecond);

void BM_LoadDocument(benchmark::State& state) {
  TempFolder folder;
  const auto file = folder.path() / "remesa.xml";
  const std::string text = makeRemittance(state.range(0));
  writeBytes(file, text);
  for (auto _ : state) {
    std::string document = remittance::loadDocument(file);
    benchmark::DoNotOptimize(document.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LoadDocument)
    ->Arg(kMiB)
    ->Arg(10 * kMiB)
    ->Arg(100 * kMiB)
    ->Unit(benchmark::kMillisecond);

// A remittance folder of `range(0)` files: nine in ten "*.xml", the rest other files.
void BM_ListRemittances(benchmark::State& state) {
  TempFolder folder;
  const auto count = state.range(0);
  for (std::int64_t n = 0; n < count; ++n) {
    const char* extension = n % 10 == 9 ? ".txt" : (n % 3 == 0 ? ".XML" : ".xml");
    std::ofstream(folder.path() / ("remesa-" + std::to_string(n * 7919 % count) + extension));
  }
  std::size_t listed = 0;
  for (auto _ : state) {
    listed = remittance::listRemittances(folder.path()).size();
    benchmark::DoNotOptimize(listed);
  }
  state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_ListRemittances)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
