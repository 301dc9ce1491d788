#include "text/fixed_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "support/long_sweep.h"
#include "text/scan.h"

namespace logvane {
namespace {

using Limits = std::numeric_limits<double>;

std::string fixed(double v) {
  char out[FIXED_TEXT_SIZE];
  return {out, format_fixed(v, out)};
}

TEST(FixedFormat, WritesSixFractionDigits) {
  EXPECT_EQ("0.000000", fixed(0.0));
  EXPECT_EQ("8.500000", fixed(8.5));
  EXPECT_EQ("47.123457", fixed(47.1234567));
  EXPECT_EQ("-3.500000", fixed(-3.5));
}

TEST(FixedFormat, RoundsTheSeventeenDigitForm) {
  // Rounding the stored double directly gives 8.000117, 120.000000, 0.000019
  // and 9000000000.007812.
  EXPECT_EQ("8.000118", fixed(8.0001175));
  EXPECT_EQ("120.000001", fixed(120.0000005));
  EXPECT_EQ("0.000020", fixed(1.95e-5));
  EXPECT_EQ("9000000000.007813", fixed(9000000000.0078125));
  // 9.9999994999999995: only the first cut digit counts, so no cascade.
  EXPECT_EQ("9.999999", fixed(9.9999995));
}

TEST(FixedFormat, Carrying) {
  EXPECT_EQ("1.000000", fixed(0.9999995));
  EXPECT_EQ("10.000000", fixed(9.9999999999999982));
  EXPECT_EQ("1000000.000000", fixed(999999.9999995));
  // 18446744073709549568 carries through its 9s at the 17th digit.
  EXPECT_EQ("18446744073709550000.000000", fixed(0x1.fffffffffffffp63));
}

TEST(FixedFormat, SeventeenDigitTiesGoToEven) {
  // Exactly halfway at the 18th digit; the 17th is the sixth fraction digit.
  EXPECT_EQ("10000000000.007812", fixed(10000000000.0078125));
  EXPECT_EQ("20000000000.007812", fixed(20000000000.0078125));
}

TEST(FixedFormat, RoundingResultZero) {
  // 5e-7 is stored as 4.99999999999999977e-7; the next double is above it.
  EXPECT_EQ("0.000000", fixed(5e-7));
  EXPECT_EQ("0.000001", fixed(std::nextafter(5e-7, 1.0)));
  EXPECT_EQ("0.000000", fixed(Limits::min()));
  EXPECT_EQ("0.000000", fixed(Limits::denorm_min()));
}

TEST(FixedFormat, NegativeKeepsItsSign) {
  EXPECT_EQ("-0.000000", fixed(-0.0));
  EXPECT_EQ("-0.000000", fixed(-0.0000001));
  EXPECT_EQ("-0.000000", fixed(-Limits::denorm_min()));
  EXPECT_EQ("-0.000020", fixed(-1.95e-5));
}

TEST(FixedFormat, PrintsEveryIntegerDigit) {
  EXPECT_EQ("9007199254740992.000000", fixed(0x1p53));
  EXPECT_EQ("9223372036854775800.000000", fixed(0x1p63));
  EXPECT_EQ("18446744073709552000.000000", fixed(0x1p64));
  EXPECT_EQ("100000000000000000.000000", fixed(1e17));
  EXPECT_EQ("10000000000000000000000.000000", fixed(1e22));
  EXPECT_EQ("99999999999999992000000.000000", fixed(1e23));
  EXPECT_EQ("10000000000000001" + std::string(284, '0') + ".000000",
            fixed(1e300));
  EXPECT_EQ("-17976931348623157" + std::string(292, '0') + ".000000",
            fixed(-Limits::max()));
}

TEST(FixedFormat, Infinities) {
  EXPECT_EQ("1.#INF00", fixed(Limits::infinity()));
  EXPECT_EQ("-1.#INF00", fixed(-Limits::infinity()));
}

TEST(FixedFormat, NotANumber) {
  EXPECT_EQ("1.#QNAN0", fixed(std::bit_cast<double>(0x7ff8000000000000)));
  EXPECT_EQ("-1.#IND00", fixed(std::bit_cast<double>(0xfff8000000000000)));
  EXPECT_EQ("-1.#QNAN0", fixed(std::bit_cast<double>(0xfff8000000000001)));
}

// glibc's "%.16e" gives the exact 17-digit form; it is laid out in full and
// cut after the sixth fraction digit as decimal text.
std::string reference(double v) {
  if (std::isinf(v)) return v < 0 ? "-1.#INF00" : "1.#INF00";
  char e[40];  // d.dddddddddddddddde+XX
  std::snprintf(e, sizeof e, "%.16e", std::fabs(v));
  const int exponent = std::atoi(e + 19);
  std::string digits = "0";  // room for a carry
  for (int place = std::max(exponent, 0); place >= -7; --place) {
    const int i = exponent - place;
    digits += i < 0 || i > 16 ? '0' : e[i == 0 ? 0 : i + 1];
  }
  const bool up = digits.back() >= '5';
  digits.pop_back();
  for (std::size_t at = digits.size() - 1; up && ++digits[at] > '9'; --at) {
    digits[at] = '0';
  }
  digits.insert(digits.size() - 6, ".");
  return (std::signbit(v) ? "-" : "") + digits.substr(digits[0] == '0');
}

// Every magnitude, weighted towards where the roundings are decided: typical
// coordinates, x.xxxxxx5 spellings, dyadic values (which tie at the 18th
// digit) and powers of ten, with close neighbours.
double draw(std::mt19937_64& rng, int kind) {
  const double sign = rng() & 1 ? -1.0 : 1.0;
  const auto nudge = [&](double v) {
    for (auto steps = rng() % 4; steps > 0; --steps) {
      v = std::nextafter(v, rng() & 1 ? 0.0 : 2 * v);
    }
    return v;
  };
  // Each draw is taken into a local first: the order in which a call's
  // arguments are evaluated is up to the compiler.
  const std::uint64_t a = rng();
  const std::uint64_t b = rng();
  const std::uint64_t c = rng();
  const double ranges[] = {180.0, 90.0, 9000.0, 1.0};
  char text[64];
  switch (kind) {
    case 0:
      return std::isnan(std::bit_cast<double>(a)) ? 0.0
                                                  : std::bit_cast<double>(a);
    case 1:
      return sign * ranges[a % 4] * static_cast<double>(b >> 11) * 0x1p-53;
    case 2:
      std::snprintf(text, sizeof text, "%llu.%06llu5",
                    static_cast<unsigned long long>(a >> (24 + b % 40)),
                    static_cast<unsigned long long>(c % 1000000));
      return sign * nudge(std::strtod(text, nullptr));
    case 3:
      return sign * std::ldexp(static_cast<double>(a >> (11 + b % 53)),
                               static_cast<int>(c % 120) - 92);
    default:
      return sign * nudge(std::pow(10.0, static_cast<int>(a % 80) - 40) *
                          (b % 2 ? 1.0 : 5.0));
  }
}

void expect_matches_reference(std::uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  for (int i = 0; i < count; ++i) {
    const double v = draw(rng, i % 5);
    ASSERT_EQ(reference(v), fixed(v)) << std::hexfloat << v;
  }
}

TEST(FixedFormat, MatchesExactReference) {
  expect_matches_reference(20240601, 2'000'000);
}

TEST(FixedFormat, MatchesExactReferenceLongSweep) {
  SKIP_UNLESS_LONG_SWEEPS();
  expect_matches_reference(987654321, 20'000'000);
}

// "[sign] digits [. digits]", weighted towards where the digits as written
// stop deciding the form: decimals past the sixth near a half (5, 49999,
// 50001), 9 or 10 integer digits, 15 or 16 digits in all, and 9s that carry.
std::string plain_spelling(std::mt19937_64& rng) {
  const auto below = [&](unsigned n) {
    return static_cast<unsigned>(rng() % n);
  };
  const auto digits = [&](unsigned n, char only = 0) {
    std::string out;
    for (unsigned i = 0; i < n; ++i) {
      out += only != 0 ? only : static_cast<char>('0' + below(10));
    }
    return out;
  };
  static const char* const tails[] = {"5",     "50",        "500000000",
                                      "4",     "6",         "49999",
                                      "50001", "499999999", "500001"};
  std::string text = std::string(below(3), '-').substr(0, 1);
  if (text.empty() && below(8) == 0) text = "+";
  if (below(8) == 0) text += digits(1 + below(3), '0');
  const unsigned integer_digits = below(11);
  text += digits(integer_digits, below(6) == 0 ? '9' : 0);
  if (integer_digits == 0 || below(8) != 0) {
    text += '.';
    if (below(2) == 0) {
      text += digits(6, below(4) == 0 ? '9' : 0) + tails[below(9)];
    } else {
      text += digits(below(17));
    }
  }
  return text == "." || text == "-." || text == "+." ? "0" : text;
}

// The form format_fixed_digits writes for a plain spelling, or "double"
// when it leaves the number to the double. The 16 bytes after the spelling
// are digits, so that any use of them would show.
std::string from_digits(const std::string& text) {
  const std::string padded = text + "7919191919191919";
  const char* const begin = padded.data();
  const char* const end = begin + text.size();
  const char* const point = std::find(begin, end, '.');
  char out[FIXED_TEXT_SIZE];
  const std::size_t size = format_fixed_digits(begin, point, end, out);
  return size == 0 ? "double" : std::string(out, size);
}

// The digits-as-written form against the double route, which the read and
// format_fixed give; counts how often the digits decided.
void expect_digits_match_double_route(std::uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  int decided = 0;
  for (int i = 0; i < count; ++i) {
    const std::string text = plain_spelling(rng);
    const std::string got = from_digits(text);
    if (got == "double") continue;
    ++decided;
    MemorySource in_bytes(text.data(), text.size());
    TextReader in(in_bytes);
    double value = 0.0;
    ASSERT_EQ(SCAN_CONVERTED, scan_double(in, &value)) << text;
    ASSERT_EQ(fixed(value), got) << text;
  }
  // Most spellings are decided by their digits; the rest are the point.
  EXPECT_GT(decided, count / 3);
  EXPECT_LT(decided, count - count / 20);
}

TEST(FixedFormat, DigitsAsWrittenMatchTheDoubleRoute) {
  expect_digits_match_double_route(4242, 400'000);
}

TEST(FixedFormat, DigitsAsWrittenMatchTheDoubleRouteLongSweep) {
  SKIP_UNLESS_LONG_SWEEPS();
  expect_digits_match_double_route(777, 20'000'000);
}

TEST(FixedFormat, DigitsAsWrittenOnlyWhereTheyDecide) {
  EXPECT_EQ("8.545043", from_digits("8.545042775"));
  EXPECT_EQ("406.000000", from_digits("406"));
  EXPECT_EQ("-0.000000", from_digits("-0.0000001"));
  EXPECT_EQ("-0.000000", from_digits("-0"));
  EXPECT_EQ("0.500000", from_digits("+.5"));
  EXPECT_EQ("5.000000", from_digits("5."));
  EXPECT_EQ("1.000000", from_digits("0.99999951"));
  EXPECT_EQ("20.000000", from_digits("19.9999996"));
  EXPECT_EQ("999999999.000000", from_digits("999999999"));
  EXPECT_EQ("1.123457", from_digits("1.12345650000001"));
  EXPECT_EQ("double", from_digits("9.9999995"));  // the double prints 9.999999
  EXPECT_EQ("double", from_digits("8.00011750"));
  EXPECT_EQ("double", from_digits("9.99999951"));
  EXPECT_EQ("double", from_digits("001.5"));
  EXPECT_EQ("double", from_digits("1000000000"));
  EXPECT_EQ("double", from_digits("1.123456500000001"));
}

}  // namespace
}  // namespace logvane
