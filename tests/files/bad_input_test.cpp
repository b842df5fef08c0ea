// Damaged and unusual files taken through the conversion as the CAMBIAR button does it: load the
// whole file, change the prefix, save only when it changed. Each gets the right answer, nothing
// crashes, and a file that is not converted keeps its exact bytes.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "files_harness.h"

namespace {

using namespace std::string_literals;

// Bytes of every value in a fixed pseudo-random order, as a damaged or binary file holds them.
std::string binaryNoise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

std::string utf16(std::string_view ascii, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s;
  for (char c : ascii) {
    if (bigEndian) bytes.push_back('\0');
    bytes.push_back(c);
    if (!bigEndian) bytes.push_back('\0');
  }
  return bytes;
}

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\">\r\n"
    "  <CstmrDrctDbtInitn>\r\n    <GrpHdr>\r\n";

struct BadInput {
  const char* name;
  std::string content;
  Answer answer;
  std::string saved;  // The file's bytes after a conversion.
};

std::vector<BadInput> badInputs() {
  const std::string header(kHeader);
  const std::string noise = binaryNoise(64 * 1024, 2026);
  const std::string idLine = "      <MsgId>PRE2026120700001</MsgId>\r\n";
  const std::string converted = "      <MsgId>FSDD2026120700001</MsgId>\r\n";
  return {
      {"BinaryFile", noise, Answer::LeftAlone, {}},
      // Taken as plain bytes: no text mode, no end-of-file character, no line-end change.
      {"BinaryFileWithTheTag", noise + "<MsgId>PRE1" + noise, Answer::Converted,
       noise + "<MsgId>FSDD1" + noise + "\r\n"},
      {"Utf16LittleEndian", utf16(header + idLine, false), Answer::LeftAlone, {}},
      {"Utf16BigEndian", utf16(header + idLine, true), Answer::LeftAlone, {}},
      {"Utf8ByteOrderMarkIsKept", "\xEF\xBB\xBF" + header + idLine, Answer::Converted,
       "\xEF\xBB\xBF" + header + converted + "\r\n"},
      {"EmptyFile", "", Answer::LeftAlone, {}},
      {"NulBytesBeforeTheTag", "\0\0\0"s + header + "\0"s + idLine, Answer::Converted,
       "\0\0\0"s + header + "\0"s + converted + "\r\n"},
      {"NulBetweenTagAndPrefix", header + "<MsgId>\0PRE1</MsgId>"s, Answer::LeftAlone, {}},
      {"IdentifierAfterLineEnd", header + "<MsgId>\r\nPRE1</MsgId>", Answer::LeftAlone, {}},
      {"IdentifierAfterBareLineFeed", header + "<MsgId>\nPRE1</MsgId>", Answer::LeftAlone, {}},
      {"PrefixSplitByLineEnd", header + "<MsgId>PR\r\nE1</MsgId>", Answer::LeftAlone, {}},
      {"TagSplitByLineEnd", header + "<Msg\r\nId>PRE1</MsgId>", Answer::LeftAlone, {}},
      {"EndsAfterPR", header + "<MsgId>PR", Answer::LeftAlone, {}},
      {"EndsAfterTag", header + "<MsgId>", Answer::LeftAlone, {}},
      {"EndsInsideTag", header + "<MsgI", Answer::LeftAlone, {}},
      {"EndsAfterPRE", header + "<MsgId>PRE", Answer::Converted, header + "<MsgId>FSDD\r\n"},
      {"FirstIdentifierNotPRE",
       header + "<MsgId>pre1</MsgId><MsgId>PRE2</MsgId>",
       Answer::LeftAlone,
       {}},
  };
}

class BadInputTest : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, GetsItsAnswerAndKeepsUnconvertedBytes) {
  const BadInput& input = GetParam();
  TempFolder folder;
  const std::wstring file = (folder / "remesa.xml").wstring();
  writeBytes(file, input.content);

  EXPECT_EQ(convertAsTheProgramDoes(file), input.answer);
  const std::string expected = input.answer == Answer::Converted ? input.saved : input.content;
  const std::string bytes = readBytes(file);
  EXPECT_EQ(bytes.size(), expected.size());
  EXPECT_TRUE(bytes == expected) << "the file's bytes differ from what they should be";
  EXPECT_EQ(namesIn(folder.path().wstring()), std::vector<std::wstring>{L"remesa.xml"})
      << "nothing is left beside the file";

  // A second press finds "FSD" or the same refusal: never a second change.
  EXPECT_EQ(convertAsTheProgramDoes(file), Answer::LeftAlone);
  EXPECT_TRUE(readBytes(file) == expected);
}

std::string inputName(const testing::TestParamInfo<BadInput>& input) {
  return input.param.name;
}

INSTANTIATE_TEST_SUITE_P(Files, BadInputTest, testing::ValuesIn(badInputs()), inputName);

// Physical memory free now, in bytes.
std::uint64_t freeMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

// Compares the file with the expected bytes `piece` by piece, never holding a second copy.
template <typename Expected>
void expectFileBytes(const std::filesystem::path& file, std::uint64_t size, Expected expected) {
  ASSERT_EQ(std::filesystem::file_size(file), size);
  std::ifstream in(file, std::ios::binary);
  constexpr std::size_t kPiece = 64u << 20;
  std::string got(kPiece, '\0');
  std::string want(kPiece, '\0');
  for (std::uint64_t at = 0; at < size; at += kPiece) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - at));
    in.read(got.data(), static_cast<std::streamsize>(length));
    ASSERT_EQ(static_cast<std::size_t>(in.gcount()), length);
    expected(at, want.data(), length);
    ASSERT_EQ(std::memcmp(got.data(), want.data(), length), 0) << "bytes differ after " << at;
  }
}

// Past 2 GiB, beyond what a 32-bit length or position can count.
TEST(LargeFileTest, RemittanceOverTwoGigabytesIsConverted) {
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 31) + 4096;
  if (freeMemory() < kSize + (1ull << 30))
    GTEST_SKIP() << "needs " << (kSize >> 20) + 1024 << " MiB of free memory";
  TempFolder folder;
  const auto space = std::filesystem::space(folder.path());
  if (space.available < 2 * kSize + (1ull << 30))
    GTEST_SKIP() << "needs " << (2 * kSize >> 20) + 1024 << " MiB of free disk";

  // The transactions are zero bytes in the middle of the file (sparse where the system can).
  const std::string head = std::string(kHeader) + "      <MsgId>PRE2026120700001</MsgId>\r\n";
  const std::string tail = "    </GrpHdr>\r\n  </CstmrDrctDbtInitn>\r\n</Document>";
  const auto file = folder / "remesa.xml";
  writeBytes(file, head);
  std::filesystem::resize_file(file, kSize - tail.size());
  {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  }
  ASSERT_EQ(std::filesystem::file_size(file), kSize);

  ASSERT_EQ(convertAsTheProgramDoes(file.wstring()), Answer::Converted);

  std::string newHead = head;
  newHead.replace(newHead.find("PRE"), 3, "FSDD");
  const std::string newTail = tail + "\r\n";
  const std::uint64_t newSize = kSize + 1 + 2;
  expectFileBytes(file, newSize, [&](std::uint64_t at, char* piece, std::size_t length) {
    std::memset(piece, 0, length);
    // Lay the parts of the head and of the tail that fall into [at, at + length).
    const auto lay = [&](const std::string& part, std::uint64_t partAt) {
      const std::uint64_t from = std::max(at, partAt);
      const std::uint64_t to = std::min<std::uint64_t>(at + length, partAt + part.size());
      if (from < to)
        std::memcpy(piece + (from - at), part.data() + (from - partAt),
                    static_cast<std::size_t>(to - from));
    };
    lay(newHead, 0);
    lay(newTail, newSize - newTail.size());
  });
  EXPECT_EQ(namesIn(folder.path().wstring()), std::vector<std::wstring>{L"remesa.xml"});
}

}  // namespace
