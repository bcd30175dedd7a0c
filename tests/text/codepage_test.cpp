#include "text/codepage.h"

#include <gtest/gtest.h>

namespace tesvarin {
namespace {

TEST(Codepage, ConvertsBetweenGbkAndUtf8) {
  EXPECT_EQ(Utf8ToGbk("开始解析 ok"), "\xBF\xAA\xCA\xBC\xBD\xE2\xCE\xF6 ok");
  EXPECT_EQ(GbkToUtf8("\xBF\xAA\xCA\xBC\xBD\xE2\xCE\xF6 ok"), "开始解析 ok");
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(Codepage, CharactersGbkLacksBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x8E\xB5"
                      "b"),
            "a?b");  // a musical note emoji
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a?b");                         // not UTF-8 at all
  EXPECT_EQ(Utf8ToGbk("a\xE5\xBC"), "a?");  // cut-short sequence
}

TEST(Codepage, BytesThatAreNotGbkBecomeReplacementCharacters) {
  EXPECT_EQ(GbkToUtf8("a\xFF"
                      "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(GbkToUtf8("a\xB0"), "a\xEF\xBF\xBD");  // a lone lead byte at the end
}

TEST(Codepage, LongTextSurvivesTheRoundTrip) {
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += "下载载点：/a/b.mp3 ";
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk(utf8)), utf8);
}

}  // namespace
}  // namespace tesvarin
