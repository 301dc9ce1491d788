#ifndef LOGVANE_PLATFORM_CODE_PAGE_H_
#define LOGVANE_PLATFORM_CODE_PAGE_H_

namespace logvane {

/// Which bytes of a narrow string begin a double-byte character.
enum CodePage {
  CODE_PAGE_SINGLE_BYTE,  // UTF-8, ASCII and single-byte sets: no lead bytes
  CODE_PAGE_SHIFT_JIS,    // lead bytes 0x81-0x9F and 0xE0-0xFC
  CODE_PAGE_DOUBLE_BYTE,  // GBK, UHC, Big5: lead bytes 0x81-0xFE
};

/// The code page that a code set name (as nl_langinfo(CODESET) gives it)
/// stands for.
CodePage code_page_of(const char* code_set) noexcept;

/// The code page of the user's locale, read once.
CodePage system_code_page() noexcept;

/// Whether byte begins a double-byte character in code_page.
inline bool is_lead_byte(CodePage code_page, unsigned char byte) noexcept {
  switch (code_page) {
    case CODE_PAGE_SHIFT_JIS:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case CODE_PAGE_DOUBLE_BYTE:
      return byte >= 0x81 && byte <= 0xFE;
    case CODE_PAGE_SINGLE_BYTE:
      break;
  }
  return false;
}

}  // namespace logvane

#endif  // LOGVANE_PLATFORM_CODE_PAGE_H_
