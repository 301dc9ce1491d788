#ifndef LOGVANE_LOG_TRACK_RECORDS_H_
#define LOGVANE_LOG_TRACK_RECORDS_H_

#include "log/track_log.h"
#include "text/text_stream.h"

namespace logvane {

/// Fields of one track record.
constexpr int RECORD_FIELD_COUNT = 13;
/// What scan_track_record returns when the input ended before field 1.
constexpr int RECORD_END = -1;

/// Reads the next 13 whitespace-separated fields: two words, an integer and
/// ten numbers. Returns how many converted before the first that did not
/// (13 for a whole record), or RECORD_END. Fields 4 to 6 go into point.
int scan_track_record(TextReader& log, TrackPoint& point) noexcept;

/// Writes a coordinate line for each whole record until the log ends.
void convert_track_records(TextReader& log, TextWriter& document) noexcept;

}  // namespace logvane

#endif  // LOGVANE_LOG_TRACK_RECORDS_H_
