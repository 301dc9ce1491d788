#include "text/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "log/track_log.h"
#include "support/byte_streams.h"
#include "support/long_sweep.h"
#include "support/midpoint.h"
#include "support/reader_cases.h"
#include "text/decimal_text.h"

namespace logvane {
namespace {

std::string rest(TextReader& in) {
  std::string out;
  for (int c; (c = in.peek()) >= 0; in.advance()) out += static_cast<char>(c);
  return out;
}

std::string shown(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// read(in) describes one read; the text left after it follows a "|". Every
// chunk limit must give what the whole buffer gives.
template <class Read>
std::string at_every_chunk(const std::string& input, Read read) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    SplittingSource in_bytes(input, chunk);
    TextReader in(in_bytes);
    std::string got = read(in);  // before rest(in): + does not order them
    return got + "|" + shorten(rest(in));
  });
}

const char* status_name(ScanStatus status) {
  return status == SCAN_CONVERTED ? "ok" : status == SCAN_END ? "end" : "fail";
}

// "value|rest", "fail|rest" or "end|rest"; skip_double must stop at the
// same place, and a failed read must leave the value as it was.
std::string number(const std::string& input) {
  const std::string scanned = at_every_chunk(input, [](TextReader& in) {
    double value = 42.0;
    const ScanStatus status = scan_double(in, &value);
    if (status == SCAN_CONVERTED) return "ok " + shown(value);
    return status_name(status) + std::string(value == 42.0 ? "" : " changed");
  });
  const std::string skipped = at_every_chunk(input, [](TextReader& in) {
    return std::string(status_name(skip_double(in)));
  });
  const std::string kind = scanned.substr(0, scanned.find_first_of(" |"));
  if (kind + scanned.substr(scanned.find('|')) != skipped) {
    return scanned + " but skip_double gives " + skipped;
  }
  return scanned.starts_with("ok ") ? scanned.substr(3) : scanned;
}

TEST(Scan, NumberStopsWhereItsSyntaxEnds) {
  EXPECT_EQ("8.5|ast", number("8.5east"));
  EXPECT_EQ("8.5|deg", number("8.5deg"));
  EXPECT_EQ("8.5|", number("8.5e"));
  EXPECT_EQ("8.5|x", number("8.5E-x"));
  EXPECT_EQ("0.84999999999999998| z", number(" \t\n\r\v\f8.5E-1 z"));
  EXPECT_EQ("-12|", number("-1.2E+01"));
  EXPECT_EQ("-0|", number("-0"));
  EXPECT_EQ("0.5|", number("+.5"));
  EXPECT_EQ("1.5|", number("0001.5"));
  EXPECT_EQ("fail|", number("."));
  EXPECT_EQ("fail|", number("-"));
  EXPECT_EQ("fail|-1", number("+-1"));
  EXPECT_EQ("fail|e5", number("-.e5"));
  EXPECT_EQ("0|x10", number("0x10"));
  EXPECT_EQ("fail|inf", number("inf"));
  EXPECT_EQ("fail|nan", number("nan"));
  EXPECT_EQ("8|,5", number("8,5"));
  EXPECT_EQ("end|", number(" \r\n\t"));
  EXPECT_EQ("end|", number("\x1a 5"));
  EXPECT_EQ("1|", number("1\x1a 5"));
}

TEST(Scan, NumberBeyondTheRangeOfADouble) {
  EXPECT_EQ("inf|", number("1e999"));
  EXPECT_EQ("-inf|x", number("-1e999x"));
  EXPECT_EQ("1.7976931348623157e+308|", number("1.7976931348623158e308"));
  EXPECT_EQ("inf|", number("1.7976931348623159e308"));
  EXPECT_EQ("0|", number("1e-400"));
  EXPECT_EQ("-0|", number("-1e-400"));
  EXPECT_EQ("2.2250738585072009e-308|", number("2.2250738585072009e-308"));
  EXPECT_EQ("4.9406564584124654e-324|", number("2.4703282292062328e-324"));
  EXPECT_EQ("0|", number("2.4703282292062327e-324"));
  EXPECT_EQ("9.8813129168249309e-324|", number("7.4109846876186982e-324"));
  EXPECT_EQ("4.9406564584124654e-324|", number("7.4109846876186981e-324"));
  EXPECT_EQ("inf|", number("1e99999999999999999999"));
}

TEST(Scan, NumberRoundsOnceToNearestEven) {
  EXPECT_EQ("9007199254740992|", number("9007199254740993"));
  EXPECT_EQ("9007199254740996|", number("9007199254740995"));
  EXPECT_EQ("9007199254740994|", number("9007199254740993.00000000001"));
  EXPECT_EQ("1|",
            number("1.00000000000000011102230246251565404236316680908203125"));
  EXPECT_EQ("1.0000000000000002|",
            number("1.000000000000000111022302462515654042363166809082031251"));
  EXPECT_EQ("9.9999999999999992e+22|", number("1e23"));
  EXPECT_EQ("1.2345678901234568e+29|",
            number("123456789012345678901234567890"));
  EXPECT_EQ("123456789012345.67|", number("123456789012345.67"));
  // Half-millionths and their neighbours: a division rounded first to the
  // x87's 64 bits, then to 53, gives the double below these.
  EXPECT_EQ("17.624291500000002|", number("17.6242915"));
  for (const char* text :
       {"17.6242915", "-17.6242915", "1.76242915e1", "176242915e-7",
        "17.62429149999999", "17.62429150000001", "18.6738035", "255.0232405",
        "236.037206501", "323.96032151", "137.42088459", "0202.421678"}) {
    double exact = 0.0;
    read_decimal_text(text, text + std::strlen(text), exact);
    EXPECT_EQ(shown(exact) + "|", number(text)) << text;
  }
}

TEST(Scan, NumberOfAMillionDigits) {
  const std::size_t million = 1'000'000;
  EXPECT_EQ("1|", number("0." + std::string(million - 1, '0') + "1e1000000"));
  EXPECT_EQ(
      "1.7976931348623157e+308|",
      number("0." + std::string(million, '0') + "17976931348623157e+1000309"));
  EXPECT_EQ("1| x", number("1" + std::string(million - 1, '0') + "e-999999 x"));
  EXPECT_EQ("0.33333333333333331|",
            number(std::string(million, '3') + "e-1000000"));
  EXPECT_EQ("1|", number("0." + std::string(million, '9')));
  EXPECT_EQ("10|", number("1e" + std::string(million, '0') + "1"));
  EXPECT_EQ("-0|", number("-1e-" + std::string(million, '9')));
}

// Puts tail right after the last digit of a spelling "d.ddd...e-308".
std::string with_tail(const std::string& spelled, const std::string& tail) {
  const std::size_t e = spelled.find('e');
  return spelled.substr(0, e) + tail + spelled.substr(e);
}

TEST(Scan, NumberDecidedPastEightHundredDigits) {
  // Subnormal midpoints have about 767 significant digits; the first of each
  // pair has an even significand, the second an odd one.
  const double even = std::ldexp(0x1p52 - 2, -1074);
  const double odd = std::ldexp(0x1p52 - 3, -1074);
  const std::string half_even = midpoint(even);
  const std::string half_odd = midpoint(odd);
  ASSERT_GT(half_even.size(), 760u);
  const std::string zeros(300, '0');
  EXPECT_EQ(shown(even) + "|", number(half_even));
  EXPECT_EQ(shown(even) + "|", number(with_tail(half_even, zeros + zeros)));
  EXPECT_EQ(shown(std::nextafter(even, 1.0)) + "|",
            number(with_tail(half_even, zeros + "1")));
  EXPECT_EQ(shown(std::nextafter(even, 1.0)) + "|",
            number(with_tail(half_even, std::string(999'000, '0') + "1")));
  EXPECT_EQ(shown(std::nextafter(odd, 1.0)) + "|", number(half_odd));
  // Just below the midpoint: a last 5 made 4, then nines to far past 800.
  std::string below = half_odd;
  below[below.find('e') - 1] = '4';
  EXPECT_EQ(shown(odd) + "|", number(with_tail(below, zeros + zeros)));
  EXPECT_EQ(shown(odd) + "|", number(with_tail(below, std::string(1000, '9'))));
}

// The text a "%lf" read takes from text, by its syntax alone.
std::size_t number_span(const std::string& text, std::size_t i,
                        bool* any_digit) {
  auto digit = [&](std::size_t at) {
    return at < text.size() && text[at] >= '0' && text[at] <= '9';
  };
  *any_digit = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; digit(i); ++i) *any_digit = true;
  if (i < text.size() && text[i] == '.') {
    for (++i; digit(i); ++i) *any_digit = true;
  }
  if (*any_digit && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (digit(i)) ++i;
  }
  return i;
}

std::string random_spelling(std::mt19937_64& random) {
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  auto digits = [&](unsigned n) {
    std::string out;
    for (unsigned i = 0; i < n; ++i) out += static_cast<char>('0' + below(10));
    return out;
  };
  std::string text;
  if (below(4) == 0) text += " \t\n"[below(3)];
  const unsigned kind = below(20);
  if (kind == 0) {
    const double low = std::bit_cast<double>(random() & 0x7fef'ffff'ffff'ffff);
    std::string spelled = midpoint(low);
    if (below(3) == 0) spelled = with_tail(spelled, digits(below(40)));
    if (below(2) == 0) text += '-';
    text += spelled;
  } else if (kind < 4) {
    char spelled[48];
    std::snprintf(spelled, sizeof spelled, "%.*g", static_cast<int>(below(26)),
                  std::bit_cast<double>(random()));
    text += spelled;
  } else {
    const unsigned sign = below(3);
    if (sign != 0) text += "+-"[sign - 1];
    text.append(below(4), '0');
    text += digits(below(26));
    if (below(2) == 0) text += "." + digits(below(26));
    if (below(2) == 0) {
      text += "eE"[below(2)];
      if (below(2) == 0) text += "+-"[below(2)];
      static const int exponents[] = {0,   5,   22,  23,  290, 300, 308,
                                      309, 310, 320, 324, 330, 345, 400};
      const int exponent = exponents[below(14)] + static_cast<int>(below(3));
      if (below(6) != 0) text += std::to_string(exponent);
    }
  }
  static const char* const tails[] = {"", " 7", "e", "E+", "e-x", ".5", "-1"};
  return text + tails[below(7)];
}

TEST(Scan, NumberMatchesStrtodOnRandomSpellings) {
  // Long numbers are rounded by the library's std::from_chars or, where it
  // has none, by fast_float: the run names the one it checked.
  const char* const route =
      HAS_FLOATING_FROM_CHARS ? "std::from_chars" : "fast_float";
  RecordProperty("long_number_route", route);
  SCOPED_TRACE(route);
  const int cases = long_sweeps_wanted() ? 10'000'000 : 300'000;
  std::mt19937_64 random(12345);
  int failures = 0;
  for (int i = 0; i < cases && failures < 10; ++i) {
    const std::string text = random_spelling(random);
    const std::size_t start = text.find_first_not_of(" \t\n");
    if (start == std::string::npos) continue;
    bool any_digit = false;
    const std::size_t stop = number_span(text, start, &any_digit);
    double expected = 42.0;
    if (any_digit) {
      expected = std::strtod(text.substr(start, stop - start).c_str(), nullptr);
    }
    SplittingSource in_bytes(text, CHUNK_LIMITS[i % 5]);
    TextReader in(in_bytes);
    double value = 42.0;
    const ScanStatus status = scan_double(in, &value);
    const std::size_t left = rest(in).size();
    if ((status == SCAN_CONVERTED) != any_digit || left != text.size() - stop ||
        std::bit_cast<std::uint64_t>(value) !=
            std::bit_cast<std::uint64_t>(expected)) {
      ADD_FAILURE() << "\"" << shorten(text) << "\" gives " << shown(value)
                    << " leaving " << left << ", not " << shown(expected)
                    << " leaving " << text.size() - stop;
      ++failures;
    }
  }
}

TEST(Scan, IntegerTakesSignAndDigits) {
  auto integer = [](const std::string& input) {
    return at_every_chunk(input, [](TextReader& in) {
      return std::string(status_name(scan_int(in)));
    });
  };
  EXPECT_EQ("ok| x", integer("42 x"));
  EXPECT_EQ("ok|x", integer(" \n-7x"));
  EXPECT_EQ("ok|", integer("+7"));
  EXPECT_EQ("ok|.5", integer("3.5"));
  EXPECT_EQ("ok|x1A", integer("0x1A"));
  EXPECT_EQ("ok| z", integer("-99999999999999999999999 z"));
  EXPECT_EQ("fail|", integer("-"));
  EXPECT_EQ("fail|x", integer("+x"));
  EXPECT_EQ("fail|-1", integer("+-1"));
  EXPECT_EQ("end|", integer(" \t\r\n"));
  EXPECT_EQ("end|", integer("\x1a 7"));
}

// Each read_line piece as its length, "$" if it ends with a line feed.
std::string line_pieces(const std::string& input) {
  return at_every_chunk(input, [](TextReader& in) {
    std::vector<char> line(LINE_BUFFER_SIZE);
    std::string pieces;
    while (read_line(in, line.data(), line.size())) {
      const std::size_t length = std::strlen(line.data());
      const bool line_end = length > 0 && line[length - 1] == '\n';
      pieces += std::to_string(length - line_end) + (line_end ? "$ " : " ");
    }
    return pieces + "end";
  });
}

TEST(Scan, LineReadTakesAtMost4095Characters) {
  const std::string x(8190, 'x');
  EXPECT_EQ("4094$ 2$ end|", line_pieces(x.substr(0, 4094) + "\nab\n"));
  EXPECT_EQ("4095 0$ 2$ end|", line_pieces(x.substr(0, 4095) + "\nab\n"));
  EXPECT_EQ("4095 1$ end|", line_pieces(x.substr(0, 4096) + "\n"));
  EXPECT_EQ("4095 905$ end|", line_pieces(x.substr(0, 5000) + "\n"));
  EXPECT_EQ("4095 4095 0$ end|", line_pieces(x + "\n"));
  EXPECT_EQ("4095 905 end|", line_pieces(x.substr(0, 5000)));
  // A CR LF counts as one character, even when it takes the last place.
  EXPECT_EQ("4094$ 2$ end|", line_pieces(x.substr(0, 4094) + "\r\nab\r\n"));
  EXPECT_EQ("4095 0$ end|", line_pieces(x.substr(0, 4095) + "\r\n"));
  EXPECT_EQ("4095 2$ end|", line_pieces(x.substr(0, 4094) + "\rab\n"));
  EXPECT_EQ("4095 0$ end|", line_pieces(x.substr(0, 4094) + "\r\r\n"));
  EXPECT_EQ("3$ 2 end|", line_pieces("a\rb\r\ncd"));
  EXPECT_EQ("0$ 0$ 1 end|", line_pieces("\n\r\n\r"));
  EXPECT_EQ("1$ end|", line_pieces("a\n\x1a x\n"));
  EXPECT_EQ("end|", line_pieces(""));
  EXPECT_EQ("end|", line_pieces("\x1a\n"));
}

TEST(Scan, WordEndsAtScanWhitespaceOnly) {
  auto word = [](const std::string& input) {
    return at_every_chunk(input, [](TextReader& in) {
      return std::string(status_name(read_word(in)));
    });
  };
  EXPECT_EQ("ok| def", word("abc def"));
  EXPECT_EQ("ok| def", word(" \t\n\r\v\fabc def"));
  EXPECT_EQ("ok|\rb", word("a\rb"));
  EXPECT_EQ("ok|\nb", word("a\r\nb"));
  EXPECT_EQ("ok| c", word(std::string("a\0b c", 5)));
  EXPECT_EQ("ok| c", word("\xA0\x85\x1c\x1f c"));
  EXPECT_EQ("ok|", word("a\x1a b"));
  EXPECT_EQ("end|", word("\x1a xyz"));
  EXPECT_EQ("end|", word(" \t\r\n\v\f"));
  EXPECT_EQ("ok| tail", word(std::string(100'000, 'w') + " tail"));
}

}  // namespace
}  // namespace logvane
