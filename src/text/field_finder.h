#ifndef LOGVANE_TEXT_FIELD_FINDER_H_
#define LOGVANE_TEXT_FIELD_FINDER_H_

#include <bit>
#include <cstdint>

namespace logvane {

/// Bytes that classify_bytes looks at, one bit each in a 64-bit mask.
constexpr int CLASSIFIED_SIZE = 64;

/// Which of 64 bytes are scanner whitespace, digits and points; bit i
/// stands for byte i.
struct ByteClasses {
  std::uint64_t space = 0;
  std::uint64_t digit = 0;
  std::uint64_t point = 0;
};

/// A way to classify the 64 bytes at text.
using ClassifyRoute = ByteClasses (*)(const char* text) noexcept;
/// The fastest route this processor has, chosen once when the program
/// starts: 32 bytes at a time where an x86-64 processor has AVX2, else
/// classify_bytes_narrow.
extern const ClassifyRoute classify_bytes_route;
inline ByteClasses classify_bytes(const char* text) noexcept {
  return classify_bytes_route(text);
}
/// Classifies the 64 bytes at text 16 at a time with SSE2, on ARM64 NEON or
/// in WebAssembly SIMD128 (unless LOGVANE_SCALAR_ONLY is defined), else as
/// classify_bytes_scalar does.
ByteClasses classify_bytes_narrow(const char* text) noexcept;
/// Classifies them eight at a time in plain C++.
ByteClasses classify_bytes_scalar(const char* text) noexcept;

/// The index of the lowest set bit of a mask that is not zero.
inline int lowest_bit(std::uint64_t mask) noexcept {
#if defined(__GNUC__)
  // Without the check for zero that std::countr_zero needs.
  return __builtin_ctzll(mask);
#else
  return std::countr_zero(mask);
#endif
}

/// The index of the highest set bit of a mask that is not zero.
inline int highest_bit(std::uint64_t mask) noexcept {
#if defined(__GNUC__)
  return 63 - __builtin_clzll(mask);
#else
  return std::bit_width(mask) - 1;
#endif
}

/// What a field must be for plain_so_far() to hold: any text, the whole
/// text of a "%d" read ([sign] digits), or the whole text of a "%lf" read
/// without an exponent ([sign] digits [. digits], at least one digit).
enum FieldShape { ANY_TEXT, PLAIN_INTEGER, PLAIN_NUMBER };

/// A field of buffered text, [begin, end), with whitespace at end, and its
/// first point (end if it has none).
struct TextField {
  const char* begin;
  const char* end;
  const char* point;
};

/// Walks the whitespace-separated fields of buffered text, 64 bytes at a
/// time, and checks the shapes asked of them for the whole window at once.
/// The text may be read up to CLASSIFIED_SIZE bytes past limit.
class FieldFinder {
 public:
  FieldFinder(const char* text, const char* limit) noexcept : limit_(limit) {
    classify_from(text);
  }

  /// Takes the next count fields, which must all have the given shape.
  /// False if one of them is not ended by whitespace before limit within 64
  /// bytes of where the one before ended.
  bool skip_fields(int count, FieldShape shape) noexcept {
    do {
      if (ends_ == 0 && !classify_after_last()) return false;
      // Pass over the ends of the fields before the last one wanted, as far
      // as this window has them.
      std::uint64_t ends = ends_;
      for (; count > 1 && (ends & (ends - 1)) != 0; --count) ends &= ends - 1;
      --count;
      const std::uint64_t rest = ends & (ends - 1);
      const std::uint64_t after = (ends ^ rest) << 1;
      ends_ = rest;
      if (shape != ANY_TEXT) {
        // From the end of the field before, whitespace included.
        const std::uint64_t taken = after - after_last_;
        numbers_ |= taken;
        if (shape == PLAIN_INTEGER) integers_ |= taken;
      }
      after_last_ = after;
    } while (count > 0);
    return true;
  }

  /// Takes the next count fields as skip_fields does, and sets field to the
  /// last of them.
  bool take_fields(int count, FieldShape shape, TextField& field) noexcept {
    if (count > 1 && !skip_fields(count - 1, shape)) return false;
    if (ends_ == 0 && !classify_after_last()) return false;
    // From the whitespace before the field, or the window's first byte, to
    // the field's end: the field's start is the first one there.
    const std::uint64_t before = after_last_;
    skip_fields(1, shape);
    const std::uint64_t taken = after_last_ - before;
    const std::uint64_t points = classes_.point & taken;
    field.begin = window_ + lowest_bit(field_starts_ & taken);
    field.end = last_end();
    field.point = points != 0 ? window_ + lowest_bit(points) : field.end;
    return true;
  }

  /// Where the last field taken ends.
  const char* last_end() const noexcept {
    return window_ + lowest_bit(after_last_);
  }

  /// Whether every field taken since the last call had its shape; starts
  /// over.
  bool plain_so_far() noexcept {
    check_shapes();
    const bool plain = wrong_ == 0;
    wrong_ = 0;
    return plain;
  }

 private:
  void classify_from(const char* text) noexcept {
    window_ = text;
    after_last_ = 1;
    classes_ = classify_bytes(text);
    // Bytes from limit on are no whitespace, so no field ends there.
    const auto valid = limit_ - text;
    if (valid < CLASSIFIED_SIZE) {
      classes_.space &= (std::uint64_t{1} << valid) - 1;
    }
    const std::uint64_t digit = classes_.digit;
    const std::uint64_t point = classes_.point;
    // The window begins at whitespace or at a field.
    const std::uint64_t in_field = ~classes_.space;
    field_starts_ = in_field & ~(in_field << 1);
    // A field whose last byte is the window's last may go on after it.
    ends_ = in_field & (classes_.space >> 1);
    // What keeps each field of the window from being a plain number, found
    // for all at once; check_shapes looks at the bytes of those taken as
    // numbers. Besides digits and points, a number may only have a sign in
    // front, which is looked at byte by byte.
    const std::uint64_t other = in_field & ~(digit | point);
    signs_ = other & field_starts_;
    not_number_ = other & ~field_starts_;
    // Each ends with a digit, or with a point after a digit.
    not_number_ |= ends_ & ~digit & ~(point & (digit << 1));
    // The bit after each point, added to the digits, carries over the
    // digits that follow the point to the byte after them: that byte ends
    // the field unless it is a second point.
    not_number_ |= (digit + (point << 1)) & point;
  }

  // Checks the shapes of the fields taken, then classifies from the end of
  // the last one; false if no field ends in the new window either.
  bool classify_after_last() noexcept {
    if (after_last_ == 1) return false;
    check_shapes();
    classify_from(last_end());
    return ends_ != 0;
  }

  void check_shapes() noexcept {
    std::uint64_t wrong =
        (not_number_ & numbers_) | (integers_ & classes_.point);
    for (std::uint64_t signs = signs_ & numbers_; signs != 0;
         signs &= signs - 1) {
      const char c = window_[lowest_bit(signs)];
      if (c != '+' && c != '-') wrong |= signs;
    }
    wrong_ |= wrong;
    numbers_ = integers_ = 0;
  }

  const char* limit_;
  const char* window_ = nullptr;
  ByteClasses classes_;
  // The first bytes of all fields in the window, and the last bytes of
  // those that whitespace ends inside it and that are not yet taken, one
  // bit each.
  std::uint64_t field_starts_ = 0;
  std::uint64_t ends_ = 0;
  // The bytes that keep their field from being a plain number, and the
  // first bytes of fields that are a sign if the field is one.
  std::uint64_t not_number_ = 0;
  std::uint64_t signs_ = 0;
  // The bit of the byte after the last field taken, or of the window's
  // first byte.
  std::uint64_t after_last_ = 1;
  // The bytes of the fields taken from the window that must be numbers, and
  // of those that must be integers, with the whitespace between them.
  std::uint64_t numbers_ = 0;
  std::uint64_t integers_ = 0;
  // Not zero if a field taken since plain_so_far() last started over does
  // not have its shape.
  std::uint64_t wrong_ = 0;
};

}  // namespace logvane

#endif  // LOGVANE_TEXT_FIELD_FINDER_H_
