#ifndef LOGVANE_TESTS_SUPPORT_MIDPOINT_H_
#define LOGVANE_TESTS_SUPPORT_MIDPOINT_H_

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace logvane {

/// The exact decimal spelling of the midpoint between low and the next
/// double, "d.ddd...e-308": the hardest text to round.
inline std::string midpoint(double low) {
  static_assert(std::numeric_limits<long double>::digits >= 64,
                "a midpoint needs 54 bits of significand");
  const long double high = std::nextafter(low, HUGE_VAL);
  const long double middle = low + (high - low) / 2;
  std::vector<char> text(1200);
  std::snprintf(text.data(), text.size(), "%.1000Le", middle);
  const std::string spelled = text.data();
  const std::size_t e = spelled.find('e');
  const std::size_t last = spelled.find_last_not_of('0', e - 1);
  return spelled.substr(0, last + 1) + spelled.substr(e);
}

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_MIDPOINT_H_
