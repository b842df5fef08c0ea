// In-process timings of the portable parts of the conversion: the answer for a file without the
// tag (searched whole, in pieces; once the tag is found the change is a cut of the bytes read, in
// at most three parts, and costs nothing) and the rules for names over a folder of 10,000 files.
// The files themselves are timed by the Windows build under Wine (convert_remittance).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checksum.h"
#include "prefix_change.h"
#include "remittance_names.h"

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

// The search, then the converted bytes, over a file in pieces, as the conversion feeds them.
void convertInPieces(const std::string& text, benchmark::State& state) {
  constexpr std::size_t kPiece = remittance::kPieceSize;
  remittance::PrefixSearch search;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    if (search.look(std::string_view(text).substr(at, kPiece)) !=
        remittance::PrefixSearch::Answer::NotYet)
      break;
  }
  state.SetBytesProcessed(state.bytes_processed() + static_cast<std::int64_t>(text.size()));
  if (search.atEnd() != remittance::PrefixSearch::Answer::Change) return;
  remittance::ConvertedBytes converted(search.prefixAt());
  std::size_t bytes = 0;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    for (std::string_view part : converted.next(std::string_view(text).substr(at, kPiece)))
      bytes += part.size();
  }
  benchmark::DoNotOptimize(bytes);
}

// A file without the tag is searched whole.
void BM_SearchWithoutTag(benchmark::State& state) {
  const std::string text = withoutTag(makeRemittance(state.range(0)));
  for (auto _ : state) convertInPieces(text, state);
}
BENCHMARK(BM_SearchWithoutTag)->Arg(kMiB)->Arg(100 * kMiB)->Unit(benchmark::kMillisecond);

// The checksum of the written bytes, read back, in the conversion's pieces, with SSE2 (0) or
// AVX2 (1) instructions.
void BM_ChecksumOfWrittenBytes(benchmark::State& state) {
  const auto instructions =
      state.range(1) ? remittance::Instructions::Avx2 : remittance::Instructions::Sse2;
  if (instructions == remittance::Instructions::Avx2 &&
      remittance::fastestInstructions() != instructions) {
    state.SkipWithError("this processor has no AVX2");
    return;
  }
  const std::string text = makeRemittance(state.range(0));
  for (auto _ : state) {
    remittance::Checksum sum(instructions);
    for (std::size_t at = 0; at < text.size(); at += remittance::kPieceSize)
      sum.add(std::string_view(text).substr(at, remittance::kPieceSize));
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ChecksumOfWrittenBytes)
    ->Args({100 * kMiB, 0})
    ->Args({100 * kMiB, 1})
    ->Unit(benchmark::kMillisecond);

// The rules for names over a folder's worth of names: nine in ten "*.xml", the rest others.
void BM_RemittanceNames(benchmark::State& state) {
  std::vector<std::wstring> names;
  for (std::int64_t n = 0; n < state.range(0); ++n) {
    names.push_back(L"remesa-" + std::to_wstring(n * 7919) + (n % 10 == 9 ? L".txt" : L".XML"));
  }
  for (auto _ : state) {
    std::size_t accepted = 0;
    for (const std::wstring& name : names) accepted += remittance::isRemittanceName(name) ? 1 : 0;
    benchmark::DoNotOptimize(accepted);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RemittanceNames)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
