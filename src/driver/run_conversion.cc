#include "driver/run_conversion.h"

#include <cerrno>

#include "driver/document_file.h"
#include "driver/output_name.h"
#include "kml/kml_writer.h"
#include "log/log_header.h"
#include "log/track_records.h"
#include "text/error_text.h"

namespace logvane {

namespace {

// The reason a document could not be opened, as the user reads it.
const char* output_error_text(const OpenError& error) noexcept {
  if (error.reason == OpenError::SAME_FILE) {
    return "Input and output are the same file";
  }
  if (error.reason == OpenError::DEVICE_NAME) {
    return "Name reserved for a device";
  }
  return describe_error(error.number);
}

}  // namespace

RunStatus convert_opened_log(const char* path, FileHandle log_file,
                             ByteSource& log_bytes, TextWriter& out,
                             TextWriter& err) noexcept {
  TextReader log(log_bytes);
  char line_buffer[LINE_BUFFER_SIZE];
  ReferencePosition reference;
  read_log_header(log, line_buffer, reference, out);
  // The echo comes before any message about the document.
  out.flush();
  if (log.error() != 0) {
    write_error_message(err, "Failed to read input file", log.error());
    return RUN_INPUT_NOT_READ;
  }

  char output_name[OUTPUT_NAME_SIZE];
  const std::size_t name_length =
      derive_output_name(path, find_lead_bytes(), output_name);
  // A name longer than the system allows is refused as its open would be,
  // whatever the file system, and never shortened.
  OpenError error{OpenError::SYSTEM_ERROR, ENAMETOOLONG};
  const FileHandle document_file =
      name_length == 0 || is_name_too_long(output_name, name_length,
                                           names_follow_windows_rules())
          ? NO_FILE
          : open_document(output_name, log_file, &error);
  if (document_file == NO_FILE) {
    write_error_message(err, "Failed to open output file",
                        output_error_text(error));
    return RUN_OUTPUT_NOT_OPENED;
  }
  FileSink document_bytes(document_file);
  TextWriter document(document_bytes);
  write_kml_header(document, path, reference);
  skip_to_records(log, line_buffer);
  convert_track_records(log, document);
  write_kml_footer(document);
  document.flush();

  // An incomplete document must not stand where a complete one is expected.
  const int read_error = log.error();
  int write_error = document.error();
  if (read_error != 0 || write_error != 0) {
    // Still locked: no other run writes the file until it is discarded.
    discard_document(output_name, document_file);
    close_file(document_file);
  } else {
    write_error = close_document(document_file);
    if (write_error != 0) discard_document(output_name, NO_FILE);
  }
  if (read_error != 0) {
    write_error_message(err, "Failed to read input file", read_error);
    return RUN_INPUT_NOT_READ;
  }
  if (write_error != 0) {
    write_error_message(err, "Failed to write output file", write_error);
    return RUN_OUTPUT_NOT_WRITTEN;
  }
  return RUN_CONVERTED;
}

RunStatus report_unread_path(int error) noexcept {
  FileSink err_bytes(standard_error());
  TextWriter err(err_bytes);
  write_error_message(err, "Filed to open input file", error);
  return RUN_INPUT_NOT_OPENED;
}

RunStatus report_usage() noexcept {
  FileSink out_bytes(standard_output());
  TextWriter out(out_bytes);
  out.write_text("Usage: logvane txtfile\n");
  return RUN_USAGE;
}

RunStatus run_conversion(const char* path) noexcept {
  FileSink out_bytes(standard_output());
  FileSink err_bytes(standard_error());
  TextWriter out(out_bytes);
  TextWriter err(err_bytes);
  discard_document_when_stopped();
  // A document that Windows would not make a file in the current folder is
  // refused before the log is even opened: a log of such a name, aux.txt
  // say, is that device itself there, and reading it could wait for ever.
  if (names_follow_windows_rules()) {
    char output_name[OUTPUT_NAME_SIZE];
    derive_output_name(path, find_lead_bytes(), output_name);
    const OpenError name_error = windows_name_error(output_name);
    if (name_error.reason != OpenError::NONE) {
      write_error_message(err, "Failed to open output file",
                          output_error_text(name_error));
      return RUN_OUTPUT_NOT_OPENED;
    }
  }
  // An empty path names no file on any system; it is not asked about.
  int error = EINVAL;
  const FileHandle log_file =
      path[0] != '\0' ? open_for_reading(path, &error) : NO_FILE;
  if (log_file == NO_FILE) {
    write_error_message(err, "Filed to open input file", error);
    return RUN_INPUT_NOT_OPENED;
  }
  FileSource log_bytes(log_file);
  const RunStatus status =
      convert_opened_log(path, log_file, log_bytes, out, err);
  close_file(log_file);
  return status;
}

}  // namespace logvane
