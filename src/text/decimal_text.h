#ifndef LOGVANE_TEXT_DECIMAL_TEXT_H_
#define LOGVANE_TEXT_DECIMAL_TEXT_H_

#include <charconv>

namespace logvane {

/// Whether the library has floating std::from_chars, as its feature-test
/// macro tells. libc++ has none before LLVM 20 (macOS, the BSDs); there
/// read_decimal_text goes through the C library in the "C" locale.
#ifdef __cpp_lib_to_chars
constexpr bool HAS_FLOATING_FROM_CHARS = true;
#else
constexpr bool HAS_FLOATING_FROM_CHARS = false;
#endif

/// std::from_chars for a double on digits with an optional exponent
/// ("12345e-67") that end with a NUL at last: the nearest double, rounded
/// once, half to even. Beyond the range of a double std::from_chars reports
/// result_out_of_range and leaves value as it was; the C library's route
/// gives the infinity or the zero itself.
std::from_chars_result read_decimal_text(const char* first, const char* last,
                                         double& value) noexcept;

}  // namespace logvane

#endif  // LOGVANE_TEXT_DECIMAL_TEXT_H_
