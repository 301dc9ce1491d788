#include "log/track_records.h"

#include "kml/kml_writer.h"
#include "platform/scan.h"

namespace logvane {

int scan_track_record(TextReader& log, TrackPoint& point) noexcept {
  // Fields 1 and 2 are words of any length; their text is not kept.
  const ScanStatus first = read_word(log);
  if (first == SCAN_END) return RECORD_END;
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
  do {
    TrackPoint point;
    if (scan_track_record(log, point) == RECORD_FIELD_COUNT) {
      write_track_point(document, point);
    }
  } while (!log.end_of_file());
}

}  // namespace logvane
