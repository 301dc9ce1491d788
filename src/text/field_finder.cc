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
#elif defined(__wasm_simd128__) && !defined(LOGVANE_SCALAR_ONLY)
// WebAssembly built with -msimd128.
#include <wasm_simd128.h>
#define LOGVANE_CLASSIFY_SIMD128 1
#endif

// 32 bytes at a time where the processor turns out to have AVX2. Not on
// Windows, whose GCC cannot align the stack for 32-byte values it spills.
#if defined(LOGVANE_CLASSIFY_SSE2) && defined(__x86_64__) && \
    defined(__GNUC__) && !defined(_WIN32)
#include <immintrin.h>
#define LOGVANE_CLASSIFY_AVX2 1
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

// For ascii, all bytes below 0x80: 0x80 in the bytes that lie in [low,
// high], and maybe other high bits, which the caller masks off.
inline std::uint64_t bytes_within(std::uint64_t ascii, unsigned low,
                                  unsigned high) {
  return (ascii + (0x80 - low) * EACH_BYTE) &
         ((0x80 + high) * EACH_BYTE - ascii);
}

// The same for the bytes equal to c: the sum has 0x80 in the others.
inline std::uint64_t bytes_other_than(std::uint64_t ascii, unsigned c) {
  return (ascii ^ c * EACH_BYTE) + 0x7f * EACH_BYTE;
}

// The high bits of the eight bytes as bits 0 to 7: the multiplication
// moves the bit of byte i, bit 8i + 7, to bit 56 + i, and its partial
// products never meet there.
inline std::uint64_t gather_high_bits(std::uint64_t high_bits) {
  return high_bits * 0x0002040810204081 >> 56;
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

#ifdef LOGVANE_CLASSIFY_AVX2
#define LOGVANE_AVX2 __attribute__((target("avx2")))

// x - low <= span, unsigned, as min(x - low, span) == x - low.
LOGVANE_AVX2 inline __m256i bytes_in_range(__m256i bytes, char low,
                                           char span) {
  const __m256i offset = _mm256_sub_epi8(bytes, _mm256_set1_epi8(low));
  return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(span)),
                           offset);
}

// One bit a byte for 32 compared bytes, placed at shift.
LOGVANE_AVX2 inline std::uint64_t wide_mask_at(__m256i compared, int shift) {
  return std::uint64_t{static_cast<std::uint32_t>(
             _mm256_movemask_epi8(compared))}
         << shift;
}

LOGVANE_AVX2 ByteClasses classify_bytes_avx2(const char* text) noexcept {
  ByteClasses classes;
  for (int shift = 0; shift < CLASSIFIED_SIZE; shift += 32) {
    const __m256i bytes =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + shift));
    const __m256i space =
        _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(' ')),
                        bytes_in_range(bytes, '\t', '\r' - '\t'));
    classes.space |= wide_mask_at(space, shift);
    classes.digit |= wide_mask_at(bytes_in_range(bytes, '0', 9), shift);
    classes.point |= wide_mask_at(
        _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('.')), shift);
  }
  return classes;
}

bool has_avx2() noexcept {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

ClassifyRoute first_route() noexcept {
#ifdef LOGVANE_CLASSIFY_AVX2
  if (has_avx2()) return classify_bytes_avx2;
#endif
#if defined(LOGVANE_CLASSIFY_SSE2) || defined(LOGVANE_CLASSIFY_NEON) || \
    defined(LOGVANE_CLASSIFY_SIMD128)
  return classify_bytes_narrow;
#else
  return classify_bytes_scalar;
#endif
}

}  // namespace

const ClassifyRoute classify_bytes_route = first_route();

ByteClasses classify_bytes_scalar(const char* text) noexcept {
  ByteClasses classes;
  for (int shift = 0; shift < CLASSIFIED_SIZE; shift += 8) {
    const std::uint64_t word = load_word(text + shift);
    const std::uint64_t ascii = word & ~HIGH_BITS;
    // 0x80 in the bytes below 0x80, for which alone the tests hold.
    const std::uint64_t plain = ~word & HIGH_BITS;
    const std::uint64_t space =
        (bytes_within(ascii, '\t', '\r') | ~bytes_other_than(ascii, ' ')) &
        plain;
    const std::uint64_t digit = bytes_within(ascii, '0', '9') & plain;
    const std::uint64_t point = ~bytes_other_than(ascii, '.') & plain;
    classes.space |= gather_high_bits(space) << shift;
    classes.digit |= gather_high_bits(digit) << shift;
    classes.point |= gather_high_bits(point) << shift;
  }
  return classes;
}

ByteClasses classify_bytes_narrow(const char* text) noexcept {
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
#elif defined(LOGVANE_CLASSIFY_SIMD128)
  // x - low <= span, unsigned.
  const auto in_range = [](v128_t bytes, std::uint8_t low, std::uint8_t span) {
    return wasm_u8x16_le(wasm_i8x16_sub(bytes, wasm_u8x16_splat(low)),
                         wasm_u8x16_splat(span));
  };
  // One bit a byte for 16 compared bytes, placed at shift.
  const auto mask_at = [](v128_t compared, int shift) {
    return std::uint64_t{wasm_i8x16_bitmask(compared)} << shift;
  };
  ByteClasses classes;
  for (int shift = 0; shift < CLASSIFIED_SIZE; shift += 16) {
    const v128_t bytes = wasm_v128_load(text + shift);
    const v128_t space =
        wasm_v128_or(wasm_i8x16_eq(bytes, wasm_u8x16_splat(' ')),
                     in_range(bytes, '\t', '\r' - '\t'));
    classes.space |= mask_at(space, shift);
    classes.digit |= mask_at(in_range(bytes, '0', 9), shift);
    classes.point |=
        mask_at(wasm_i8x16_eq(bytes, wasm_u8x16_splat('.')), shift);
  }
  return classes;
#else
  return classify_bytes_scalar(text);
#endif
}

}  // namespace logvane
