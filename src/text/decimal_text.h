#ifndef LOGVANE_TEXT_DECIMAL_TEXT_H_
#define LOGVANE_TEXT_DECIMAL_TEXT_H_

#include <charconv>

namespace logvane {

/// Whether the library has floating std::from_chars, as its feature-test
/// macro tells. libc++ has none before LLVM 20 (macOS, the BSDs, WASI);
/// there read_decimal_text goes through fast_float, on which GCC's own
/// std::from_chars is built.
#ifdef __cpp_lib_to_chars
constexpr bool HAS_FLOATING_FROM_CHARS = true;
#else
constexpr bool HAS_FLOATING_FROM_CHARS = false;
#endif

/// std::from_chars for a double on digits with an optional exponent
/// ("12345e-67") that end with a NUL at last: the nearest double, rounded
/// once, half to even. Beyond the range of a double it reports
/// result_out_of_range; value is then the infinity or zero fast_float gives,
/// or as it was with std::from_chars.
std::from_chars_result read_decimal_text(const char* first, const char* last,
                                         double& value) noexcept;

}  // namespace logvane

#endif  // LOGVANE_TEXT_DECIMAL_TEXT_H_
