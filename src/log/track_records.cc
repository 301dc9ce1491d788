#include "log/track_records.h"

#include <initializer_list>

#include "kml/kml_writer.h"
#include "text/field_finder.h"
#include "text/scan.h"

namespace logvane {

namespace {

// One record read from buffered text: the fields converted (or RECORD_END),
// where the read stopped, and fields 4 to 6 as the text spells them.
struct RecordText {
  int converted = RECORD_END;
  const char* stop = nullptr;
  SpelledTrackPoint point{};
};

// Reads one record from buffered text that ends at limit, field by field as
// scanf does. A read that stops at limit may go on in more input.
RecordText scan_record_text(const char* p, const char* limit) noexcept {
  RecordText record;
  record.stop = skip_space_text(p);
  if (record.stop == limit) return record;
  // Fields 1 and 2 are words of any length; their text is not kept.
  record.converted = 0;
  for (int word = 0; word < 2; ++word) {
    record.stop = skip_space_text(skip_word_text(record.stop, limit));
    ++record.converted;
    if (record.stop == limit) return record;
  }
  const TextScan integer = scan_int_text(record.stop);
  record.stop = integer.end;
  if (!integer.converted) return record;
  ++record.converted;
  NumberSpelling* const used[] = {&record.point.longitude,
                                  &record.point.latitude,
                                  &record.point.altitude};
  for (int field = 3; field < RECORD_FIELD_COUNT; ++field) {
    record.stop = skip_space_text(record.stop);
    if (record.stop == limit) return record;
    const NumberSpelling number = spell_number(record.stop);
    record.stop = number.end;
    if (!number.converted) return record;
    // Fields 4, 5 and 6 make the point; 7 to 13 need only their syntax.
    if (field < 6) *used[field - 3] = number;
    ++record.converted;
  }
  return record;
}

// Reads the next record from the reader's buffer, refilling it until the
// record lies whole in it or the input ends. False, having taken nothing,
// for a record longer than the buffer.
bool scan_whole_record(TextReader& log, RecordText& record) noexcept {
  for (;;) {
    record = scan_record_text(log.next(), log.limit());
    if (record.stop < log.limit() || log.source_done()) return true;
    if (!log.refill() && !log.source_done()) return false;
  }
}

// Takes the text the record's read took. A read that met the end of the
// input sets the end-of-file indicator.
void take_record(TextReader& log, const RecordText& record) noexcept {
  log.take_to(record.stop);
  if (record.stop == log.limit()) log.peek();
}

// The record read through the stream, for one longer than the buffer.
int scan_long_record(TextReader& log, TrackPoint& point) noexcept {
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
  for (NumberSpelling* number :
       {&point.longitude, &point.latitude, &point.altitude}) {
    if (!fields.take_fields(1, PLAIN_NUMBER, field)) return false;
    *number = {field.begin, field.point, field.end, field.end, true};
  }
  if (!fields.skip_fields(7, PLAIN_NUMBER) || !fields.plain_so_far()) {
    return false;
  }
  write_spelled_track_point(document, point);
  log.take_to(fields.last_end());
  return true;
}

// Converts records while they have the plain shape and lie wholly in the
// buffer; returns at the first that does not, having taken nothing of it.
// Out of line, so that an engine which compiles a function again once it
// has run long (a WebAssembly engine, which cannot swap the code of a call
// under way) runs the faster code from the next buffer on, not only from
// the next log.
[[gnu::noinline]] void convert_plain_records(TextReader& log,
                                             TextWriter& document) noexcept {
  FieldFinder fields(log.next(), log.limit());
  while (convert_plain_record(fields, log, document)) {
  }
}

}  // namespace

int scan_track_record(TextReader& log, TrackPoint& point) noexcept {
  RecordText record;
  if (!scan_whole_record(log, record)) return scan_long_record(log, point);
  const NumberSpelling* const spelled[] = {&record.point.longitude,
                                           &record.point.latitude,
                                           &record.point.altitude};
  double* const values[] = {&point.longitude, &point.latitude,
                            &point.altitude};
  for (int field = 3; field < 6 && field < record.converted; ++field) {
    *values[field - 3] = spelled_value(*spelled[field - 3]);
  }
  take_record(log, record);
  return record.converted;
}

void convert_track_records(TextReader& log, TextWriter& document) noexcept {
  // The end is tested after each attempt, so a last record without a line
  // end is still written.
  do {
    convert_plain_records(log, document);
    RecordText record;
    if (!scan_whole_record(log, record)) {
      TrackPoint point;
      if (scan_long_record(log, point) == RECORD_FIELD_COUNT) {
        write_track_point(document, point);
      }
      continue;
    }
    if (record.converted == RECORD_FIELD_COUNT) {
      write_spelled_track_point(document, record.point);
    }
    take_record(log, record);
  } while (!log.end_of_file());
}

}  // namespace logvane
