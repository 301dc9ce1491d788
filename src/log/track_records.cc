#include "log/track_records.h"

#include <algorithm>

#include "kml/kml_writer.h"
#include "text/field_finder.h"
#include "text/scan.h"

namespace logvane {

namespace {

// What scan_buffered_record returns when the record runs to the end of the
// buffer, where it may go on in the next block.
constexpr int RECORD_SPLIT = -2;

// Reads one record that lies wholly in the reader's buffer, field by field
// as scan_track_record does, but on the buffered text directly. Takes
// nothing if it returns RECORD_SPLIT.
int scan_buffered_record(TextReader& log, TrackPoint& point) noexcept {
  const char* const limit = log.limit();
  const char* p = skip_space_text(log.next());
  if (p == limit) return RECORD_SPLIT;
  for (int word = 0; word < 2; ++word) {
    p = skip_space_text(skip_word_text(p, limit));
    if (p == limit) return RECORD_SPLIT;
  }
  double* const used[] = {&point.longitude, &point.latitude, &point.altitude};
  TextScan field = scan_int_text(p);
  int converted = 2;
  for (;;) {
    if (field.end == limit) return RECORD_SPLIT;
    if (!field.converted) break;
    if (++converted == RECORD_FIELD_COUNT) break;
    p = skip_space_text(field.end);
    // Fields 4, 5 and 6 make the point; 7 to 13 need only their syntax.
    field = converted < 6 ? scan_double_text(p, used[converted - 3])
                          : skip_double_text(p);
  }
  log.take_to(field.end);
  return converted;
}

// The finder and the number form read ahead of the buffered text.
static_assert(READ_PADDING_SIZE >= CLASSIFIED_SIZE);

// Converts the next record if it lies wholly in the reader's buffer and has
// the plain shape of nearly every log: two words, then an integer and ten
// numbers without exponents, each read to the whitespace after it. Writes
// its point, takes it and returns true; returns false otherwise, having
// taken nothing.
bool convert_plain_record(FieldFinder& fields, TextReader& log,
                          TextWriter& document) noexcept {
  TextField field;
  if (!fields.skip_fields(2, ANY_TEXT) ||
      !fields.skip_fields(1, PLAIN_INTEGER)) {
    return false;
  }
  SpelledTrackPoint point;
  for (SpelledNumber* number :
       {&point.longitude, &point.latitude, &point.altitude}) {
    if (!fields.take_fields(1, PLAIN_NUMBER, field)) return false;
    *number = {field.begin, field.point, field.end};
  }
  if (!fields.skip_fields(7, PLAIN_NUMBER) || !fields.plain_so_far()) {
    return false;
  }
  write_spelled_track_point(document, point);
  log.take_to(fields.last_end());
  return true;
}

}  // namespace

int scan_track_record(TextReader& log, TrackPoint& point) noexcept {
  const int fast = scan_buffered_record(log, point);
  if (fast != RECORD_SPLIT) return fast;
  // Fields 1 and 2 are words of any length; their text is not kept.
  if (read_word(log) == SCAN_END) return RECORD_END;
  if (read_word(log) != SCAN_CONVERTED) return 1;
  if (scan_int(log) != SCAN_CONVERTED) return 2;
  if (scan_double(log, &point.longitude) != SCAN_CONVERTED) return 3;
  if (scan_double(log, &point.latitude) != SCAN_CONVERTED) return 4;
  if (scan_double(log, &point.altitude) != SCAN_CONVERTED) return 5;
  for (int field = 6; field < RECORD_FIELD_COUNT; ++field) {
    if (skip_double(log) != SCAN_CONVERTED) return field;
  }
  return RECORD_FIELD_COUNT;
}

void convert_track_records(TextReader& log, TextWriter& document) noexcept {
  // The end is tested after each attempt, so a last record without a line
  // end is still written.
  FieldFinder fields(log.next(), log.limit());
  // After n records in a row that the plain route could not take, the next
  // 2^n - 1 (at most 63) go straight to scan_track_record: a log whose
  // records all have, say, an exponent does not pay for every attempt.
  int misses = 0;
  int left_to_scan = 0;
  do {
    if (left_to_scan > 0) {
      --left_to_scan;
    } else if (convert_plain_record(fields, log, document)) {
      misses = 0;
      continue;
    } else {
      left_to_scan = (1 << std::min(misses, 6)) - 1;
      ++misses;
    }
    TrackPoint point;
    if (scan_track_record(log, point) == RECORD_FIELD_COUNT) {
      write_track_point(document, point);
    }
    // The buffer may have been refilled since the finder was made.
    if (left_to_scan == 0) fields = FieldFinder(log.next(), log.limit());
  } while (!log.end_of_file());
}

}  // namespace logvane
