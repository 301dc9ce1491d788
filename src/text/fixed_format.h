#ifndef LOGVANE_TEXT_FIXED_FORMAT_H_
#define LOGVANE_TEXT_FIXED_FORMAT_H_

#include <cstddef>

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

/// Writes in the "%f" form the number spelled [sign] digits [. digits] in
/// [begin, end), with at least one digit and its point (if any) at point,
/// straight from its digits, when they decide what format_fixed writes for
/// the double the spelling reads as. Returns the number of bytes written,
/// or 0 when they may not: more than 9 integer or 15 digits in all, a
/// leading zero, a carry into a new integer digit, or digits past the sixth
/// decimal that are 5 and zeros; the caller then goes through the double.
/// Reads up to 16 bytes past end; out needs FIXED_TEXT_SIZE bytes.
std::size_t format_fixed_digits(const char* begin, const char* point,
                                const char* end, char* out) noexcept;

/// Writes what format_fixed writes for the double the plain number in
/// [begin, end) reads as, ended by whitespace there: format_fixed_digits
/// where it can, else through the double. Returns the number of bytes.
std::size_t format_fixed_spelled(const char* begin, const char* point,
                                 const char* end, char* out) noexcept;

}  // namespace logvane

#endif  // LOGVANE_TEXT_FIXED_FORMAT_H_
