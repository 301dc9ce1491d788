#ifndef LOGVANE_KML_KML_WRITER_H_
#define LOGVANE_KML_KML_WRITER_H_

#include "log/track_log.h"
#include "text/scan.h"
#include "text/text_stream.h"

namespace logvane {

/// Writes the document's head: the style, the placemark named after path,
/// the point at reference, and the opening of the path's coordinates.
void write_kml_header(TextWriter& out, const char* path,
                      const ReferencePosition& reference) noexcept;

/// Writes one coordinate line: longitude,latitude,altitude.
void write_track_point(TextWriter& out, const TrackPoint& point) noexcept;

/// Fields 4, 5 and 6 of one track record as the log spells them.
struct SpelledTrackPoint {
  NumberSpelling longitude;
  NumberSpelling latitude;
  NumberSpelling altitude;
};

/// Writes the coordinate line that write_track_point writes for the values
/// the three numbers read as, mostly straight from their digits.
void write_spelled_track_point(TextWriter& out,
                               const SpelledTrackPoint& point) noexcept;

/// Writes the closing lines of the document.
void write_kml_footer(TextWriter& out) noexcept;

/// Writes text as XML character data: &, < and > as entities; bytes that are
/// not UTF-8, and characters XML does not allow, as U+FFFD.
void write_xml_text(TextWriter& out, const char* text) noexcept;

}  // namespace logvane

#endif  // LOGVANE_KML_KML_WRITER_H_
