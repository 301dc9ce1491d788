#ifndef LOGVANE_TEXT_FIXED_FORMAT_H_
#define LOGVANE_TEXT_FIXED_FORMAT_H_

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace logvane {

/// Longest text format_fixed writes: sign, 309 integer digits, point, six
/// digits.
constexpr std::size_t FIXED_TEXT_SIZE = 320;

/// Writes value in the "%f" form into out: an optional minus sign, the
/// integer digits, a point and six digits. The value is first rounded to 17
/// significant digits (places beyond them print as 0), and that decimal form
/// is then cut after six fraction digits, rounding up on 5 or more. A
/// negative value keeps its sign even when it prints as zero; infinities are
/// 1.#INF00 and -1.#INF00. Returns the number of bytes written (no NUL).
std::size_t format_fixed(double value, char* out) noexcept;

// A value x below 10^9 reads as a double within 2^-52 x of it, and the
// double's 17-digit form lies within half a unit of its 17th digit of that:
// all in all within 23 * 10^(n - 17) of x for n integer digits. With at
// most 6 decimals x is a whole number of millionths and that is below half
// a millionth, so x is printed as it is. With f > 6 decimals and n + f <= 15
// it is below 10^-f, the step of x's last digit, so x's digits past the
// sixth decimal round the same way as the 17-digit form's, unless they are
// exactly the half (5 and zeros), where the double may lie on either side.
constexpr int SPELLED_INTEGER_DIGITS = 9;
constexpr int SPELLED_DIGITS = 15;

/// Writes in the "%f" form the number spelled [sign] digits [. digits] in
/// [begin, end), with at least one digit and its point (if any) at point,
/// straight from its digits, when they decide what format_fixed writes for
/// the double the spelling reads as. Returns the number of bytes written,
/// or 0 when they may not: more than 9 integer or 15 digits in all, a
/// leading zero, a carry into a new integer digit, or digits past the sixth
/// decimal that are 5 and zeros; the caller then goes through the double.
/// Reads up to 16 bytes past end; out needs FIXED_TEXT_SIZE bytes.
inline std::size_t format_fixed_digits(const char* begin, const char* point,
                                       const char* end, char* out) noexcept {
  const bool negative = *begin == '-';
  const char* const integer = begin + (negative || *begin == '+');
  const auto integer_digits = point - integer;
  // 0 without a point, else the point and the decimals.
  const auto point_and_decimals = end - point;
  // Without a point the integer digits are all there is; with one, at most
  // 15 digits are 16 bytes.
  if (integer_digits > SPELLED_INTEGER_DIGITS ||
      end - integer > SPELLED_DIGITS + 1 ||
      (integer_digits > 1 && *integer == '0')) {
    return 0;
  }
  char* next = out;
  *next = '-';
  next += negative;
  char* const first_digit = next;
  *next = '0';
  next += integer_digits == 0;
  // One block holds the integer digits, the point and six bytes after it;
  // what follows the digits is written over.
  std::memcpy(next, integer, 16);
  next += integer_digits;
  *next = '.';
  // Fewer than six decimals: zeros after them (after the point if none).
  if (point_and_decimals < 7) {
    std::memcpy(next + std::max<std::ptrdiff_t>(point_and_decimals, 1),
                "00000000", 8);
  }
  next += 7;
  // More than six: rounded on the seventh.
  if (point_and_decimals > 7 && point[7] >= '5') {
    if (point[7] == '5') {
      const char* rest = point + 8;
      while (rest < end && *rest == '0') ++rest;
      if (rest == end) return 0;
    }
    char* digit = next - 1;
    for (; *digit == '9' || *digit == '.'; --digit) {
      if (digit == first_digit) return 0;
      if (*digit == '9') *digit = '0';
    }
    ++*digit;
  }
  return static_cast<std::size_t>(next - out);
}

}  // namespace logvane

#endif  // LOGVANE_TEXT_FIXED_FORMAT_H_
