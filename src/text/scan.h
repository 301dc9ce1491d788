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

/// The "%lf" syntax, the one place it is written: [sign] digits [. digits]
/// and, once a digit has been taken, [e|E [sign] digits]. Never gives back a
/// character it took; tells digits what it takes. Returns whether a digit
/// was taken.
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
    digits.add_point();
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
    digits.add_exponent_mark();
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
  void add_point() noexcept {}
  void add_exponent_mark() noexcept {}
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

/// A number as buffered text spells it: [begin, end) is all that a "%lf"
/// read takes there. Its mantissa, [sign] digits [. digits], ends at
/// mantissa_end, before any exponent, and has its point at point
/// (mantissa_end if it has none). converted is false if no digit was taken.
struct NumberSpelling {
  const char* begin;
  const char* point;
  const char* mantissa_end;
  const char* end;
  bool converted;
};

/// Reads the spelling of the number at p, without working out its value.
inline NumberSpelling spell_number(const char* p) noexcept {
  struct Marks {
    const BufferCursor& cursor;
    const char* point = nullptr;
    const char* exponent = nullptr;
    void add_sign(int) noexcept {}
    void add_digit(int, bool) noexcept {}
    void add_point() noexcept { point = cursor.position; }
    void add_exponent_mark() noexcept { exponent = cursor.position; }
    void add_exponent_sign(int) noexcept {}
    void add_exponent_digit(int) noexcept {}
  };
  BufferCursor cursor{p};
  Marks marks{cursor};
  const bool converted = take_number(cursor, marks);
  const char* const mantissa_end =
      marks.exponent != nullptr ? marks.exponent : cursor.position;
  return {p, marks.point != nullptr ? marks.point : mantissa_end, mantissa_end,
          cursor.position, converted};
}

/// The "%lf" read on buffered text; *value is set only on success.
TextScan scan_double_text(const char* p, double* value) noexcept;

/// The value of a number spelled in buffered text, as scan_double reads it.
inline double spelled_value(const NumberSpelling& number) noexcept {
  double value = 0.0;
  scan_double_text(number.begin, &value);
  return value;
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
