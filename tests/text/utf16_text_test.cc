#include "text/utf16_text.h"

#include <gtest/gtest.h>

#include <string>

namespace logvane {
namespace {

// The UTF-8 form of units, or "(does not fit)"; and whether it converts
// back to the same units.
std::string utf8(const std::u16string& units, std::size_t size = 64) {
  char out[64];
  const std::ptrdiff_t length = convert_utf16_to_utf8(units.c_str(), out, size);
  if (length < 0) return "(does not fit)";
  std::string text(out, static_cast<std::size_t>(length));
  char16_t back[64];
  const std::ptrdiff_t units_back = convert_utf8_to_utf16(out, back, 64);
  if (units_back < 0 ||
      std::u16string(back, static_cast<std::size_t>(units_back)) != units) {
    text += " (does not convert back)";
  }
  return text;
}

// The number of units of text's UTF-16 form, or -1.
std::ptrdiff_t units_of(const char* text, std::size_t size = 64) {
  char16_t out[64];
  return convert_utf8_to_utf16(text, out, size);
}

TEST(Utf16Text, EveryNameConvertsBackUnchanged) {
  EXPECT_EQ("trip.txt", utf8(u"trip.txt"));
  EXPECT_EQ("\xCE\xA9mega.txt", utf8(u"\u03A9mega.txt"));
  EXPECT_EQ("\xE6\x97\xA5\xE6\x9C\xAC", utf8(u"\u65E5\u672C"));
  EXPECT_EQ("\xEF\xBC\x8F", utf8(u"\uFF0F"));
  EXPECT_EQ("\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF",
            utf8(u"\u0080\u07FF\u0800\uFFFF"));
  EXPECT_EQ("\xF0\x9F\x98\x80", utf8(u"\U0001F600"));
  EXPECT_EQ("\xF4\x8F\xBF\xBF", utf8(u"\U0010FFFF"));
  // Unpaired surrogates keep their own three bytes.
  EXPECT_EQ(
      "a\xED\xA0\xBD"
      "b",
      utf8(u"a\xD83D"
           u"b"));
  EXPECT_EQ("\xED\xB8\x80", utf8(u"\xDE00"));
  EXPECT_EQ("\xED\xB8\x80\xED\xA0\xBD", utf8(u"\xDE00\xD83D"));
  EXPECT_EQ("", utf8(u""));
}

TEST(Utf16Text, RoomIncludesTheTerminator) {
  EXPECT_EQ("abc", utf8(u"abc", 4));
  EXPECT_EQ("(does not fit)", utf8(u"abc", 3));
  EXPECT_EQ("(does not fit)", utf8(u"\u03A9", 2));
  EXPECT_EQ("(does not fit)", utf8(u"", 0));
  EXPECT_EQ(3, units_of("abc", 4));
  EXPECT_EQ(-1, units_of("abc", 3));
  EXPECT_EQ(-1, units_of("\xF0\x9F\x98\x80", 2));
  EXPECT_EQ(2, units_of("\xF0\x9F\x98\x80", 3));
}

TEST(Utf16Text, OnlyTheShortestFormConverts) {
  EXPECT_EQ(-1, units_of("\xC0\xAF"));          // '/' in two bytes
  EXPECT_EQ(-1, units_of("\xE0\x80\xAF"));      // and in three
  EXPECT_EQ(-1, units_of("\xF0\x8F\xBF\xBF"));  // U+FFFF in four
  EXPECT_EQ(-1, units_of("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_EQ(-1, units_of("\x80"));
  EXPECT_EQ(-1, units_of("\xFF"));
  EXPECT_EQ(-1, units_of("\xE6\x97"));  // cut short
  EXPECT_EQ(-1, units_of("\xE6\x97x"));
}

}  // namespace
}  // namespace logvane
