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

}  // namespace logvane

#endif  // LOGVANE_TEXT_FIXED_FORMAT_H_
