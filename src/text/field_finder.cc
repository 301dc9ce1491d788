#include "text/field_finder.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) && !defined(LOGVANE_SCALAR_ONLY)
#include <emmintrin.h>
#define LOGVANE_CLASSIFY_SSE2 1
#elif defined(__aarch64__) && defined(__ARM_NEON) && \
    !defined(__ARM_BIG_ENDIAN) && !defined(LOGVANE_SCALAR_ONLY)
// Every ARM64 processor has NEON.
#include <arm_neon.h>
#define LOGVANE_CLASSIFY_NEON 1
#endif

namespace logvane {

namespace {

// Eight bytes at a time in a 64-bit word: each test leaves 0x80 in the bytes
// that pass and cannot borrow or carry from one byte into the next.
constexpr std::uint64_t EACH_BYTE = 0x0101010101010101;
constexpr std::uint64_t HIGH_BITS = 0x80 * EACH_BYTE;

// The eight bytes at text, the first in the lowest bits.
inline std::uint64_t load_word(const char* text) {
  std::uint64_t word;
  std::memcpy(&word, text, sizeof word);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t reversed = 0;
    for (int i = 0; i < 8; ++i, word >>= 8) {
      reversed = reversed << 8 | (word & 0xff);
    }
    word = reversed;
  }
  return word;
}

// 0x80 in the bytes of ascii, all below 0x80, that lie in [low, high].
inline std::uint64_t bytes_within(std::uint64_t ascii, unsigned low,
                                  unsigned high) {
  return (ascii + (0x80 - low) * EACH_BYTE) &
         ((0x80 + high) * EACH_BYTE - ascii) & HIGH_BITS;
}

// The high bits of the eight bytes as bits 0 to 7: the multiplication moves
// the bit of byte i to bit 56 + i, and its partial products never meet.
inline std::uint64_t gather_high_bits(std::uint64_t word) {
  return (word >> 7) * 0x0102040810204080 >> 56;
}

#ifdef LOGVANE_CLASSIFY_SSE2
// One bit a byte for 16 compared bytes, placed at shift.
inline std::uint64_t mask_at(__m128i compared, int shift) {
  return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(compared))}
         << shift;
}
#endif

#ifdef LOGVANE_CLASSIFY_NEON
// One bit a byte for the 64 bytes of four compared vectors (0xff or 0 a
// byte). Each byte keeps the bit of its place among eight; three rounds of
// adding neighbours pairwise leave the eight bits of bytes 8k to 8k + 7 in
// byte k, the first byte in the lowest bits.
inline std::uint64_t mask_of(const uint8x16_t (&compared)[4]) {
  static constexpr std::uint8_t PLACES[16] = {1, 2, 4, 8, 16, 32, 64, 128,
                                              1, 2, 4, 8, 16, 32, 64, 128};
  const uint8x16_t places = vld1q_u8(PLACES);
  const uint8x16_t low = vpaddq_u8(vandq_u8(compared[0], places),
                                   vandq_u8(compared[1], places));
  const uint8x16_t high = vpaddq_u8(vandq_u8(compared[2], places),
                                    vandq_u8(compared[3], places));
  const uint8x16_t quarters = vpaddq_u8(low, high);
  return vgetq_lane_u64(vreinterpretq_u64_u8(vpaddq_u8(quarters, quarters)),
                        0);
}
#endif

}  // namespace

ByteClasses classify_bytes_scalar(const char* text) noexcept {
  ByteClasses classes;
  for (int shift = 0; shift < CLASSIFIED_SIZE; shift += 8) {
    const std::uint64_t word = load_word(text + shift);
    const std::uint64_t ascii = word & ~HIGH_BITS;
    const std::uint64_t not_ascii = word & HIGH_BITS;
    const std::uint64_t space =
        bytes_within(ascii, '\t', '\r') | bytes_within(ascii, ' ', ' ');
    classes.space |= gather_high_bits(space & ~not_ascii) << shift;
    classes.digit |=
        gather_high_bits(bytes_within(ascii, '0', '9') & ~not_ascii) << shift;
    classes.point |=
        gather_high_bits(bytes_within(ascii, '.', '.') & ~not_ascii) << shift;
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
#elif defined(LOGVANE_CLASSIFY_NEON)
  // x - low <= span, unsigned.
  const auto in_range = [](uint8x16_t bytes, std::uint8_t low,
                           std::uint8_t span) {
    return vcleq_u8(vsubq_u8(bytes, vdupq_n_u8(low)), vdupq_n_u8(span));
  };
  uint8x16_t space[4];
  uint8x16_t digit[4];
  uint8x16_t point[4];
  for (int i = 0; i < 4; ++i) {
    const uint8x16_t bytes =
        vld1q_u8(reinterpret_cast<const std::uint8_t*>(text) + 16 * i);
    space[i] = vorrq_u8(vceqq_u8(bytes, vdupq_n_u8(' ')),
                        in_range(bytes, '\t', '\r' - '\t'));
    digit[i] = in_range(bytes, '0', 9);
    point[i] = vceqq_u8(bytes, vdupq_n_u8('.'));
  }
  ByteClasses classes;
  classes.space = mask_of(space);
  classes.digit = mask_of(digit);
  classes.point = mask_of(point);
  return classes;
#else
  return classify_bytes_scalar(text);
#endif
}

}  // namespace logvane
