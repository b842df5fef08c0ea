#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace remittance {

// Reads a whole file into a document, one character per byte, nothing decoded or changed.
// The document is given room for a few more characters, so that the prefix change and the line
// end of saveDocument need no second copy of a large file. Throws FileError.
std::string loadDocument(const std::filesystem::path& file);

// Writes the document followed by CR LF as the new content of `file`, which is replaced in one
// step: the text goes to a temporary "*.tmp" file in the same folder that is flushed to disk and
// then put in the file's place. On any failure the file keeps its exact old bytes and the
// temporary file is removed. A read-only file is refused. Throws FileError.
void saveDocument(const std::filesystem::path& file, std::string_view document);

// The line end written after every saved document.
inline constexpr std::string_view kSavedLineEnd = "\r\n";

// Room loadDocument leaves after the text.
inline constexpr std::size_t kDocumentSlack = 8;

}  // namespace remittance
