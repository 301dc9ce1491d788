#include "platform/code_page.h"

#include <langinfo.h>

#include <clocale>

namespace logvane {

namespace {

// Code set names compare without case and without '-' and '_', so that
// "Shift_JIS", "SHIFT-JIS" and "shiftjis" are one name.
bool same_code_set(const char* a, const char* b) noexcept {
  for (;;) {
    while (*a == '-' || *a == '_') ++a;
    while (*b == '-' || *b == '_') ++b;
    if (*a == '\0' || *b == '\0') return *a == *b;
    char x = *a++;
    char y = *b++;
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
}

bool is_one_of(const char* code_set, const char* const* names) noexcept {
  for (; *names != nullptr; ++names) {
    if (same_code_set(code_set, *names)) return true;
  }
  return false;
}

}  // namespace

CodePage code_page_of(const char* code_set) noexcept {
  static const char* const shift_jis[] = {"SJIS",  "ShiftJIS",   "CP932",
                                          "MS932", "WINDOWS31J", nullptr};
  static const char* const double_byte[] = {
      "GBK",   "GB2312", "CP936", "MS936", "EUCCN",     "UHC",     "CP949",
      "MS949", "BIG5",   "CP950", "MS950", "BIG5HKSCS", "GB18030", nullptr};
  if (is_one_of(code_set, shift_jis)) return CODE_PAGE_SHIFT_JIS;
  if (is_one_of(code_set, double_byte)) return CODE_PAGE_DOUBLE_BYTE;
  return CODE_PAGE_SINGLE_BYTE;
}

CodePage system_code_page() noexcept {
  static const CodePage code_page = [] {
    // Only the character type category is taken from the environment, and
    // only long enough to learn its code set: error texts stay the C ones.
    if (std::setlocale(LC_CTYPE, "") == nullptr) return CODE_PAGE_SINGLE_BYTE;
    const CodePage found = code_page_of(nl_langinfo(CODESET));
    std::setlocale(LC_CTYPE, "C");
    return found;
  }();
  return code_page;
}

}  // namespace logvane
