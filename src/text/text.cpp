#include "text/text.h"

#include <cstring>

namespace tesvarin {
namespace {

bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// Returns true when `candidate` starts a character, given that `boundary`
// (<= candidate) does. A byte below 0x80 is always followed by a character
// start, so only the run of lead-range bytes just before the candidate
// matters: they pair up from the run's start, and an odd run leaves the
// candidate as the second byte of a character.
bool StartsCharacter(std::string_view text, std::size_t boundary, std::size_t candidate) {
  std::size_t run = 0;
  while (candidate - run > boundary && IsLeadByte(text[candidate - run - 1])) ++run;
  return run % 2 == 0;
}

// Returns the first position >= `from` (a character start) where `sought`
// stands at a character start, or npos. `sought` is not empty.
std::size_t FindAtCharacter(std::string_view text, std::string_view sought, std::size_t from) {
  const std::size_t size = text.size();
  while (size - from >= sought.size()) {
    const char* base = text.data();
    const void* hit = sought.size() == 1
                          ? std::memchr(base + from, sought[0], size - from)
                          : ::memmem(base + from, size - from, sought.data(), sought.size());
    if (hit == nullptr) return std::string_view::npos;
    const auto candidate = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
    if (StartsCharacter(text, from, candidate)) return candidate;
    // The candidate is a trail byte, so the next character starts right after it.
    from = candidate + 1;
  }
  return std::string_view::npos;
}

}  // namespace

PieceList::PieceList(std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) Append(piece);
}

void PieceList::Append(std::string_view piece) {
  bytes_.append(piece);
  ends_.push_back(bytes_.size());
}

std::string_view PieceList::operator[](std::size_t index) const {
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(bytes_).substr(begin, ends_[index] - begin);
}

std::vector<Text> PieceList::ToVector() const {
  std::vector<Text> pieces;
  pieces.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) pieces.emplace_back((*this)[i]);
  return pieces;
}

PieceList CutAt(std::string_view text, std::string_view delimiter) {
  PieceList pieces;
  if (text.empty()) return pieces;
  pieces.Reserve(text.size());
  if (delimiter.empty()) {
    pieces.Append(text);
    return pieces;
  }
  std::size_t start = 0;
  for (std::size_t hit; (hit = FindAtCharacter(text, delimiter, start)) != std::string_view::npos;
       start = hit + delimiter.size()) {
    pieces.Append(text.substr(start, hit - start));
  }
  if (start < text.size()) pieces.Append(text.substr(start));
  return pieces;
}

std::optional<Text> PieceAt(const PieceList& list, int n) {
  if (n < 1 || static_cast<std::size_t>(n) > list.size()) return std::nullopt;
  return Text(list[static_cast<std::size_t>(n) - 1]);
}

long long Locate(std::string_view text, std::string_view sought) {
  if (sought.empty()) return text.empty() ? -1 : 1;
  const std::size_t hit = FindAtCharacter(text, sought, 0);
  return hit == std::string_view::npos ? -1 : static_cast<long long>(hit) + 1;
}

Text RemoveAll(std::string_view text, std::string_view target) {
  if (text.empty() || target.empty()) return Text(text);
  Text result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit; (hit = FindAtCharacter(text, target, start)) != std::string_view::npos;
       start = hit + target.size()) {
    result.append(text.substr(start, hit - start));
  }
  std::string_view rest = text.substr(start);
  // A one-byte target lets the scan reach the last byte; a lead byte there has
  // no second byte and ends the scan without being copied.
  const std::size_t last = text.size() - 1;
  if (target.size() == 1 && !rest.empty() && IsLeadByte(text[last]) &&
      StartsCharacter(text, start, last)) {
    rest.remove_suffix(1);
  }
  result.append(rest);
  return result;
}

Text BodyToText(std::string_view bytes) { return Text(bytes.substr(0, bytes.find('\0'))); }

Text Join(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  Text joined;
  joined.reserve(size);
  for (std::string_view part : parts) joined.append(part);
  return joined;
}

}  // namespace tesvarin
