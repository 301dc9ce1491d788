#ifndef LOGVANE_TESTS_SUPPORT_READER_CASES_H_
#define LOGVANE_TESTS_SUPPORT_READER_CASES_H_

#include <algorithm>
#include <cstddef>
#include <string>

namespace logvane {

/// Refill sizes every reader case runs at, so that block edges fall
/// everywhere; 0 is the reader's own block size.
inline constexpr std::size_t CHUNK_LIMITS[] = {0, 1, 2, 3, 7};

/// Long runs of one character as "x{5000}", so that failures stay readable.
inline std::string shorten(const std::string& text) {
  std::string out;
  for (std::size_t i = 0, end; i < text.size(); i = end) {
    end = std::min(text.find_first_not_of(text[i], i), text.size());
    out += end - i < 16 ? text.substr(i, end - i)
                        : text[i] + ("{" + std::to_string(end - i) + "}");
  }
  return out;
}

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_READER_CASES_H_
