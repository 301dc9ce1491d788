#include "driver/run_conversion.h"

#include "driver/output_name.h"
#include "kml/kml_writer.h"
#include "log/log_header.h"
#include "log/track_records.h"
#include "text/error_text.h"

namespace logvane {

namespace {

// The reason a document could not be opened, as the user reads it.
const char* output_error_text(int error) noexcept {
  if (error == SAME_FILE) return "Input and output are the same file";
  if (error == DEVICE_NAME) return "Name reserved for a device";
  return describe_error(error);
}

}  // namespace

RunStatus convert_opened_log(const char* path, FileHandle log_file,
                             TextWriter& out, TextWriter& err) noexcept {
  TextReader log(log_file);
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
  derive_output_name(path, find_lead_bytes(), output_name);
  int error = 0;
  const FileHandle document_file =
      open_for_writing(output_name, log_file, &error);
  if (document_file == NO_FILE) {
    write_error_message(err, "Failed to open output file",
                        output_error_text(error));
    return RUN_OUTPUT_NOT_OPENED;
  }
  TextWriter document(document_file);
  write_document(log, line_buffer, path, reference, document);
  document.flush();

  // An incomplete document must not stand where a complete one is expected.
  const int read_error = log.error();
  int write_error = document.error();
  if (read_error != 0 || write_error != 0) {
    discard_document(output_name, document_file);
    close_file(document_file);
  } else {
    write_error = close_file(document_file);
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
  TextWriter err(standard_error());
  write_error_message(err, "Filed to open input file", error);
  return RUN_INPUT_NOT_OPENED;
}

RunStatus report_usage() noexcept {
  TextWriter out(standard_output());
  out.write_text("Usage: logvane txtfile\n");
  return RUN_USAGE;
}

void write_document(TextReader& log, char* line_buffer, const char* path,
                    const ReferencePosition& reference,
                    TextWriter& document) noexcept {
  write_kml_header(document, path, reference);
  skip_to_records(log, line_buffer);
  convert_track_records(log, document);
  write_kml_footer(document);
}

RunStatus run_conversion(const char* path) noexcept {
  TextWriter out(standard_output());
  TextWriter err(standard_error());
  // A document that Windows would not make a file in the current folder is
  // refused before the log is even opened: a log of such a name, aux.txt
  // say, is that device itself there, and reading it could wait for ever.
  if (names_follow_windows_rules()) {
    char output_name[OUTPUT_NAME_SIZE];
    derive_output_name(path, find_lead_bytes(), output_name);
    const int name_error = windows_name_error(output_name);
    if (name_error != 0) {
      write_error_message(err, "Failed to open output file",
                          output_error_text(name_error));
      return RUN_OUTPUT_NOT_OPENED;
    }
  }
  int error = 0;
  const FileHandle log_file = open_for_reading(path, &error);
  if (log_file == NO_FILE) {
    write_error_message(err, "Filed to open input file", error);
    return RUN_INPUT_NOT_OPENED;
  }
  const RunStatus status = convert_opened_log(path, log_file, out, err);
  close_file(log_file);
  return status;
}

}  // namespace logvane
