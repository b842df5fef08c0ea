#include "document.h"

#include <cstring>
#include <utility>

namespace remittance {
namespace {

constexpr std::size_t kSpareBefore = 1;

}  // namespace

Document Document::withUnsetText(std::size_t size) {
  Document document;
  // new char[] leaves the bytes unset: no pass over the memory before the file is read into it.
  document.storage_.reset(new char[kSpareBefore + size + kSavedLineEnd.size()]);
  document.text_ = document.storage_.get() + kSpareBefore;
  document.size_ = size;
  document.room_before_ = kSpareBefore;
  std::memcpy(document.text_ + size, kSavedLineEnd.data(), kSavedLineEnd.size());
  return document;
}

Document::Document(std::string_view text) : Document(withUnsetText(text.size())) {
  if (!text.empty()) std::memcpy(text_, text.data(), text.size());
}

Document::Document(Document&& other) noexcept
    : storage_(std::move(other.storage_)),
      text_(std::exchange(other.text_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      room_before_(std::exchange(other.room_before_, 0)) {}

Document& Document::operator=(Document&& other) noexcept {
  Document taken(std::move(other));
  std::swap(storage_, taken.storage_);
  std::swap(text_, taken.text_);
  std::swap(size_, taken.size_);
  std::swap(room_before_, taken.room_before_);
  return *this;
}

std::string_view Document::savedBytes() const {
  if (!storage_) return kSavedLineEnd;
  return {text_, size_ + kSavedLineEnd.size()};
}

void Document::replace(std::size_t at, std::size_t length, std::string_view replacement) {
  if (replacement.size() == length) {
    std::memcpy(text_ + at, replacement.data(), length);
    return;
  }
  const std::size_t growth = replacement.size() - length;
  if (replacement.size() > length && growth <= room_before_) {
    // The bytes before the change move left into the spare room; the rest stays where it is.
    std::memmove(text_ - growth, text_, at);
    text_ -= growth;
    room_before_ -= growth;
    size_ += growth;
    std::memcpy(text_ + at, replacement.data(), replacement.size());
    return;
  }
  const std::string_view old = text();
  Document grown = withUnsetText(old.size() - length + replacement.size());
  std::memcpy(grown.text_, old.data(), at);
  std::memcpy(grown.text_ + at, replacement.data(), replacement.size());
  std::memcpy(grown.text_ + at + replacement.size(), old.data() + at + length,
              old.size() - at - length);
  *this = std::move(grown);
}

}  // namespace remittance
