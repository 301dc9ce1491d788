#ifndef LOGVANE_FUZZ_REFERENCE_H_
#define LOGVANE_FUZZ_REFERENCE_H_

// Slow routes, written apart from src/, that the fuzz targets hold the
// library to: the text stream's folding, the "%lf" syntax with glibc's
// strtod for the value, and the "%f" form through snprintf.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace logvane_fuzz {

/// Reports a broken invariant with what is needed to see why, and aborts,
/// which libFuzzer records as a crash with its input.
[[noreturn]] inline void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "\n*** invariant broken: %s\n%s\n", what,
               detail.c_str());
  std::abort();
}

/// Bytes shown with C escapes, cut in the middle when long.
inline std::string escaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.size() > 400 && i == 200) {
      out += "...";
      i = text.size() - 200;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

/// What a text stream reading data delivers: everything before the first
/// 0x1A, with each CR LF pair folded into LF (a CR before the end stays).
inline std::string folded_text(const char* data, std::size_t size) {
  const void* stop = std::memchr(data, 0x1a, size);
  if (stop != nullptr) {
    size = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
  }
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    text += data[i];
  }
  return text;
}

inline bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

inline bool is_digit(int c) { return c >= '0' && c <= '9'; }

/// A character-at-a-time cursor over folded text that, like a stream's
/// end-of-file indicator, remembers a look past the end.
struct TextCursor {
  const std::string& text;
  std::size_t at = 0;
  bool end_seen = false;

  int peek() {
    if (at == text.size()) {
      end_seen = true;
      return -1;
    }
    return static_cast<unsigned char>(text[at]);
  }
  void advance() { ++at; }
  // Skips whitespace; returns the next character or -1.
  int skip_space() {
    int c = peek();
    while (c >= 0 && is_space(c)) {
      advance();
      c = peek();
    }
    return c;
  }
};

/// One "%lf" read from the cursor's position, whitespace already skipped:
/// [+|-] digits [. digits] and, after a digit, e|E [+|-] digits. Returns
/// whether a digit was taken; then *value is strtod's value of the text
/// taken, less an exponent letter (and sign) that no digit follows.
inline bool take_number_reference(TextCursor& cursor, double* value) {
  std::string spelled;
  bool any_digit = false;
  int c = cursor.peek();
  if (c == '+' || c == '-') {
    spelled += static_cast<char>(c);
    cursor.advance();
    c = cursor.peek();
  }
  for (; is_digit(c); c = cursor.peek()) {
    spelled += static_cast<char>(c);
    any_digit = true;
    cursor.advance();
  }
  if (c == '.') {
    spelled += '.';
    cursor.advance();
    c = cursor.peek();
    for (; is_digit(c); c = cursor.peek()) {
      spelled += static_cast<char>(c);
      any_digit = true;
      cursor.advance();
    }
  }
  if (any_digit && (c == 'e' || c == 'E')) {
    std::string exponent = "e";
    cursor.advance();
    c = cursor.peek();
    if (c == '+' || c == '-') {
      exponent += static_cast<char>(c);
      cursor.advance();
      c = cursor.peek();
    }
    bool exponent_digit = false;
    for (; is_digit(c); c = cursor.peek()) {
      exponent += static_cast<char>(c);
      exponent_digit = true;
      cursor.advance();
    }
    if (exponent_digit) spelled += exponent;
  }
  if (!any_digit) return false;
  char* end = nullptr;
  *value = std::strtod(spelled.c_str(), &end);
  if (end != spelled.c_str() + spelled.size()) {
    fail("strtod stopped early on a spelling the syntax took",
         escaped(spelled));
  }
  return true;
}

/// The "%f" form by the slow route: snprintf's "%.16e" gives the 17
/// significant digits (rounded exactly, ties to even), and the decimal text
/// is then cut after six fraction digits, rounding up on a first cut digit
/// of 5 or more. Infinities are 1.#INF00; NaN never comes from a read.
inline std::string reference_fixed(double value) {
  const bool negative = std::signbit(value);
  std::string out = negative ? "-" : "";
  if (std::isinf(value)) return out + "1.#INF00";
  if (std::isnan(value)) return out + "nan";
  char scientific[40];
  std::snprintf(scientific, sizeof scientific, "%.16e", std::fabs(value));
  // d.dddddddddddddddde[+-]xx
  std::string digits(1, scientific[0]);
  digits.append(scientific + 2, 16);
  const int exponent = std::atoi(scientific + 19);
  // digits[0, point) is the integer part.
  int point = exponent + 1;
  if (point < 1) {
    digits.insert(0, static_cast<std::size_t>(1 - point), '0');
    point = 1;
  }
  const auto integer_digits = static_cast<std::size_t>(point);
  if (digits.size() < integer_digits + 7) {
    digits.append(integer_digits + 7 - digits.size(), '0');
  }
  std::string kept = digits.substr(0, integer_digits + 6);
  if (digits[integer_digits + 6] >= '5') {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) {
      kept.insert(0, 1, '1');
    } else {
      ++kept[i - 1];
    }
  }
  const std::size_t integer_size = kept.size() - 6;
  std::size_t first = 0;
  while (first + 1 < integer_size && kept[first] == '0') ++first;
  out.append(kept, first, integer_size - first);
  out += '.';
  out.append(kept, integer_size, 6);
  return out;
}

/// Whether text is one number as "%f" writes it: -?[0-9]+\.[0-9]{6}, or an
/// infinity, -?1\.#INF00.
inline bool is_fixed_text(const char* text, std::size_t size) {
  std::size_t i = 0;
  if (i < size && text[i] == '-') ++i;
  if (size - i == 8 && std::memcmp(text + i, "1.#INF00", 8) == 0) return true;
  const std::size_t integer_start = i;
  while (i < size && is_digit(text[i])) ++i;
  if (i == integer_start || i >= size || text[i] != '.') return false;
  if (size - i - 1 != 6) return false;
  for (++i; i < size; ++i) {
    if (!is_digit(text[i])) return false;
  }
  return true;
}

}  // namespace logvane_fuzz

#endif  // LOGVANE_FUZZ_REFERENCE_H_
