#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace remittance {

// The text of a remittance, one char per byte of its file, nothing decoded. The storage keeps
// one spare byte before the text, so that a change that grows the text by one character moves
// only the bytes before it, and the line end every saved file ends with right after the text, so
// that the save writes one piece with no copy. Movable, not copyable; `document = {}` releases
// the memory.
class Document {
 public:
  Document() = default;
  explicit Document(std::string_view text);
  Document(Document&& other) noexcept;
  Document& operator=(Document&& other) noexcept;

  // Storage for `size` bytes of text that are not set yet (the loader reads them into
  // writableText()). Throws std::bad_alloc.
  static Document withUnsetText(std::size_t size);

  std::string_view text() const { return {text_, size_}; }
  // The text followed by the line end, as it is saved.
  std::string_view savedBytes() const;
  char* writableText() { return text_; }

  // Puts `replacement` in place of the `length` characters at `at`.
  void replace(std::size_t at, std::size_t length, std::string_view replacement);

 private:
  std::unique_ptr<char[]> storage_;
  char* text_ = nullptr;
  std::size_t size_ = 0;
  std::size_t room_before_ = 0;
};

// The line end written after every saved document.
inline constexpr std::string_view kSavedLineEnd = "\r\n";

}  // namespace remittance
