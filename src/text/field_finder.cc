#include "text/field_finder.h"

#if defined(__SSE2__) && !defined(LOGVANE_SCALAR_ONLY)
#include <emmintrin.h>
#define LOGVANE_CLASSIFY_SSE2 1
#endif

#include "text/scan.h"

namespace logvane {

namespace {

#ifdef LOGVANE_CLASSIFY_SSE2
// One bit a byte for 16 compared bytes, placed at shift.
inline std::uint64_t mask_at(__m128i compared, int shift) {
  return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(compared))}
         << shift;
}
#endif

}  // namespace

ByteClasses classify_bytes_scalar(const char* text) noexcept {
  ByteClasses classes;
  for (int i = 0; i < CLASSIFIED_SIZE; ++i) {
    const int c = static_cast<unsigned char>(text[i]);
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (is_scan_space(c)) classes.space |= bit;
    if (is_scan_digit(c)) classes.digit |= bit;
    if (c == '.') classes.point |= bit;
  }
  return classes;
}

ByteClasses classify_bytes(const char* text) noexcept {
#ifdef LOGVANE_CLASSIFY_SSE2
  // x - low <= span, unsigned, as min(x - low, span) == x - low.
  const auto in_range = [](__m128i bytes, char low, char span) {
    const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
  };
  ByteClasses classes;
  for (int shift = 0; shift < CLASSIFIED_SIZE; shift += 16) {
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + shift));
    const __m128i space =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                     in_range(bytes, '\t', '\r' - '\t'));
    classes.space |= mask_at(space, shift);
    classes.digit |= mask_at(in_range(bytes, '0', 9), shift);
    classes.point |= mask_at(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.')), shift);
  }
  return classes;
#else
  return classify_bytes_scalar(text);
#endif
}

}  // namespace logvane
