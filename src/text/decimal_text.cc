#include "text/decimal_text.h"

#ifndef __cpp_lib_to_chars
#include <fast_float/fast_float.h>
#endif

namespace logvane {

std::from_chars_result read_decimal_text(const char* first, const char* last,
                                         double& value) noexcept {
#ifdef __cpp_lib_to_chars
  return std::from_chars(first, last, value);
#else
  const fast_float::from_chars_result result =
      fast_float::from_chars(first, last, value);
  return {result.ptr, result.ec};
#endif
}

}  // namespace logvane
