#ifndef LOGVANE_PLATFORM_SCAN_H_
#define LOGVANE_PLATFORM_SCAN_H_

#include "platform/text_stream.h"

namespace logvane {

/// What a word, integer or number read found, as scanf counts it.
enum ScanStatus {
  SCAN_CONVERTED,  // the field was read
  SCAN_MISMATCH,   // the next text is not such a field; it stays unread
  SCAN_END,        // the input ended before the field began
};

/// The whitespace of word and number reads: space, tab, LF, CR, VT, FF.
inline bool is_scan_space(int c) noexcept {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

/// Reads up to and including a line feed, at most size - 1 characters, into
/// line (NUL-terminated). False if the input had ended: nothing was taken.
bool read_line(TextReader& in, char* line, std::size_t size) noexcept;

/// Skips whitespace, then takes the run of characters up to the next
/// whitespace, whatever its length; the word itself is not kept.
ScanStatus read_word(TextReader& in) noexcept;

/// The "%d" read: skips whitespace, then takes an optional sign and digits.
/// The value wraps; it is not kept.
ScanStatus scan_int(TextReader& in) noexcept;

/// The "%lf" read: skips whitespace, then takes an optional sign, digits, a
/// point and digits, and after a digit an exponent; it never gives back a
/// character it took. On success *value is the correctly rounded double of
/// the text taken (an infinity beyond the range, a zero or subnormal below
/// it); otherwise *value is left as it was.
ScanStatus scan_double(TextReader& in, double* value) noexcept;

/// Takes what scan_double would take, without working out the value.
ScanStatus skip_double(TextReader& in) noexcept;

}  // namespace logvane

#endif  // LOGVANE_PLATFORM_SCAN_H_
