// Checks the character-aware scans (CutAt, Locate, RemoveAll) against a plain
// byte-by-byte model of the same scan.
//
// Input: one byte whose value mod 5 is the needle's length, the needle, then
// the text (a short input gives a shorter needle and an empty text).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace {

bool IsLead(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// The scan as a reader would do it by hand: try a match at the current
// position; on a miss step over one character (two bytes from a lead byte);
// a lead byte with nothing after it ends the scan. Matches restart the
// character count right after themselves.
struct Scan {
  std::string_view text;
  std::string_view needle;
  std::size_t pos = 0;

  bool Room() const { return text.size() - pos >= needle.size(); }
  bool Match() const { return text.substr(pos, needle.size()) == needle; }
  bool AtLoneLead() const { return IsLead(text[pos]) && pos + 1 == text.size(); }
  std::size_t Width() const { return IsLead(text[pos]) ? 2 : 1; }
};

std::vector<std::string> ModelCut(std::string_view text, std::string_view delimiter) {
  if (text.empty()) return {};
  if (delimiter.empty()) return {std::string(text)};
  std::vector<std::string> pieces;
  Scan scan{text, delimiter};
  std::size_t start = 0;
  while (scan.Room()) {
    if (scan.Match()) {
      pieces.emplace_back(text.substr(start, scan.pos - start));
      scan.pos += delimiter.size();
      start = scan.pos;
    } else if (scan.AtLoneLead()) {
      break;
    } else {
      scan.pos += scan.Width();
    }
  }
  if (start < text.size()) pieces.emplace_back(text.substr(start));
  return pieces;
}

long long ModelLocate(std::string_view text, std::string_view sought) {
  if (sought.empty()) return text.empty() ? -1 : 1;
  Scan scan{text, sought};
  while (scan.Room()) {
    if (scan.Match()) return static_cast<long long>(scan.pos) + 1;
    if (scan.AtLoneLead()) return -1;
    scan.pos += scan.Width();
  }
  return -1;
}

// Copies character by character, so a lone lead byte the scan reaches is
// never copied.
std::string ModelRemove(std::string_view text, std::string_view target) {
  if (text.empty() || target.empty()) return std::string(text);
  std::string kept;
  Scan scan{text, target};
  while (scan.Room()) {
    if (scan.Match()) {
      scan.pos += target.size();
    } else if (scan.AtLoneLead()) {
      return kept;
    } else {
      kept.append(text.substr(scan.pos, scan.Width()));
      scan.pos += scan.Width();
    }
  }
  kept.append(text.substr(scan.pos));
  return kept;
}

std::string ModelBody(std::string_view bytes) {
  std::string body;
  for (char c : bytes) {
    if (c == '\0') break;
    body.push_back(c);
  }
  return body;
}

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t needle_length = std::min<std::size_t>(data[0] % 5, size - 1);
  const std::string_view needle = input.substr(1, needle_length);
  const std::string_view text = input.substr(1 + needle_length);

  const tesvarin::PieceList cut = tesvarin::CutAt(text, needle);
  const std::vector<std::string> pieces = cut.ToVector();
  Require(pieces == ModelCut(text, needle));
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Require(tesvarin::PieceAt(cut, static_cast<int>(i) + 1) == pieces[i]);
  }
  Require(!tesvarin::PieceAt(cut, 0));
  Require(!tesvarin::PieceAt(cut, static_cast<int>(pieces.size()) + 1));

  Require(tesvarin::Locate(text, needle) == ModelLocate(text, needle));
  Require(tesvarin::RemoveAll(text, needle) == ModelRemove(text, needle));
  Require(tesvarin::BodyToText(input) == ModelBody(input));
  return 0;
}
