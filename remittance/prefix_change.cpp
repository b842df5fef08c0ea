#include "prefix_change.h"

#include <algorithm>
#include <cstring>

namespace remittance {

namespace {

// How the identifier's name ends. A name ending so is the identifier's when something stands
// before the ':' (a namespace prefix); `MsgId` alone counts as if the ':' were there.
constexpr std::string_view kNameEnd = ":MsgId";
// What follows "<!" in the opening of a CDATA section.
constexpr std::string_view kCdataOpen = "[CDATA[";

// A tag's name ends at white space, '/', '>', '<' or a quote.
bool endsName(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '/' ||
         byte == '>' || byte == '<' || byte == '"' || byte == '\'';
}

// The bytes that matter in a tag or a declaration; the others are skipped in one go.
bool endsRun(char byte) {
  return byte == '>' || byte == '<' || byte == '"' || byte == '\'';
}

// The first `wanted` in the piece from `at`, or the piece's end.
std::size_t find(std::string_view piece, std::size_t at, char wanted) {
  const void* found = std::memchr(piece.data() + at, wanted, piece.size() - at);
  return found ? static_cast<std::size_t>(static_cast<const char*>(found) - piece.data())
               : piece.size();
}

std::size_t skipRun(std::string_view piece, std::size_t at) {
  while (at < piece.size() && !endsRun(piece[at])) ++at;
  return at;
}

}  // namespace

PrefixSearch::Answer PrefixSearch::look(std::string_view piece) {
  std::size_t at = 0;
  while (answer_ == Answer::NotYet && at < piece.size()) at = step(piece, at);
  looked_ += piece.size();
  return answer_;
}

std::size_t PrefixSearch::step(std::string_view piece, std::size_t at) {
  switch (place_) {
    case Place::Text:
      return skipText(piece, at);
    case Place::Open:
      return at + open(piece[at]);
    case Place::Name:
      return readName(piece, at);
    case Place::Tag:
      return skipTag(piece, at);
    case Place::Quoted:
      return skipQuoted(piece, at);
    case Place::Bang:
      return at + bang(piece[at]);
    case Place::BangDash:
      return at + bangDash(piece[at]);
    case Place::CdataOpen:
      return at + cdataOpen(piece[at]);
    case Place::Comment:
      return skipUntilClosed(piece, at, '-', 2);
    case Place::Cdata:
      return skipUntilClosed(piece, at, ']', 2);
    case Place::Instruction:
      return skipUntilClosed(piece, at, '?', 1);
    case Place::Declaration:
      return skipDeclaration(piece, at);
    case Place::Prefix:
      return at + comparePrefix(piece[at], looked_ + at);
  }
  return piece.size();  // not reached: every place is above
}

// Only '<' starts markup: jump to the next one, unless it is right there, as between most tags of
// a remittance. The usual tag, a name and a '>', is read on from here without going back to
// `step`. Over a remittance's many short tags each of the two saves about a sixth of the time.
std::size_t PrefixSearch::skipText(std::string_view piece, std::size_t at) {
  while (place_ == Place::Text) {
    if (at < piece.size() && piece[at] != '<') at = find(piece, at, '<');
    if (at == piece.size()) return at;
    place_ = Place::Open;
    if (++at == piece.size()) return at;
    at += open(piece[at]);
    if (place_ == Place::Name) at = readName(piece, at);
    if (place_ == Place::Tag) at = skipTag(piece, at);
  }
  return at;
}

// The byte after '<' tells what it opens. Inside a declaration only other declarations,
// comments and instructions are markup.
std::size_t PrefixSearch::open(char byte) {
  if (byte == '!') {
    place_ = Place::Bang;
    return 1;
  }
  if (byte == '?') {
    enterUntilClosed(Place::Instruction);
    return 1;
  }
  if (declarations_ > 0) {
    place_ = Place::Declaration;
    return 0;
  }
  if (byte == '/') {
    enterTag(false);  // an end tag, whatever its name
    return 1;
  }
  // A start tag. A ':' first leaves no room for a prefix before it.
  place_ = Place::Name;
  matched_ = byte == ':' ? 0 : 1;
  return byte == ':' ? 1 : 0;
}

// Follows how much of ":MsgId" the name ends with, up to the byte that ends the name.
std::size_t PrefixSearch::readName(std::string_view piece, std::size_t at) {
  // A local, which stays in a register: the compiler cannot tell the member from the piece's bytes.
  std::size_t matched = matched_;
  for (; at < piece.size(); ++at) {
    const char byte = piece[at];
    if (endsName(byte)) {
      enterTag(matched == kNameEnd.size());
      return at;
    }
    if (matched < kNameEnd.size() && byte == kNameEnd[matched]) {
      ++matched;
    } else {
      // ':' is nowhere else in ":MsgId": a mismatch starts again from nothing, or from it.
      matched = byte == ':' ? 1 : 0;
    }
  }
  matched_ = matched;
  return at;
}

// Up to the tag's '>', over quoted values. A '<' before it ends a broken tag and opens new
// markup. The identifier's '>' leads to its prefix, unless a '/' before it closes the element.
std::size_t PrefixSearch::skipTag(std::string_view piece, std::size_t at) {
  const std::size_t from = at;
  at = skipRun(piece, at);
  if (at > from) slash_ = piece[at - 1] == '/';
  if (at == piece.size()) return at;
  const char byte = piece[at];
  if (byte == '<') {
    place_ = Place::Open;
  } else if (byte != '>') {
    place_ = Place::Quoted;
    quote_ = byte;
    slash_ = false;
  } else if (!identifier_) {
    place_ = Place::Text;
  } else if (slash_) {
    answer_ = Answer::CannotChange;  // the first identifier is empty
  } else {
    place_ = Place::Prefix;
    matched_ = 0;
  }
  return at + 1;
}

std::size_t PrefixSearch::skipQuoted(std::string_view piece, std::size_t at) {
  at = find(piece, at, quote_);
  if (at == piece.size()) return at;
  place_ = declarations_ > 0 ? Place::Declaration : Place::Tag;
  return at + 1;
}

// "<!--" opens a comment, "<![CDATA[" a CDATA section; anything else a declaration, of which
// the bytes taken so far are a harmless part.
std::size_t PrefixSearch::bang(char byte) {
  if (byte == '-') {
    place_ = Place::BangDash;
    return 1;
  }
  if (byte == '[') {
    place_ = Place::CdataOpen;
    matched_ = 1;
    return 1;
  }
  enterDeclaration();
  return 0;
}

std::size_t PrefixSearch::bangDash(char byte) {
  if (byte == '-') {
    enterUntilClosed(Place::Comment);
    return 1;
  }
  enterDeclaration();
  return 0;
}

std::size_t PrefixSearch::cdataOpen(char byte) {
  if (byte != kCdataOpen[matched_]) {
    enterDeclaration();
    return 0;
  }
  if (++matched_ == kCdataOpen.size()) enterUntilClosed(Place::Cdata);
  return 1;
}

// Comments, CDATA sections and instructions end with `closers` times `closer` and then '>'
// ("-->", "]]>", "?>"), none of it shared with their opening. Between closers, jump.
std::size_t PrefixSearch::skipUntilClosed(std::string_view piece, std::size_t at, char closer,
                                          std::size_t closers) {
  if (matched_ == 0) {
    at = find(piece, at, closer);
    if (at == piece.size()) return at;
  }
  const char byte = piece[at];
  if (byte == closer) {
    matched_ = std::min(matched_ + 1, closers);  // "--->" ends a comment too
  } else if (byte == '>' && matched_ == closers) {
    place_ = afterMarkup();
  } else {
    matched_ = 0;
  }
  return at + 1;
}

// Up to the declaration's own '>', over quoted literals and the markup inside it (an internal
// subset's declarations, comments and instructions).
std::size_t PrefixSearch::skipDeclaration(std::string_view piece, std::size_t at) {
  at = skipRun(piece, at);
  if (at == piece.size()) return at;
  const char byte = piece[at];
  if (byte == '<') {
    place_ = Place::Open;
  } else if (byte != '>') {
    place_ = Place::Quoted;
    quote_ = byte;
  } else if (--declarations_ == 0) {
    place_ = Place::Text;
  }
  return at + 1;
}

std::size_t PrefixSearch::comparePrefix(char byte, std::uint64_t position) {
  if (byte != kCollectionPrefix[matched_]) {
    answer_ = Answer::CannotChange;
  } else if (++matched_ == kCollectionPrefix.size()) {
    answer_ = Answer::Change;
    prefixAt_ = position + 1 - kCollectionPrefix.size();
  }
  return 1;
}

void PrefixSearch::enterTag(bool identifier) {
  place_ = Place::Tag;
  identifier_ = identifier;
  slash_ = false;
}

void PrefixSearch::enterUntilClosed(Place place) {
  place_ = place;
  matched_ = 0;
}

void PrefixSearch::enterDeclaration() {
  place_ = Place::Declaration;
  ++declarations_;
}

std::array<std::string_view, 3> ConvertedBytes::next(std::string_view piece) {
  const std::uint64_t start = at_;
  const std::uint64_t end = start + piece.size();
  at_ = end;
  const std::uint64_t prefixEnd = prefixAt_ + kCollectionPrefix.size();
  const auto part = [&](std::uint64_t from, std::uint64_t to) {
    from = std::clamp(from, start, end);
    to = std::clamp(to, from, end);
    return piece.substr(static_cast<std::size_t>(from - start),
                        static_cast<std::size_t>(to - from));
  };
  const bool replacedHere = start <= prefixAt_ && prefixAt_ < end;
  return {part(start, prefixAt_), replacedHere ? kFinancingPrefix : std::string_view(),
          part(prefixEnd, end)};
}

}  // namespace remittance
