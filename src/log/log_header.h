#ifndef LOGVANE_LOG_LOG_HEADER_H_
#define LOGVANE_LOG_LOG_HEADER_H_

#include "log/track_log.h"
#include "text/text_stream.h"

namespace logvane {

/// Skips the three preamble lines, reads the two labelled reference values
/// into reference and echoes the longitude on console as "%f\n". A value
/// that cannot be read keeps what reference held. line_buffer holds
/// LINE_BUFFER_SIZE bytes.
void read_log_header(TextReader& log, char* line_buffer,
                     ReferencePosition& reference,
                     TextWriter& console) noexcept;

/// Takes the rest of the latitude's line and the two lines after it.
void skip_to_records(TextReader& log, char* line_buffer) noexcept;

}  // namespace logvane

#endif  // LOGVANE_LOG_LOG_HEADER_H_
