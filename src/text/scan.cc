#include "text/scan.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "text/decimal_text.h"

namespace logvane {

namespace {

// Reads through the reader, refilling as needed: for text that runs past the
// end of the buffer.
struct ReaderCursor {
  TextReader& in;
  int peek() const noexcept { return in.peek(); }
  void advance() noexcept { in.advance(); }
};

// Rounding a decimal number to a double depends on at most its first 768
// significant digits; past those only whether any digit is nonzero matters.
constexpr int KEPT_DIGITS = 800;
constexpr int MANTISSA_DIGITS = 19;
constexpr std::int64_t EXPONENT_CAP = 1'000'000'000;

// The digits a number read took, in a form that never grows: the first 19
// significant digits as an integer, the next ones as text up to 800 in all,
// and a flag for any nonzero digit past them. The value is
// 0.d1d2d3... * 10^(point + exponent).
struct DecimalDigits {
  std::uint64_t mantissa = 0;
  int significant = 0;  // significant digits taken, capped at KEPT_DIGITS
  bool nonzero_dropped = false;
  bool negative = false;
  bool negative_exponent = false;
  std::int64_t point = 0;
  std::int64_t exponent = 0;
  char extra[KEPT_DIGITS - MANTISSA_DIGITS];

  // Leaves extra as it is: only its first significant - 19 bytes count.
  void reset() noexcept {
    mantissa = 0;
    significant = 0;
    nonzero_dropped = negative = negative_exponent = false;
    point = exponent = 0;
  }
  void add_sign(int c) noexcept { negative = c == '-'; }
  void add_point() noexcept {}
  void add_exponent_mark() noexcept {}
  void add_digit(int c, bool before_point) noexcept {
    if (significant == 0 && c == '0') {
      if (!before_point) --point;
      return;
    }
    if (before_point) ++point;
    if (significant < MANTISSA_DIGITS) {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++significant;
    } else if (significant < KEPT_DIGITS) {
      extra[significant - MANTISSA_DIGITS] = static_cast<char>(c);
      ++significant;
    } else if (c != '0') {
      nonzero_dropped = true;
    }
  }
  void add_exponent_sign(int c) noexcept { negative_exponent = c == '-'; }
  void add_exponent_digit(int c) noexcept {
    if (exponent < EXPONENT_CAP) exponent = exponent * 10 + (c - '0');
  }
};

// Skips whitespace; returns the next character, or -1 at the end.
int skip_space(TextReader& in) noexcept {
  for (;;) {
    // The NUL after the buffered text is no whitespace: the scan stops there.
    const char* const p = skip_space_text(in.next());
    in.take_to(p);
    if (p < in.limit()) return static_cast<unsigned char>(*p);
    if (in.peek() < 0) return -1;
  }
}

// Finishes a read that ran to the end of the buffer: then more of it may
// follow. Nothing was taken yet, so the read starts again, through the reader.
template <class Take>
bool finish_in_reader(TextReader& in, TextScan fast, Take take) noexcept {
  if (fast.end < in.limit()) {
    in.take_to(fast.end);
    return fast.converted;
  }
  ReaderCursor slow{in};
  return take(slow);
}

constexpr double INFINITY_VALUE = std::numeric_limits<double>::infinity();

// The shortcut below needs each double operation to round once, to double.
// The x87 of i386 computes in 80-bit registers and rounds again on storing
// (FLT_EVAL_METHOD 2): there every number takes the exact route.
constexpr bool DOUBLE_ROUNDS_ONCE = FLT_EVAL_METHOD == 0;

constexpr double EXACT_POWERS_OF_TEN[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double to_double(const DecimalDigits& digits) noexcept {
  const double zero = digits.negative ? -0.0 : 0.0;
  if (digits.significant == 0) return zero;
  const std::int64_t exponent =
      digits.negative_exponent ? -digits.exponent : digits.exponent;
  // The value lies in [10^(scale-1), 10^scale).
  const std::int64_t scale = digits.point + exponent;
  if (scale > 310) {
    return digits.negative ? -INFINITY_VALUE : INFINITY_VALUE;
  }
  if (scale < -330) return zero;
  const auto power = scale - digits.significant;
  // Both the integer and the power of ten are exact doubles, so one
  // multiplication or division rounds correctly.
  if (DOUBLE_ROUNDS_ONCE && digits.significant <= MANTISSA_DIGITS &&
      digits.mantissa <= (std::uint64_t{1} << 53) && power >= -22 &&
      power <= 22) {
    double value = static_cast<double>(digits.mantissa);
    if (power < 0) {
      value /= EXACT_POWERS_OF_TEN[-power];
    } else {
      value *= EXACT_POWERS_OF_TEN[power];
    }
    return digits.negative ? -value : value;
  }
  char text[KEPT_DIGITS + 40];
  char* end =
      std::to_chars(text, text + MANTISSA_DIGITS + 1, digits.mantissa).ptr;
  const int extra = digits.significant - MANTISSA_DIGITS;
  std::int64_t text_power = power;
  if (extra > 0) {
    std::memcpy(end, digits.extra, static_cast<std::size_t>(extra));
    end += extra;
  }
  if (digits.nonzero_dropped) {
    // A digit past the kept ones only tells that the value lies above
    // them; any nonzero digit there says the same.
    *end++ = '1';
    --text_power;
  }
  if (!DOUBLE_ROUNDS_ONCE && end - text < MANTISSA_DIGITS + 1) {
    // The library's reader (fast_float in GCC's libstdc++) takes the same
    // shortcut for up to 19 digits and a power of ten up to 22, rounding
    // twice on the x87; trailing zeros up to 20 digits send it to its
    // integer route.
    const std::ptrdiff_t zeros = MANTISSA_DIGITS + 1 - (end - text);
    std::memset(end, '0', static_cast<std::size_t>(zeros));
    end += zeros;
    text_power -= zeros;
  }
  *end++ = 'e';
  end = std::to_chars(end, text + sizeof text, text_power).ptr;
  *end = '\0';
  double value = 0.0;
  const auto result = read_decimal_text(text, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    value = scale > 0 ? INFINITY_VALUE : 0.0;
  }
  return digits.negative ? -value : value;
}

}  // namespace

bool read_line(TextReader& in, char* line, std::size_t size) noexcept {
  if (in.peek() < 0) {
    line[0] = '\0';
    return false;
  }
  std::size_t room = size - 1;
  char* out = line;
  while (room > 0 && in.peek() >= 0) {
    const char* next = in.next();
    const auto buffered = static_cast<std::size_t>(in.limit() - next);
    // A CR LF is one character, so room characters may take room + 1 bytes.
    const char* line_feed = static_cast<const char*>(
        std::memchr(next, '\n', std::min(buffered, room + 1)));
    if (line_feed != nullptr && line_feed > next && line_feed[-1] == '\r') {
      const auto run = static_cast<std::size_t>(line_feed - next);
      std::memcpy(out, next, run - 1);
      out[run - 1] = '\n';
      out += run;
      in.take_to(line_feed + 1);
      break;
    }
    if (line_feed != nullptr && line_feed < next + room) {
      const auto run = static_cast<std::size_t>(line_feed - next) + 1;
      std::memcpy(out, next, run);
      out += run;
      in.take_to(line_feed + 1);
      break;
    }
    const std::size_t run = std::min(buffered, room);
    std::memcpy(out, next, run);
    out += run;
    room -= run;
    in.take_to(next + run);
  }
  *out = '\0';
  return true;
}

ScanStatus read_word(TextReader& in) noexcept {
  if (skip_space(in) < 0) return SCAN_END;
  for (;;) {
    const char* const p = skip_word_text(in.next(), in.limit());
    in.take_to(p);
    if (p < in.limit()) return SCAN_CONVERTED;
    const int c = in.peek();
    if (c < 0 || is_scan_space(c)) return SCAN_CONVERTED;
  }
}

TextScan scan_double_text(const char* p, double* value) noexcept {
  BufferCursor cursor{p};
  DecimalDigits digits;
  digits.reset();
  if (!take_number(cursor, digits)) return {cursor.position, false};
  *value = to_double(digits);
  return {cursor.position, true};
}

ScanStatus scan_int(TextReader& in) noexcept {
  if (skip_space(in) < 0) return SCAN_END;
  const bool taken =
      finish_in_reader(in, scan_int_text(in.next()),
                       [](ReaderCursor& cursor) { return take_int(cursor); });
  return taken ? SCAN_CONVERTED : SCAN_MISMATCH;
}

ScanStatus scan_double(TextReader& in, double* value) noexcept {
  if (skip_space(in) < 0) return SCAN_END;
  double fast_value = 0.0;
  const TextScan fast = scan_double_text(in.next(), &fast_value);
  if (fast.end < in.limit()) {
    in.take_to(fast.end);
    if (!fast.converted) return SCAN_MISMATCH;
    *value = fast_value;
    return SCAN_CONVERTED;
  }
  ReaderCursor slow{in};
  DecimalDigits digits;
  digits.reset();
  if (!take_number(slow, digits)) return SCAN_MISMATCH;
  *value = to_double(digits);
  return SCAN_CONVERTED;
}

ScanStatus skip_double(TextReader& in) noexcept {
  if (skip_space(in) < 0) return SCAN_END;
  const NumberSpelling fast = spell_number(in.next());
  const bool taken = finish_in_reader(in, {fast.end, fast.converted},
                                      [](ReaderCursor& cursor) {
                                        DiscardDigits digits;
                                        return take_number(cursor, digits);
                                      });
  return taken ? SCAN_CONVERTED : SCAN_MISMATCH;
}

}  // namespace logvane
