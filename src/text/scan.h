#ifndef LOGVANE_TEXT_SCAN_H_
#define LOGVANE_TEXT_SCAN_H_

#include "text/text_stream.h"

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

inline bool is_scan_digit(int c) noexcept {
  return static_cast<unsigned>(c - '0') < 10u;
}

/// The "%lf" syntax: [sign] digits [. digits] and, once a digit has been
/// taken, [e|E [sign] digits]. Never gives back a character it took; tells
/// digits what it takes. Returns whether a digit was taken.
template <class Cursor, class Digits>
bool take_number(Cursor& cursor, Digits& digits) noexcept {
  int c = cursor.peek();
  if (c == '+' || c == '-') {
    digits.add_sign(c);
    cursor.advance();
    c = cursor.peek();
  }
  bool any_digit = false;
  while (is_scan_digit(c)) {
    digits.add_digit(c, true);
    any_digit = true;
    cursor.advance();
    c = cursor.peek();
  }
  if (c == '.') {
    cursor.advance();
    c = cursor.peek();
    while (is_scan_digit(c)) {
      digits.add_digit(c, false);
      any_digit = true;
      cursor.advance();
      c = cursor.peek();
    }
  }
  if (any_digit && (c == 'e' || c == 'E')) {
    cursor.advance();
    c = cursor.peek();
    if (c == '+' || c == '-') {
      digits.add_exponent_sign(c);
      cursor.advance();
      c = cursor.peek();
    }
    while (is_scan_digit(c)) {
      digits.add_exponent_digit(c);
      cursor.advance();
      c = cursor.peek();
    }
  }
  return any_digit;
}

/// The "%d" syntax: [sign] digits. Returns whether a digit was taken.
template <class Cursor>
bool take_int(Cursor& cursor) noexcept {
  int c = cursor.peek();
  if (c == '+' || c == '-') {
    cursor.advance();
    c = cursor.peek();
  }
  bool any_digit = false;
  while (is_scan_digit(c)) {
    any_digit = true;
    cursor.advance();
    c = cursor.peek();
  }
  return any_digit;
}

/// Walks text in a TextReader's buffer without refilling. The NUL kept after
/// the buffered text stops every number and integer read there; a read that
/// ends at TextReader::limit() may go on in the next block.
struct BufferCursor {
  const char* position;
  int peek() const noexcept { return static_cast<unsigned char>(*position); }
  void advance() noexcept { ++position; }
};

/// Takes no notice of the digits: for numbers whose values are discarded.
struct DiscardDigits {
  void add_sign(int) noexcept {}
  void add_digit(int, bool) noexcept {}
  void add_exponent_sign(int) noexcept {}
  void add_exponent_digit(int) noexcept {}
};

/// Where a read on buffered text stopped, and whether it converted.
struct TextScan {
  const char* end;
  bool converted;
};

/// Skips whitespace in buffered text.
inline const char* skip_space_text(const char* p) noexcept {
  while (is_scan_space(static_cast<unsigned char>(*p))) ++p;
  return p;
}

/// Takes a word in buffered text, up to whitespace or limit.
inline const char* skip_word_text(const char* p, const char* limit) noexcept {
  while (p < limit && !is_scan_space(static_cast<unsigned char>(*p))) ++p;
  return p;
}

inline TextScan scan_int_text(const char* p) noexcept {
  BufferCursor cursor{p};
  const bool converted = take_int(cursor);
  return {cursor.position, converted};
}

inline TextScan skip_double_text(const char* p) noexcept {
  BufferCursor cursor{p};
  DiscardDigits digits;
  const bool converted = take_number(cursor, digits);
  return {cursor.position, converted};
}

/// scan_double_text for every spelling; *value is set only on success.
TextScan scan_any_double_text(const char* p, double* value) noexcept;

/// The "%lf" read on buffered text; *value is set only on success. Spellings
/// of up to 15 digits without an exponent are worked out here: the digits
/// make an exact double, and so does the power of ten that scales them, so
/// one division rounds correctly.
inline TextScan scan_double_text(const char* p, double* value) noexcept {
  struct ShortDigits {
    unsigned long long mantissa = 0;
    int count = 0;
    int fraction = 0;
    bool negative = false;
    bool exponent = false;
    void add_sign(int c) noexcept { negative = c == '-'; }
    void add_digit(int c, bool before_point) noexcept {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++count;
      fraction += before_point ? 0 : 1;
    }
    void add_exponent_sign(int) noexcept { exponent = true; }
    void add_exponent_digit(int) noexcept { exponent = true; }
  };
  static constexpr double POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3, 1e4,  1e5,
                                             1e6,  1e7,  1e8,  1e9, 1e10, 1e11,
                                             1e12, 1e13, 1e14, 1e15};
  BufferCursor cursor{p};
  ShortDigits digits;
  if (!take_number(cursor, digits)) return {cursor.position, false};
  if (digits.count > 15 || digits.exponent) {
    return scan_any_double_text(p, value);
  }
  const double magnitude =
      static_cast<double>(digits.mantissa) / POWERS_OF_TEN[digits.fraction];
  *value = digits.negative ? -magnitude : magnitude;
  return {cursor.position, true};
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

#endif  // LOGVANE_TEXT_SCAN_H_
