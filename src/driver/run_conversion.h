#ifndef LOGVANE_DRIVER_RUN_CONVERSION_H_
#define LOGVANE_DRIVER_RUN_CONVERSION_H_

#include "log/track_log.h"
#include "platform/system.h"
#include "text/text_stream.h"

namespace logvane {

/// The program's exit statuses.
enum RunStatus {
  RUN_CONVERTED = 0,
  RUN_USAGE = 1,
  RUN_INPUT_NOT_OPENED = 2,
  RUN_OUTPUT_NOT_OPENED = 3,
  RUN_OUTPUT_NOT_WRITTEN = 4,
  RUN_INPUT_NOT_READ = 5,
};

/// Writes the usage text on standard output.
RunStatus report_usage() noexcept;

/// Reports on standard error that the log's path could not be had from the
/// command line, for the reason error, as a log that cannot be opened.
RunStatus report_unread_path(int error) noexcept;

/// Converts the log at path into a document in the current directory,
/// reporting on standard output and standard error.
RunStatus run_conversion(const char* path) noexcept;

/// The conversion after the log at path was opened as log_file (which the
/// caller closes), whose bytes come from log_bytes, reporting on out and err.
RunStatus convert_opened_log(const char* path, FileHandle log_file,
                             ByteSource& log_bytes, TextWriter& out,
                             TextWriter& err) noexcept;

}  // namespace logvane

#endif  // LOGVANE_DRIVER_RUN_CONVERSION_H_
