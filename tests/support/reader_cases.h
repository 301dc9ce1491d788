#ifndef LOGVANE_TESTS_SUPPORT_READER_CASES_H_
#define LOGVANE_TESTS_SUPPORT_READER_CASES_H_

#include <algorithm>
#include <cstddef>
#include <string>

namespace logvane {

/// Read sizes every reader case runs at (SplittingSource), so that block
/// edges fall everywhere; 0 is the reader's own block size.
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

/// Runs result(chunk_limit) at every chunk limit: what it gives for the whole
/// buffer, or the first different result, marked with its chunk limit.
template <class Result>
std::string same_at_every_chunk_limit(Result result) {
  std::string first;
  for (const std::size_t chunk : CHUNK_LIMITS) {
    std::string got = result(chunk);
    if (chunk == 0) first = got;
    if (got != first) return "chunk " + std::to_string(chunk) + ": " + got;
  }
  return first;
}

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_READER_CASES_H_
