#include "text/utf16_text.h"

#include "text/utf8_sequence.h"

namespace logvane {

namespace {

bool is_high_surrogate(char32_t unit) noexcept {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(char32_t unit) noexcept {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::ptrdiff_t convert_utf16_to_utf8(const char16_t* text, char* out,
                                     std::size_t size) noexcept {
  std::size_t length = 0;
  for (const char16_t* p = text; *p != 0; ++p) {
    char32_t code = *p;
    if (is_high_surrogate(code) && is_low_surrogate(p[1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (p[1] - 0xDC00u);
      ++p;
    }
    const std::size_t bytes = code < 0x80      ? 1
                              : code < 0x800   ? 2
                              : code < 0x10000 ? 3
                                               : 4;
    if (size - length <= bytes) return -1;
    char* c = out + length;
    if (bytes == 1) {
      c[0] = static_cast<char>(code);
    } else {
      // The lead byte has as many high bits set as the sequence has bytes.
      constexpr char32_t LEAD_MARKS[] = {0, 0, 0xC0, 0xE0, 0xF0};
      c[0] = static_cast<char>(LEAD_MARKS[bytes] | (code >> (6 * (bytes - 1))));
      for (std::size_t i = 1; i < bytes; ++i) {
        c[i] = static_cast<char>(0x80u |
                                 ((code >> (6 * (bytes - 1 - i))) & 0x3Fu));
      }
    }
    length += bytes;
  }
  if (length >= size) return -1;
  out[length] = '\0';
  return static_cast<std::ptrdiff_t>(length);
}

std::ptrdiff_t convert_utf8_to_utf16(const char* text, char16_t* out,
                                     std::size_t size) noexcept {
  std::size_t length = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    std::size_t bytes = 1;
    char32_t code = *p;
    if (code >= 0x80 && (bytes = read_utf8_sequence(p, &code)) == 0) {
      return -1;
    }
    const std::size_t units = code < 0x10000 ? 1 : 2;
    if (size - length <= units) return -1;
    if (units == 1) {
      out[length] = static_cast<char16_t>(code);
    } else {
      out[length] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out[length + 1] = static_cast<char16_t>(0xDC00 + (code & 0x3FFu));
    }
    length += units;
    p += bytes;
  }
  if (length >= size) return -1;
  out[length] = 0;
  return static_cast<std::ptrdiff_t>(length);
}

}  // namespace logvane
