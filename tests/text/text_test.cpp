#include "text/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tesvarin {
namespace {

using namespace std::string_literals;

// --- CutAt -------------------------------------------------------------------

struct CutCase {
  std::string text;
  std::string delimiter;
  std::vector<std::string> pieces;
};

TEST(CutAt, CutsAtEveryOccurrenceWithoutTrailingEmptyPiece) {
  const std::vector<CutCase> cases = {
      {"", ",", {}},
      {"", "", {}},
      {"a,b", ",", {"a", "b"}},
      {"a,b,", ",", {"a", "b"}},
      {",a", ",", {"", "a"}},
      {"a,,b", ",", {"a", "", "b"}},
      {",", ",", {""}},
      {",,", ",", {"", ""}},
      {"abc", "", {"abc"}},
      {"abc", "x", {"abc"}},
      {"abc", "abcd", {"abc"}},
      {"aaa", "aa", {"", "a"}},
      {"aXb", "x", {"aXb"}},
      {"a\0b\0"s, "\0"s, {"a", "b"}},
      // GBK: a delimiter byte that is the second byte of a character is no match.
      {"\xB0\xA1\"A", "\"", {"\xB0\xA1", "A"}},
      {"\xB0\"\"A", "\"", {"\xB0\"", "A"}},
      // UTF-8 read as GBK: E4 B8 | AD 22 hides the quotation mark.
      {"\xE4\xB8\xAD\"A", "\"", {"\xE4\xB8\xAD\"A"}},
      // A lone lead byte at the end: the scan ends, the rest is one piece.
      {"a,\xB0", ",", {"a", "\xB0"}},
      // The last byte itself may be the delimiter.
      {"a\xB0", "\xB0", {"a"}},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " at " + testing::PrintToString(c.delimiter));
    EXPECT_EQ(CutAt(c.text, c.delimiter).ToVector(), c.pieces);
  }
}

TEST(PieceAt, NumbersFromOneAndReportsMissingPieces) {
  const PieceList one{"only"};
  EXPECT_EQ(PieceAt(one, 1), "only");
  EXPECT_EQ(PieceAt(one, 2), std::nullopt);
  EXPECT_EQ(PieceAt(CutAt("", ","), 1), std::nullopt);
  EXPECT_EQ(PieceAt(CutAt(",x", ","), 1), "");  // an empty piece is not a missing one
}

// --- Locate ------------------------------------------------------------------

struct LocateCase {
  std::string text;
  std::string sought;
  long long position;
};

TEST(Locate, GivesOneBasedBytePositionAtCharacterStarts) {
  const std::vector<LocateCase> cases = {
      {"abc", "", 1},
      {"", "", -1},
      {"", "a", -1},
      {"abcabc", "c", 3},
      {"ABC", "b", -1},
      {"\xB0\xA1"
       "a",
       "a", 3},
      {"\xB0\xA1\"A", "\"", 3},
      {"\xE4\xB8\xAD\"A", "\"", -1},
      {"\xB0", "\xB0", 1},
      {"a\xB0", "\xB0\xA1", -1},
      // Trail bytes that look like the sought text, then a real occurrence.
      {"\x81"
       "d\x81"
       "djkk djkk",
       "djkk", 9},
      {"x\x81"
       "djkk",
       "djkk", -1},
      {"page hi193 page", "hi193", 6},
  };
  for (const LocateCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " / " + testing::PrintToString(c.sought));
    EXPECT_EQ(Locate(c.text, c.sought), c.position);
  }
}

// --- RemoveAll ---------------------------------------------------------------

struct RemoveCase {
  std::string text;
  std::string target;
  std::string result;
};

TEST(RemoveAll, DeletesEveryOccurrenceOnce) {
  const std::vector<RemoveCase> cases = {
      {"", "\"", ""},
      {"abc", "", "abc"},
      {"\"a\" b", "\"", "a b"},
      {"aabb", "ab", "ab"},
      {"\xB0\xA1\"A", "\"",
       "\xB0\xA1"
       "A"},
      {"\xE4\xB8\xAD\"A", "\"", "\xE4\xB8\xAD\"A"},
      // A lone lead byte reached by the scan is dropped; a longer target
      // stops the scan earlier and the byte is copied.
      {"A\xB0", "\"", "A"},
      {"A\xB0", "xy", "A\xB0"},
      // ...but a lead byte that ends a two-byte character is kept.
      {"A\xB0\xB0", "\"", "A\xB0\xB0"},
      {"\"\xB0", "\"", ""},
      {"a\0\"b"s, "\"", "a\0b"s},
  };
  for (const RemoveCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " - " + testing::PrintToString(c.target));
    EXPECT_EQ(RemoveAll(c.text, c.target), c.result);
  }
}

// --- BodyToText, Join, IsEmptyText --------------------------------------------

TEST(BodyToText, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(BodyToText("AB\0C"s), "AB");
  EXPECT_EQ(BodyToText("\0A"s), "");
  EXPECT_EQ(BodyToText("AB"), "AB");
  EXPECT_EQ(BodyToText(""), "");
}

TEST(Join, ConcatenatesInOrder) {
  EXPECT_EQ(Join({"a", "", "b"}), "ab");
  EXPECT_EQ(Join({"", ""}), "");
  EXPECT_EQ(Join({"1", "2", "3", "4", "5"}), "12345");
}

TEST(IsEmptyText, OnlyTheTextWithoutBytes) {
  EXPECT_TRUE(IsEmptyText(""));
  EXPECT_FALSE(IsEmptyText(" "));
  EXPECT_FALSE(IsEmptyText("\0"s));
}

// --- The fast scan against a byte-by-byte model ------------------------------

// The scan written plainly: try at each position, advance one character.
struct ModelScan {
  std::string_view text;
  std::string_view sought;
  std::size_t pos = 0;

  bool MatchHere() const { return text.substr(pos, sought.size()) == sought; }
  bool LoneLeadHere() const {
    return static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 == text.size();
  }
  std::size_t CharLength() const { return static_cast<unsigned char>(text[pos]) >= 0x80 ? 2 : 1; }
  bool Room() const { return text.size() - pos >= sought.size(); }
};

std::vector<std::string> ModelCut(std::string_view text, std::string_view delimiter) {
  if (text.empty()) return {};
  if (delimiter.empty()) return {std::string(text)};
  std::vector<std::string> pieces;
  ModelScan scan{text, delimiter};
  std::size_t start = 0;
  while (scan.Room()) {
    if (scan.MatchHere()) {
      pieces.emplace_back(text.substr(start, scan.pos - start));
      scan.pos += delimiter.size();
      start = scan.pos;
    } else if (scan.LoneLeadHere()) {
      break;
    } else {
      scan.pos += scan.CharLength();
    }
  }
  if (start < text.size()) pieces.emplace_back(text.substr(start));
  return pieces;
}

long long ModelLocate(std::string_view text, std::string_view sought) {
  if (sought.empty()) return text.empty() ? -1 : 1;
  ModelScan scan{text, sought};
  while (scan.Room()) {
    if (scan.MatchHere()) return static_cast<long long>(scan.pos) + 1;
    if (scan.LoneLeadHere()) return -1;
    scan.pos += scan.CharLength();
  }
  return -1;
}

std::string ModelRemove(std::string_view text, std::string_view target) {
  if (text.empty() || target.empty()) return std::string(text);
  std::string result;
  ModelScan scan{text, target};
  while (scan.Room()) {
    if (scan.MatchHere()) {
      scan.pos += target.size();
    } else if (scan.LoneLeadHere()) {
      return result;
    } else {
      result.append(text.substr(scan.pos, std::min(scan.CharLength(), text.size() - scan.pos)));
      scan.pos += scan.CharLength();
    }
  }
  if (scan.pos < text.size()) result.append(text.substr(scan.pos));
  return result;
}

TEST(CharacterScan, AgreesWithTheByteByByteModel) {
  // A small alphabet of ASCII, lead-range and NUL bytes makes collisions with
  // trail bytes frequent.
  const std::string alphabet = "ab\"\x81\xB0\xFE\0"s;
  std::mt19937 random(20261211);
  const auto draw = [&](std::size_t max_length) {
    std::string s(random() % (max_length + 1), '\0');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = draw(24);
    const std::string needle = draw(3);
    SCOPED_TRACE(testing::PrintToString(text) + " / " + testing::PrintToString(needle));
    ASSERT_EQ(CutAt(text, needle).ToVector(), ModelCut(text, needle));
    ASSERT_EQ(Locate(text, needle), ModelLocate(text, needle));
    ASSERT_EQ(RemoveAll(text, needle), ModelRemove(text, needle));
  }
}

}  // namespace
}  // namespace tesvarin
