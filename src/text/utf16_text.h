#ifndef LOGVANE_TEXT_UTF16_TEXT_H_
#define LOGVANE_TEXT_UTF16_TEXT_H_

// Windows holds names as UTF-16; the rest of the program takes UTF-8. An
// unpaired surrogate, which Windows allows in a name, is written as the
// three bytes its code would take (as WTF-8 does), so that every name
// converts back to the very units it came from; the document shows such
// bytes as U+FFFD, since they are not UTF-8.

#include <cstddef>

namespace logvane {

/// Writes the UTF-16 text (up to a 0 unit) into out, which has room for size
/// bytes, as UTF-8 with a terminator. Returns its length in bytes, or -1
/// when it does not fit.
std::ptrdiff_t convert_utf16_to_utf8(const char16_t* text, char* out,
                                     std::size_t size) noexcept;

/// The reverse, into size units: the length in units, or -1 when it does not
/// fit or text is not what convert_utf16_to_utf8 writes.
std::ptrdiff_t convert_utf8_to_utf16(const char* text, char16_t* out,
                                     std::size_t size) noexcept;

}  // namespace logvane

#endif  // LOGVANE_TEXT_UTF16_TEXT_H_
