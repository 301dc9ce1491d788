#include "text/fixed_format.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>


namespace logvane {

namespace {

// A 64 x 64 -> 128-bit product, split by a shift of 0 to 63 bits: the
// compiler's 128-bit integer where it has one (64-bit targets), else four
// 32-bit products, as on 32-bit targets.
#ifdef __SIZEOF_INT128__
__extension__ typedef unsigned __int128 Uint128;

inline Uint128 multiply_wide(std::uint64_t a, std::uint64_t b) {
  return Uint128{a} * b;
}
inline std::uint64_t low_bits(Uint128 value) {
  return static_cast<std::uint64_t>(value);
}
inline std::uint64_t shift_right(Uint128 value, int shift) {
  return static_cast<std::uint64_t>(value >> shift);
}
#else
struct Uint128 {
  std::uint64_t high;
  std::uint64_t low;
};

inline Uint128 multiply_wide(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t HALF = 0xffffffff;
  const std::uint64_t low_low = (a & HALF) * (b & HALF);
  const std::uint64_t high_low = (a >> 32) * (b & HALF);
  const std::uint64_t low_high = (a & HALF) * (b >> 32);
  const std::uint64_t high_high = (a >> 32) * (b >> 32);
  // low_high is at most (2^32 - 1)^2: adding two values below 2^32 to it
  // cannot overflow.
  const std::uint64_t middle = (low_low >> 32) + (high_low & HALF) + low_high;
  return {high_high + (high_low >> 32) + (middle >> 32),
          (middle << 32) | (low_low & HALF)};
}
inline std::uint64_t low_bits(Uint128 value) { return value.low; }
inline std::uint64_t shift_right(Uint128 value, int shift) {
  // Two shifts of the high word keep each below 64 bits when shift is 0.
  return (value.low >> shift) | ((value.high << 1) << (63 - shift));
}
#endif

constexpr int MANTISSA_BITS = 52;
constexpr int EXPONENT_BIAS = 1023;
constexpr int EXPONENT_ALL_ONES = 0x7ff;
constexpr std::uint64_t MANTISSA_MASK = (std::uint64_t{1} << MANTISSA_BITS) - 1;
constexpr std::uint64_t QUIET_BIT = std::uint64_t{1} << (MANTISSA_BITS - 1);

// Below 2^-21 (about 4.77e-7) even the 17-digit form is under 5e-7, so both
// roundings give zero.
constexpr int SMALLEST_NONZERO_EXPONENT = -21;
constexpr int FRACTION_DIGITS = 6;
constexpr int SIGNIFICANT_DIGITS = 17;

template <std::size_t COUNT>
constexpr std::array<std::uint64_t, COUNT> make_powers(std::uint64_t base) {
  std::array<std::uint64_t, COUNT> powers{};
  std::uint64_t power = 1;
  for (std::uint64_t& entry : powers) {
    entry = power;
    power *= base;
  }
  return powers;
}

constexpr std::array<std::uint64_t, 20> POW10 = make_powers<20>(10);
// 5^23 is the largest factor needed: a value just above 2^-21 keeps 23
// fraction places in its 17-digit form.
constexpr std::array<std::uint64_t, 24> POW5 = make_powers<24>(5);

constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536"
    "37383940414243444546474849505152535455565758596061626364656667686970717273"
    "7475767778798081828384858687888990919293949596979899";

inline void write_pair(char* out, std::uint64_t pair) {
  std::memcpy(out, DIGIT_PAIRS + 2 * pair, 2);
}

// Counts 0 as one digit. The guess is floor(bits * log10(2)), the count or
// one less; or-ing in 1 changes no comparison with 10^guess.
inline int count_digits(std::uint64_t value) {
  value |= 1;
  const int guess = static_cast<int>(std::bit_width(value)) * 1233 >> 12;
  return guess + (value >= POW10[static_cast<std::size_t>(guess)]);
}

// The printed value: integer digits, then zeros standing for the places
// below the 17th significant digit, then millionths (below 10^6).
struct FixedParts {
  std::uint64_t integer = 0;
  int zeros = 0;
  std::uint64_t fraction = 0;
};

char* write_parts(char* out, const FixedParts& parts) {
  std::uint64_t integer = parts.integer;
  char* const point = out + count_digits(integer);
  char* next = point;
  while (integer >= 100) {
    next -= 2;
    write_pair(next, integer % 100);
    integer /= 100;
  }
  if (integer >= 10) {
    write_pair(next - 2, integer);
  } else {
    next[-1] = static_cast<char>('0' + integer);
  }
  if (parts.zeros > 0) {
    std::memset(point, '0', static_cast<std::size_t>(parts.zeros));
  }
  next = point + parts.zeros;

  // y / 2^32 is fraction / 10^4 with an error below 7e-5, small enough that
  // the top bits of each step are the next two digits.
  *next = '.';
  std::uint64_t y = parts.fraction * 429497;  // ceil(2^32 / 10^4)
  write_pair(next + 1, y >> 32);
  y = (y & 0xffffffff) * 100;
  write_pair(next + 3, y >> 32);
  y = (y & 0xffffffff) * 100;
  write_pair(next + 5, y >> 32);
  return next + 1 + FRACTION_DIGITS;
}

// The usual case, 2^-17 <= v < 2^32, rounded straight from the binary value:
// v * 10^6 = mantissa * 5^6 / 2^shift with shift = 46 - exponent2. The
// 17-digit rounding moves v * 10^6 by at most half of 10^(leading place - 10),
// less than 2^13 units of 2^-shift as 10^leading place < 2^(exponent2 + 1).
// Below 10^10 a half millionth is itself a 17-digit value, so the rounding
// can only lift a remainder that close below one half up to it; those values
// are left to round_seventeen_digits (false).
constexpr int SMALLEST_MILLIONTHS_EXPONENT = -17;
constexpr int LARGEST_MILLIONTHS_EXPONENT = 31;
constexpr std::uint64_t LIFT_WINDOW = std::uint64_t{1} << 14;

inline bool round_millionths(std::uint64_t mantissa, int exponent2,
                             FixedParts& parts) {
  const int shift = MANTISSA_BITS - FRACTION_DIGITS - exponent2;  // 15 to 63
  const Uint128 scaled = multiply_wide(mantissa, POW5[FRACTION_DIGITS]);
  const std::uint64_t truncated = shift_right(scaled, shift);
  const std::uint64_t twice_rest =
      (low_bits(scaled) & ((std::uint64_t{1} << shift) - 1)) << 1;
  const std::uint64_t one = std::uint64_t{1} << shift;
  // twice_rest in [one - LIFT_WINDOW, one), as one comparison: which side
  // of the half a value falls on is a coin toss for the branch predictor.
  if (one - 1 - twice_rest < LIFT_WINDOW) return false;
  const std::uint64_t millionths = truncated + (twice_rest >= one);
  parts.integer = millionths / 1000000;
  parts.fraction = millionths % 1000000;
  return true;
}

// Any value with a fraction bit and binary exponent in [-21, 51], found
// through its 17-digit form in 128-bit arithmetic: mantissa * 10^places /
// 2^fraction_bits is mantissa * 5^places / 2^(fraction_bits - places), which
// stays below 2^107.
FixedParts round_seventeen_digits(std::uint64_t mantissa, int exponent2) {
  const int fraction_bits = MANTISSA_BITS - exponent2;
  // floor(exponent2 * log10(2)): the value's leading digit is at this place
  // or the next one up.
  const int leading_place = exponent2 * 78913 >> 18;
  int places = SIGNIFICANT_DIGITS - 1 - leading_place;
  const int shift = fraction_bits - places;  // 0 to 50
  const Uint128 scaled =
      multiply_wide(mantissa, POW5[static_cast<std::size_t>(places)]);
  std::uint64_t digits = shift_right(scaled, shift);
  const std::uint64_t rest =
      low_bits(scaled) & ((std::uint64_t{1} << shift) - 1);

  // Round to 17 significant digits, half to even.
  if (digits >= POW10[SIGNIFICANT_DIGITS]) {
    const std::uint64_t cut = digits % 10;
    digits /= 10;
    --places;
    if (cut > 5 || (cut == 5 && (rest != 0 || (digits & 1) != 0))) ++digits;
  } else {
    const std::uint64_t twice_rest = rest << 1;
    const std::uint64_t one = std::uint64_t{1} << shift;
    if (twice_rest > one || (twice_rest == one && (digits & 1) != 0)) ++digits;
  }
  // digits * 10^-places is now the 17-digit form; a carry may have made
  // digits 10^17, which has the same value as 10^16 one place up.

  FixedParts parts;
  if (places > FRACTION_DIGITS) {
    const std::uint64_t unit =
        POW10[static_cast<std::size_t>(places - FRACTION_DIGITS)];
    // Adding half a unit rounds up exactly when the first cut digit is 5 or
    // more; the digits below it cannot carry into it.
    const std::uint64_t millionths = (digits + unit / 2) / unit;
    parts.integer = millionths / 1000000;
    parts.fraction = millionths % 1000000;
  } else {
    const std::uint64_t unit = POW10[static_cast<std::size_t>(places)];
    parts.integer = digits / unit;
    parts.fraction = digits % unit *
                     POW10[static_cast<std::size_t>(FRACTION_DIGITS - places)];
  }
  return parts;
}

// An integer below 2^64: exact, rounded to 17 significant digits when longer.
FixedParts round_integer(std::uint64_t integer) {
  FixedParts parts;
  parts.integer = integer;
  const int digit_count = count_digits(integer);
  if (digit_count > SIGNIFICANT_DIGITS) {
    parts.zeros = digit_count - SIGNIFICANT_DIGITS;
    const std::uint64_t unit = POW10[static_cast<std::size_t>(parts.zeros)];
    parts.integer = integer / unit;
    // No tie to break: an exact half of 10^zeros has at most two factors of
    // 2, and an integer this large has at least 2^4.
    if (integer % unit * 2 >= unit) ++parts.integer;
  }
  return parts;
}

// From 2^64 up the value is an integer of 20 or more digits, so only the
// 17-digit rounding applies: to_chars gives those digits exactly, as
// d.dddddddddddddddde+dd[d].
FixedParts round_large(double magnitude) {
  char scientific[32];
  const std::to_chars_result printed =
      std::to_chars(scientific, scientific + sizeof scientific, magnitude,
                    std::chars_format::scientific, SIGNIFICANT_DIGITS - 1);
  FixedParts parts;
  parts.integer = static_cast<std::uint64_t>(scientific[0] - '0');
  for (int i = 2; i <= SIGNIFICANT_DIGITS; ++i) {
    parts.integer =
        parts.integer * 10 + static_cast<std::uint64_t>(scientific[i] - '0');
  }
  int exponent = 0;
  std::from_chars(scientific + SIGNIFICANT_DIGITS + 3, printed.ptr, exponent);
  parts.zeros = exponent - (SIGNIFICANT_DIGITS - 1);
  return parts;
}

char* write_text(char* out, const char* text) {
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

}  // namespace

std::size_t format_fixed(double value, char* out) noexcept {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int biased_exponent =
      static_cast<int>(bits >> MANTISSA_BITS) & EXPONENT_ALL_ONES;
  const std::uint64_t stored_mantissa = bits & MANTISSA_MASK;
  const bool negative = (bits >> 63) != 0;
  char* next = out;
  // The sign stays even when the value prints as zero.
  if (negative) *next++ = '-';

  if (biased_exponent == EXPONENT_ALL_ONES) {
    // The old runtime's spellings: 1.#INF00 for an infinity, -1.#IND00 for
    // the default NaN that invalid operations produce (negative, quiet, no
    // payload), and 1.#QNAN0 after the sign for any other NaN.
    if (stored_mantissa == 0) {
      next = write_text(next, "1.#INF00");
    } else if (negative && stored_mantissa == QUIET_BIT) {
      next = write_text(next, "1.#IND00");
    } else {
      next = write_text(next, "1.#QNAN0");
    }
    return static_cast<std::size_t>(next - out);
  }

  const int exponent2 = biased_exponent - EXPONENT_BIAS;
  const std::uint64_t mantissa =
      stored_mantissa | (std::uint64_t{1} << MANTISSA_BITS);
  FixedParts parts;
  if (exponent2 < SMALLEST_NONZERO_EXPONENT) {
    // Zero and subnormals among them: parts stay zero.
  } else if (exponent2 >= SMALLEST_MILLIONTHS_EXPONENT &&
             exponent2 <= LARGEST_MILLIONTHS_EXPONENT &&
             round_millionths(mantissa, exponent2, parts)) {
    // Decided without the 17-digit form.
  } else if (exponent2 < MANTISSA_BITS) {
    parts = round_seventeen_digits(mantissa, exponent2);
  } else if (exponent2 < 64) {
    parts = round_integer(mantissa << (exponent2 - MANTISSA_BITS));
  } else {
    parts = round_large(value < 0 ? -value : value);
  }
  next = write_parts(next, parts);
  return static_cast<std::size_t>(next - out);
}

}  // namespace logvane
