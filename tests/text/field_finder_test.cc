#include "text/field_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "support/long_sweep.h"
#include "text/scan.h"

namespace logvane {
namespace {

// The classes of 64 bytes, a byte at a time by the scanners' own tests.
ByteClasses classes_of(const char* text) {
  ByteClasses classes;
  for (int i = 0; i < CLASSIFIED_SIZE; ++i) {
    const int c = static_cast<unsigned char>(text[i]);
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (is_scan_space(c)) classes.space |= bit;
    if (is_scan_digit(c)) classes.digit |= bit;
    if (c == '.') classes.point |= bit;
  }
  return classes;
}

TEST(FieldFinder, ClassifiesEveryRouteByteByByte) {
  std::mt19937_64 random(31337);
  static const char edges[] =
      " \t\n\v\f\r\x08\x0e\x1f!-./09:\x80\x89\xa0\xae\xb0\xff";
  char text[CLASSIFIED_SIZE];
  for (int i = 0; i < 20'000; ++i) {
    for (char& c : text) {
      c = random() % 2 != 0 ? edges[random() % (sizeof edges - 1)]
                            : static_cast<char>(random());
    }
    const ByteClasses expected = classes_of(text);
    for (const ByteClasses got :
         {classify_bytes(text), classify_bytes_narrow(text),
          classify_bytes_scalar(text)}) {
      ASSERT_EQ(expected.space, got.space) << i;
      ASSERT_EQ(expected.digit, got.digit) << i;
      ASSERT_EQ(expected.point, got.point) << i;
    }
  }
}

// A route that is right but slow passes the test above: where the build has
// vectors, the route chosen must use them.
TEST(FieldFinder, ChoosesAVectorRouteWhereThereIsOne) {
#if !defined(LOGVANE_SCALAR_ONLY) &&                            \
    (defined(__SSE2__) || defined(__wasm_simd128__) ||          \
     (defined(__aarch64__) && defined(__ARM_NEON) && !defined(__ARM_BIG_ENDIAN)))
  EXPECT_NE(classify_bytes_route, &classify_bytes_scalar);
#else
  GTEST_SKIP() << "no vector route in this build";
#endif
}

// The shapes, written out the slow way.
bool is_integer_text(const std::string& field) {
  const std::size_t digits = field[0] == '+' || field[0] == '-' ? 1 : 0;
  return field.size() > digits &&
         std::all_of(field.begin() + static_cast<std::ptrdiff_t>(digits),
                     field.end(), [](char c) { return is_scan_digit(c); });
}

bool is_number_text(const std::string& field) {
  std::size_t i = field[0] == '+' || field[0] == '-' ? 1 : 0;
  bool digit = false;
  while (i < field.size() && is_scan_digit(field[i])) digit = ++i != 0;
  if (i < field.size() && field[i] == '.') ++i;
  while (i < field.size() && is_scan_digit(field[i])) digit = ++i != 0;
  return digit && i == field.size();
}

std::string random_field(std::mt19937_64& random) {
  static const char* const fields[] = {
      "8.545042775", "-0.412",     "+7",           "11",    "5.",      ".5",
      "-.5",         "2026/05/14", "09:31:02.100", "1.2.3", "..5",     "-",
      "+.",          ".",          "5-",           "--5",   "1e5",     "1,5",
      "x",           "-x1",        "x5",           "#.5",   "\x80\xff"};
  if (random() % 16 == 0) {
    return std::string(static_cast<std::size_t>(40 + random() % 40), '7');
  }
  if (random() % 24 == 0) return std::string(1, '\0');
  return fields[random() % std::size(fields)];
}

// Walks random fields and whitespace with random shapes asked of them,
// against a reference that knows where each field ends: a field is found
// when the whitespace after it lies before the limit and within 64 bytes
// of where the one before ended. The verdict on the shapes comes at the
// end of each walk.
void expect_fields_and_shapes_as_reference(std::uint64_t seed, int walks) {
  std::mt19937_64 random(seed);
  static const char* const spaces[] = {
      " ", "\t", "\r\n", "\v\f", "   ", "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"};
  for (int walk = 0; walk < walks; ++walk) {
    std::string text = random() % 2 != 0 ? "" : spaces[random() % 6];
    std::vector<std::string> fields;
    std::vector<std::size_t> ends;
    for (int i = 0; i < 20; ++i) {
      fields.push_back(random_field(random));
      text += fields.back();
      ends.push_back(text.size());
      text += spaces[random() % 6];
    }
    const std::size_t limit =
        text.size() - static_cast<std::size_t>(random() % 30);
    const std::string padded = text + std::string(CLASSIFIED_SIZE, '5');
    const char* const base = padded.data();
    FieldFinder finder(base, base + limit);
    std::size_t last_end = 0;
    bool plain = true;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const auto shape = static_cast<FieldShape>(random() % 3);
      const bool found = ends[i] < limit && ends[i] - last_end < 64;
      TextField field{};
      ASSERT_EQ(found, finder.take_fields(1, shape, field))
          << walk << ": field " << i;
      if (!found) break;
      const std::string& expected = fields[i];
      ASSERT_EQ(ends[i], static_cast<std::size_t>(field.end - base));
      ASSERT_EQ(expected, std::string(field.begin, field.end));
      ASSERT_EQ(std::min(expected.find('.'), expected.size()),
                static_cast<std::size_t>(field.point - field.begin));
      plain = plain && (shape == ANY_TEXT ||
                        (shape == PLAIN_INTEGER ? is_integer_text(expected)
                                                : is_number_text(expected)));
      last_end = ends[i];
      if (random() % 4 == 0) {
        ASSERT_EQ(plain, finder.plain_so_far()) << walk << ": field " << i;
        plain = true;
      }
    }
    ASSERT_EQ(plain, finder.plain_so_far()) << walk;
  }
}

TEST(FieldFinder, FindsFieldsAndJudgesShapesAsTheReferenceDoes) {
  expect_fields_and_shapes_as_reference(4711, 20'000);
}

TEST(FieldFinder, FindsFieldsAndJudgesShapesLongSweep) {
  SKIP_UNLESS_LONG_SWEEPS();
  expect_fields_and_shapes_as_reference(1147, 1'000'000);
}

TEST(FieldFinder, TakesARunOfFieldsAcrossWindows) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += " -" + std::to_string(i) + ".25";
  text += ' ' + std::string(CLASSIFIED_SIZE, '5');
  FieldFinder finder(text.data(), text.data() + text.size());
  TextField field{};
  ASSERT_TRUE(finder.take_fields(30, PLAIN_NUMBER, field));
  EXPECT_EQ("-29.25", std::string(field.begin, field.end));
  EXPECT_EQ(".25", std::string(field.point, field.end));
  EXPECT_TRUE(finder.plain_so_far());
  ASSERT_TRUE(finder.take_fields(10, PLAIN_INTEGER, field));
  EXPECT_EQ("-39.25", std::string(field.begin, field.end));
  EXPECT_FALSE(finder.plain_so_far());
}

}  // namespace
}  // namespace logvane
