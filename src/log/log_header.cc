#include "log/log_header.h"

#include "text/fixed_format.h"
#include "text/scan.h"

namespace logvane {

namespace {

// A label is two words; what they say does not matter.
void skip_label(TextReader& log) noexcept {
  read_word(log);
  read_word(log);
}

}  // namespace

void read_log_header(TextReader& log, char* line_buffer,
                     ReferencePosition& reference,
                     TextWriter& console) noexcept {
  for (int line = 0; line < 3; ++line) {
    read_line(log, line_buffer, LINE_BUFFER_SIZE);
  }
  skip_label(log);
  scan_double(log, &reference.longitude);
  char echo[FIXED_TEXT_SIZE + 1];
  std::size_t length = format_fixed(reference.longitude, echo);
  echo[length++] = '\n';
  console.write_text(echo, length);
  skip_label(log);
  scan_double(log, &reference.latitude);
}

void skip_to_records(TextReader& log, char* line_buffer) noexcept {
  for (int line = 0; line < 3; ++line) {
    read_line(log, line_buffer, LINE_BUFFER_SIZE);
  }
}

}  // namespace logvane
