#include "text/decimal_text.h"

#include <system_error>

#include "platform/system.h"

namespace logvane {

std::from_chars_result read_decimal_text(const char* first, const char* last,
                                         double& value) noexcept {
#ifdef __cpp_lib_to_chars
  return std::from_chars(first, last, value);
#else
  // The C library gives an infinity or a zero itself when out of range.
  value = read_decimal_in_c_locale(first);
  return {last, std::errc{}};
#endif
}

}  // namespace logvane
