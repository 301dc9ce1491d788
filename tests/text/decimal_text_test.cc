#include "text/decimal_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "support/long_sweep.h"
#include "support/midpoint.h"

namespace logvane {
namespace {

// glibc's strtod and wasi-libc's round any number of digits correctly; the
// Windows builds' C library is not relied on for hundreds of them.
#ifndef _WIN32
// What the number read hands over: digits d1...dn and the power of the last
// one, for the value 0.d1...dn * 10^scale with scale in [-330, 310] (outside
// it the read needs no rounding). The first digit is not 0.
struct DecimalText {
  std::string text;
  long scale;
};

DecimalText random_text(std::mt19937_64& random) {
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::string digits;
  long scale = 0;
  if (below(3) == 0) {
    // The midpoint between two doubles, or just above it.
    const std::string spelled =
        midpoint(std::bit_cast<double>(random() & 0x7fef'ffff'ffff'ffff));
    const std::size_t e = spelled.find('e');
    digits = spelled.substr(0, e).erase(1, 1);
    scale = std::stol(spelled.substr(e + 1)) + 1;
    if (below(2) == 0) digits += '1';
  } else {
    const unsigned count = below(4) == 0 ? 1 + below(800) : 1 + below(25);
    digits += static_cast<char>('1' + below(9));
    while (digits.size() < count) digits += static_cast<char>('0' + below(10));
    // Around the largest double, the smallest normal one and the smallest
    // subnormal one, or anywhere.
    static const long edges[] = {309, -307, -323};
    scale = below(2) == 0 ? edges[below(3)] + static_cast<long>(below(5)) - 2
                          : static_cast<long>(below(641)) - 330;
  }
  const long power = scale - static_cast<long>(digits.size());
  return {digits + "e" + std::to_string(power), scale};
}

TEST(DecimalText, MatchesStrtod) {
  // The route differs between builds: the run names the one it checked.
  const char* const route =
      HAS_FLOATING_FROM_CHARS ? "std::from_chars" : "fast_float";
  RecordProperty("decimal_route", route);
  SCOPED_TRACE(route);
  const int cases = long_sweeps_wanted() ? 10'000'000 : 100'000;
  std::mt19937_64 random(12345);
  int failures = 0;
  for (int i = 0; i < cases && failures < 10; ++i) {
    const DecimalText decimal = random_text(random);
    const char* const first = decimal.text.c_str();
    double got = 42.0;
    const auto result =
        read_decimal_text(first, first + decimal.text.size(), got);
    // The number read takes an out-of-range result to an infinity or zero.
    if (result.ec == std::errc::result_out_of_range) {
      got = decimal.scale > 0 ? HUGE_VAL : 0.0;
    }
    const double expected = std::strtod(first, nullptr);
    if (result.ptr != first + decimal.text.size() ||
        std::bit_cast<std::uint64_t>(got) !=
            std::bit_cast<std::uint64_t>(expected)) {
      ADD_FAILURE() << decimal.text << " gives " << got << ", not " << expected;
      ++failures;
    }
  }
}
#endif

}  // namespace
}  // namespace logvane
