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

/// Classifies the 64 bytes at text, 16 at a time where the processor has
/// SSE2 (unless LOGVANE_SCALAR_ONLY is defined), else as
/// classify_bytes_scalar does.
ByteClasses classify_bytes(const char* text) noexcept;
/// Classifies the 64 bytes at text eight at a time in plain C++.
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

  /// Takes the next count fields, which must all have the given shape, and
  /// sets field to the last of them. False if one of them is not ended by
  /// whitespace before limit within 64 bytes of where the one before ended.
  bool take_fields(int count, FieldShape shape, TextField& field) noexcept {
    do {
      if (ends_ == 0 && !classify_after_last()) return false;
      // Only the last field wanted needs its start: pass over the ends of
      // those before it as far as this window has them.
      std::uint64_t ends = ends_;
      for (; count > 1 && (ends & (ends - 1)) != 0; --count) ends &= ends - 1;
      --count;
      const std::uint64_t last = ends & (0 - ends);
      ends_ = ends ^ last;
      if (shape != ANY_TEXT) {
        // From the end of the field before, whitespace included.
        const std::uint64_t taken =
            (last << 1) - (std::uint64_t{1} << last_end_);
        numbers_ |= taken;
        if (shape == PLAIN_INTEGER) integers_ |= taken;
      }
      last_end_ = lowest_bit(last) + 1;
    } while (count > 0);
    // The last field begins at the last field start before its end.
    const std::uint64_t through_end = (std::uint64_t{1} << last_end_) - 1;
    const int begin = highest_bit(field_starts_ & through_end);
    const std::uint64_t points =
        classes_.point & ((through_end >> begin) << begin);
    field.begin = window_ + begin;
    field.end = window_ + last_end_;
    field.point = points != 0 ? window_ + lowest_bit(points) : field.end;
    return true;
  }

  /// Whether every field taken since the last call had its shape; starts
  /// over.
  bool plain_so_far() noexcept {
    check_shapes();
    const bool plain = plain_;
    plain_ = true;
    return plain;
  }

 private:
  void classify_from(const char* text) noexcept {
    window_ = text;
    last_end_ = 0;
    classes_ = classify_bytes(text);
    // Bytes from limit on are no whitespace, so no field ends there.
    const auto valid = limit_ - text;
    if (valid < CLASSIFIED_SIZE) {
      classes_.space &= (std::uint64_t{1} << valid) - 1;
    }
    // The window begins at whitespace or at a field.
    const std::uint64_t in_field = ~classes_.space;
    field_starts_ = in_field & ~(in_field << 1);
    // A field whose last byte is the window's last may go on after it.
    field_ends_ = ends_ = in_field & (classes_.space >> 1);
  }

  // Checks the shapes of the fields taken, then classifies from the end of
  // the last one; false if no field ends in the new window either.
  bool classify_after_last() noexcept {
    if (last_end_ == 0) return false;
    check_shapes();
    classify_from(window_ + last_end_);
    return ends_ != 0;
  }

  void check_shapes() noexcept {
    if (numbers_ == 0) return;
    const std::uint64_t digit = classes_.digit;
    const std::uint64_t point = classes_.point;
    // Besides digits and points, a number may only have a sign in front.
    std::uint64_t other = numbers_ & ~(classes_.space | digit | point);
    std::uint64_t wrong = other & ~field_starts_;
    for (; other != 0; other &= other - 1) {
      const char c = window_[lowest_bit(other)];
      if (c != '+' && c != '-') wrong |= other;
    }
    // Each ends with a digit, or with a point after a digit.
    wrong |= numbers_ & field_ends_ & ~digit & ~(point & (digit << 1));
    // The bit after each point, added to the digits, carries over the
    // digits that follow the point to the byte after them: that byte ends
    // the field unless it is a second point.
    wrong |= (digit + (point << 1)) & point & numbers_;
    wrong |= integers_ & point;
    plain_ = plain_ && wrong == 0;
    numbers_ = integers_ = 0;
  }

  const char* limit_;
  const char* window_ = nullptr;
  ByteClasses classes_;
  // The first bytes of all fields in the window, the last bytes of all
  // that whitespace ends inside it, and of those not yet taken, one bit
  // each.
  std::uint64_t field_starts_ = 0;
  std::uint64_t field_ends_ = 0;
  std::uint64_t ends_ = 0;
  // Where the last field found ends, from the window's start.
  int last_end_ = 0;
  // The bytes of the fields taken from the window that must be numbers, and
  // of those that must be integers, with the whitespace between them.
  std::uint64_t numbers_ = 0;
  std::uint64_t integers_ = 0;
  bool plain_ = true;
};

}  // namespace logvane

#endif  // LOGVANE_TEXT_FIELD_FINDER_H_
