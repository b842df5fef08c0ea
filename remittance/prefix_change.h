#pragma once

// The conversion of a remittance prepared for collection into one for advance financing: when
// the text of the first MsgId element starts with "PRE", those three bytes become "FSDD" and the
// file ends with CR LF; nothing else changes. The comparison is exact and case-sensitive and only
// the first element is looked at. Both halves take the file's bytes as they come, in pieces of
// any size, so that a file is never held whole.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace remittance {

inline constexpr std::string_view kCollectionPrefix = "PRE";
inline constexpr std::string_view kFinancingPrefix = "FSDD";
// The line end written after the last byte of every converted file.
inline constexpr std::string_view kSavedLineEnd = "\r\n";

// The size of the pieces the conversion reads the file in. Larger pieces are slower to write
// (most likely they have left the processor's cache by then): in pieces of 4 MiB the pass over a
// 1 GiB file took two to four times as long.
inline constexpr std::size_t kPieceSize = std::size_t{1} << 20;

// Finds the start tag of the first MsgId element in the bytes of a file and compares the three
// bytes after its '>' with "PRE". The element is `<MsgId>` or `<prefix:MsgId>`, with or without
// attributes; what only looks like it does not count: text inside comments, CDATA sections,
// processing instructions and other declarations (a DOCTYPE and its entities), inside quoted
// attribute values, and end tags. A file without the element, whose element is empty
// (`<MsgId/>`), or that ends before three bytes follow its start tag, cannot change.
class PrefixSearch {
 public:
  enum class Answer { NotYet, Change, CannotChange };

  // Looks at the next piece of the file. Once the answer is known, later pieces are not looked at.
  Answer look(std::string_view piece);
  // The answer once the whole file has been looked at.
  Answer atEnd() const { return answer_ == Answer::NotYet ? Answer::CannotChange : answer_; }
  // Where "PRE" starts, in bytes from the start of the file, once the answer is Change.
  std::uint64_t prefixAt() const { return prefixAt_; }

 private:
  // What the bytes looked at so far leave the search in.
  enum class Place : std::uint8_t {
    Text,         // between markup: only '<' matters
    Open,         // right after a '<'
    Name,         // in the name of a start tag
    Tag,          // in a tag after its name, up to its '>'
    Quoted,       // in a quoted value, up to the same quote
    Bang,         // after "<!"
    BangDash,     // after "<!-"
    CdataOpen,    // in the "[CDATA[" of "<![CDATA["
    Comment,      // up to "-->"
    Cdata,        // up to "]]>"
    Instruction,  // up to "?>"
    Declaration,  // in "<!DOCTYPE ...>" or any other "<!...>", up to its own '>'
    Prefix,       // in the three bytes after the identifier's start tag
  };

  // Each looks at the piece from `at` in one place and returns where to go on: `at` itself
  // when the byte there is to be looked at again from the place it has moved to.
  std::size_t step(std::string_view piece, std::size_t at);
  std::size_t skipText(std::string_view piece, std::size_t at);
  std::size_t open(char byte);
  std::size_t readName(std::string_view piece, std::size_t at);
  std::size_t skipTag(std::string_view piece, std::size_t at);
  std::size_t skipQuoted(std::string_view piece, std::size_t at);
  std::size_t bang(char byte);
  std::size_t bangDash(char byte);
  std::size_t cdataOpen(char byte);
  std::size_t skipUntilClosed(std::string_view piece, std::size_t at, char closer,
                              std::size_t closers);
  std::size_t skipDeclaration(std::string_view piece, std::size_t at);
  std::size_t comparePrefix(char byte, std::uint64_t position);

  void enterTag(bool identifier);
  void enterUntilClosed(Place place);
  void enterDeclaration();
  Place afterMarkup() const { return declarations_ > 0 ? Place::Declaration : Place::Text; }

  Answer answer_ = Answer::NotYet;
  Place place_ = Place::Text;
  // Bytes matched: of the identifier's name, of "[CDATA[", of the closing "--", "]]" or "?", or
  // of "PRE", as the place needs.
  std::size_t matched_ = 0;
  char quote_ = 0;                  // the quote that ends the value being skipped
  bool identifier_ = false;         // the tag being read is the first MsgId element's
  bool slash_ = false;              // and its last byte so far, outside quotes, is '/'
  std::uint64_t declarations_ = 0;  // declarations open, one inside another
  std::uint64_t looked_ = 0;        // bytes of the earlier pieces
  std::uint64_t prefixAt_ = 0;
};

// The converted file, made from the original bytes given piece by piece from the first: every
// byte as it was, "FSDD" in place of the "PRE" at `prefixAt`, and after the last piece
// kSavedLineEnd.
class ConvertedBytes {
 public:
  explicit ConvertedBytes(std::uint64_t prefixAt) : prefixAt_(prefixAt) {}

  // The converted bytes of the next piece, as up to three parts to write in order (the bytes
  // before "PRE", "FSDD", the bytes after it); parts may be empty.
  std::array<std::string_view, 3> next(std::string_view piece);

 private:
  std::uint64_t prefixAt_;
  std::uint64_t at_ = 0;  // where the next piece starts in the file
};

}  // namespace remittance
