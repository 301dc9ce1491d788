#include "driver/run_conversion.h"

#include <cstring>

#include "driver/output_name.h"
#include "kml/kml_writer.h"
#include "log/log_header.h"
#include "log/track_records.h"
#include "platform/code_page.h"

namespace logvane {

namespace {

constexpr int STANDARD_OUTPUT = 1;
constexpr int STANDARD_ERROR = 2;

}  // namespace

RunStatus convert_opened_log(const char* path, int log_fd, TextWriter& out,
                             TextWriter& err) noexcept {
  TextReader log(log_fd);
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
  derive_output_name(path, system_code_page(), output_name);
  int error = 0;
  const int document_fd = open_for_writing(output_name, log_fd, &error);
  if (document_fd < 0) {
    write_error_message(err, "Failed to open output file",
                        error == SAME_FILE
                            ? "Input and output are the same file"
                            : std::strerror(error));
    return RUN_OUTPUT_NOT_OPENED;
  }
  TextWriter document(document_fd);
  write_document(log, line_buffer, path, reference, document);
  document.flush();
  const int close_error = close_file(document_fd);
  const int write_error =
      document.error() != 0 ? document.error() : close_error;

  // An incomplete document must not stand where a complete one is expected.
  if (log.error() != 0) {
    remove_file(output_name);
    write_error_message(err, "Failed to read input file", log.error());
    return RUN_INPUT_NOT_READ;
  }
  if (write_error != 0) {
    remove_file(output_name);
    write_error_message(err, "Failed to write output file", write_error);
    return RUN_OUTPUT_NOT_WRITTEN;
  }
  return RUN_CONVERTED;
}

RunStatus report_usage() noexcept {
  TextWriter out(STANDARD_OUTPUT);
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
  TextWriter out(STANDARD_OUTPUT);
  TextWriter err(STANDARD_ERROR);
  int error = 0;
  const int log_fd = open_for_reading(path, &error);
  if (log_fd < 0) {
    write_error_message(err, "Filed to open input file", error);
    return RUN_INPUT_NOT_OPENED;
  }
  const RunStatus status = convert_opened_log(path, log_fd, out, err);
  close_file(log_fd);
  return status;
}

}  // namespace logvane
