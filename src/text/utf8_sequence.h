#ifndef LOGVANE_TEXT_UTF8_SEQUENCE_H_
#define LOGVANE_TEXT_UTF8_SEQUENCE_H_

#include <cstddef>

namespace logvane {

/// Reads the UTF-8 sequence of two to four bytes at text into *code and
/// returns its length, or 0 if the bytes there are none in its shortest
/// form or the code lies beyond U+10FFFF. Surrogate codes are taken, as
/// WTF-8 writes them; callers that allow none check for them. A terminator
/// ends any sequence, so this never reads past one.
inline std::size_t read_utf8_sequence(const unsigned char* text,
                                      char32_t* code) noexcept {
  const unsigned char lead = text[0];
  std::size_t length;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((text[i] & 0xC0u) != 0x80u) return 0;
    value = (value << 6) | (text[i] & 0x3Fu);
  }
  // The shortest form only, so that each text has one spelling.
  constexpr char32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < LEAST[length] || value > 0x10FFFF) return 0;
  *code = value;
  return length;
}

}  // namespace logvane

#endif  // LOGVANE_TEXT_UTF8_SEQUENCE_H_
