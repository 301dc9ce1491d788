// The whole conversion core on bytes from memory: the header read with its
// echo, then the document. The first byte picks how many bytes one refill
// of the reader may take, so that refill boundaries fall anywhere; the rest
// is the log. Checked for every input:
//   - the document is the 24-line head, coordinate lines of three "%f"
//     numbers and the 5-line footer, every line ending in CR LF (unless the
//     writer ran out of room, when it is a prefix of that);
//   - the console holds one number line, the longitude of the head's point;
//   - reading the log one byte a refill gives the same document and console;
//   - both equal what a character-at-a-time model of the reading rules,
//     with strtod for values and snprintf for the "%f" form, gives.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "driver/run_conversion.h"
#include "kml/kml_writer.h"
#include "log/log_header.h"
#include "log/track_log.h"
#include "log/track_records.h"
#include "reference.h"
#include "support/byte_streams.h"
#include "text/text_stream.h"

namespace {

using logvane_fuzz::escaped;
using logvane_fuzz::fail;
using logvane_fuzz::reference_fixed;
using logvane_fuzz::TextCursor;

constexpr char LOG_PATH[] = "logs/trip.txt";

// Room for the document of any input up to a few hundred kilobytes; a
// larger one fills it, which is then checked as a full disk.
constexpr std::size_t DOCUMENT_CAPACITY = 4 * 1024 * 1024;
constexpr std::size_t CONSOLE_CAPACITY = 4096;

// Chunk limits that split CR LF pairs, numbers and words at every offset,
// and lines of 4095 characters around the 4096-byte line buffer.
constexpr std::size_t CHUNK_LIMITS[] = {
    0, 1, 2, 3, 4, 5, 7, 8, 13, 16, 64, 255, 4095, 4096, 4097, 8191};

// The head's lines, with %s for the path; line 19 carries the point.
constexpr const char* HEAD_LINES[] = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\">",
    "  <Document>",
    "    <name>Paths</name>",
    "    <description>from %s</description>",
    "    <Style id=\"yellowLineGreenPoly\">",
    "      <LineStyle>",
    "        <color>7f00ffff</color>",
    "        <width>4</width>",
    "      </LineStyle>",
    "      <PolyStyle>",
    "        <color>7f00ff00</color>",
    "      </PolyStyle>",
    "    </Style>    <Placemark>",
    "      <name>from %s</name>",
    "      <description>Transparent green wall with yellow "
    "outlines</description>",
    "      <styleUrl>#yellowLineGreenPoly</styleUrl>",
    "      <Point>",
    nullptr,
    "      </Point>",
    "      <LineString>",
    "        <extrude>1</extrude>",
    "        <altitudeMode>relativeToGround</altitudeMode>",
    "        <coordinates>",
};
constexpr std::size_t POINT_LINE = 18;
constexpr char POINT_OPEN[] = "         <coordinates>";
constexpr char POINT_CLOSE[] = "</coordinates>";

constexpr const char* FOOTER_LINES[] = {
    "        </coordinates>", "      </LineString>", "    </Placemark>",
    "  </Document>", "</kml>"};

std::string head_line(std::size_t index) {
  std::string line = HEAD_LINES[index];
  const std::size_t mark = line.find("%s");
  if (mark != std::string::npos) line.replace(mark, 2, LOG_PATH);
  return line;
}

struct Conversion {
  std::string console;
  std::string document;
  int document_error = 0;
};

Conversion convert(const char* log, std::size_t size, std::size_t chunk_limit,
                   char* document_memory) {
  // Made once: the sanitizer then sees any access past their ends.
  static char* const line_buffer = new char[logvane::LINE_BUFFER_SIZE];
  static char* const console_memory = new char[CONSOLE_CAPACITY];

  const std::string input(log, size);
  logvane::SplittingSource log_bytes(input, chunk_limit);
  logvane::MemorySink console_bytes(console_memory, CONSOLE_CAPACITY);
  logvane::MemorySink document_bytes(document_memory, DOCUMENT_CAPACITY);
  logvane::TextReader reader(log_bytes);
  logvane::TextWriter console(console_bytes);
  logvane::TextWriter document(document_bytes);
  logvane::ReferencePosition reference;
  logvane::read_log_header(reader, line_buffer, reference, console);
  logvane::write_kml_header(document, LOG_PATH, reference);
  logvane::skip_to_records(reader, line_buffer);
  logvane::convert_track_records(reader, document);
  logvane::write_kml_footer(document);
  console.flush();
  document.flush();
  if (console.error() != 0) fail("console write failed", "");
  if (reader.error() != 0) fail("reading memory failed", "");
  return {std::string(console_memory, console_bytes.size()),
          std::string(document_memory, document_bytes.size()),
          document.error()};
}

// The model: the reading rules one character at a time.

void model_line(TextCursor& in) {
  for (std::size_t taken = 0; taken < logvane::LINE_BUFFER_SIZE - 1;) {
    const int c = in.peek();
    if (c < 0) return;
    in.advance();
    ++taken;
    if (c == '\n') return;
  }
}

bool model_word(TextCursor& in) {
  if (in.skip_space() < 0) return false;
  for (int c = in.peek(); c >= 0 && !logvane_fuzz::is_space(c); c = in.peek()) {
    in.advance();
  }
  return true;
}

bool model_int(TextCursor& in) {
  if (in.skip_space() < 0) return false;
  int c = in.peek();
  if (c == '+' || c == '-') {
    in.advance();
    c = in.peek();
  }
  bool any_digit = false;
  for (; logvane_fuzz::is_digit(c); c = in.peek()) {
    any_digit = true;
    in.advance();
  }
  return any_digit;
}

bool model_number(TextCursor& in, double* value) {
  if (in.skip_space() < 0) return false;
  double read = 0.0;
  if (!logvane_fuzz::take_number_reference(in, &read)) return false;
  *value = read;
  return true;
}

// The 13 conversions of "%s %s %d %lf ..."; true if all converted.
bool model_record(TextCursor& in, double* point) {
  if (!model_word(in) || !model_word(in) || !model_int(in)) return false;
  for (int field = 0; field < 10; ++field) {
    double value = 0.0;
    if (!model_number(in, &value)) return false;
    if (field < 3) point[field] = value;
  }
  return true;
}

std::string with_crlf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

Conversion model_conversion(const char* log, std::size_t size) {
  const std::string text = logvane_fuzz::folded_text(log, size);
  TextCursor in{text};
  Conversion result;
  for (int line = 0; line < 3; ++line) model_line(in);
  double longitude = 0.0;
  double latitude = 0.0;
  model_word(in);
  model_word(in);
  model_number(in, &longitude);
  result.console = reference_fixed(longitude) + "\r\n";
  model_word(in);
  model_word(in);
  model_number(in, &latitude);

  std::string document;
  for (std::size_t i = 0; i < std::size(HEAD_LINES); ++i) {
    if (i == POINT_LINE) {
      document += POINT_OPEN + reference_fixed(longitude) + "," +
                  reference_fixed(latitude) + POINT_CLOSE + "\n";
    } else {
      document += head_line(i) + "\n";
    }
  }
  for (int line = 0; line < 3; ++line) model_line(in);
  do {
    double point[3] = {0.0, 0.0, 0.0};
    if (model_record(in, point)) {
      document += reference_fixed(point[0]) + "," + reference_fixed(point[1]) +
                  "," + reference_fixed(point[2]) + "\n";
    }
  } while (!in.end_seen);
  for (const char* line : FOOTER_LINES) document += std::string(line) + "\n";
  result.document = with_crlf(document);
  return result;
}

// The lines of text, each without its CR LF; fails if a line lacks one or a
// CR stands anywhere else. A last piece without a line end is the tail.
void split_lines(const std::string& text, std::vector<std::string>& lines,
                 std::string* tail) {
  lines.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t line_feed = text.find('\n', start);
    if (line_feed == std::string::npos) break;
    if (line_feed == start || text[line_feed - 1] != '\r') {
      fail("a line feed without CR", escaped(text.substr(start, 200)));
    }
    std::string line = text.substr(start, line_feed - 1 - start);
    if (line.find('\r') != std::string::npos) {
      fail("a CR inside a line", escaped(line));
    }
    lines.push_back(std::move(line));
    start = line_feed + 1;
  }
  *tail = text.substr(start);
}

bool is_coordinate_line(const std::string& line, std::size_t numbers) {
  std::size_t start = 0;
  for (std::size_t n = 0; n < numbers; ++n) {
    const std::size_t comma =
        n + 1 < numbers ? line.find(',', start) : line.size();
    if (comma == std::string::npos) return false;
    if (!logvane_fuzz::is_fixed_text(line.data() + start, comma - start)) {
      return false;
    }
    start = comma + 1;
  }
  return true;
}

// The document's shape, whatever the log held.
void check_document(const Conversion& got) {
  const std::string& document = got.document;
  const bool full = got.document_error != 0;
  if (full && document.size() != DOCUMENT_CAPACITY) {
    fail("the writer failed before its memory was full", "");
  }
  static std::vector<std::string> lines;
  std::string tail;
  split_lines(document, lines, &tail);
  const std::size_t count = lines.size();
  if (!full && !tail.empty()) {
    fail("the document's last line has no CR LF", escaped(tail));
  }
  const std::size_t head_size = std::size(HEAD_LINES);
  const std::size_t footer_size = std::size(FOOTER_LINES);
  if (!full && count < head_size + footer_size) {
    fail("the document is shorter than head and footer", escaped(document));
  }
  for (std::size_t i = 0; i < head_size && i < count; ++i) {
    if (i == POINT_LINE) {
      const std::string& line = lines[i];
      const std::size_t open = sizeof POINT_OPEN - 1;
      const std::size_t close = sizeof POINT_CLOSE - 1;
      if (line.size() < open + close || line.compare(0, open, POINT_OPEN) ||
          line.compare(line.size() - close, close, POINT_CLOSE) ||
          !is_coordinate_line(line.substr(open, line.size() - open - close),
                              2)) {
        fail("the head's point line is wrong", escaped(line));
      }
    } else if (lines[i] != head_line(i)) {
      fail("a head line is wrong", escaped(lines[i]));
    }
  }
  // A full writer may have stopped anywhere, in the footer too.
  std::size_t body_end = head_size;
  while (body_end < count && is_coordinate_line(lines[body_end], 3)) {
    ++body_end;
  }
  if (!full && body_end != count - footer_size) {
    fail("a line between head and footer is no coordinate line",
         escaped(lines[body_end]));
  }
  for (std::size_t i = body_end; i < count; ++i) {
    if (i - body_end >= footer_size || lines[i] != FOOTER_LINES[i - body_end]) {
      fail("a line after the coordinates is not the footer's",
           escaped(lines[i]));
    }
  }
  // The echo is the longitude of the head's point.
  if (count > POINT_LINE) {
    const std::string& line = lines[POINT_LINE];
    const std::size_t open = sizeof POINT_OPEN - 1;
    const std::string longitude =
        line.substr(open, line.find(',', open) - open);
    if (got.console != longitude + "\r\n") {
      fail("the echo is not the point's longitude",
           escaped(got.console) + " vs " + escaped(longitude));
    }
  }
  const std::size_t echo_size = got.console.size();
  if (echo_size < 3 || got.console.compare(echo_size - 2, 2, "\r\n") != 0 ||
      !logvane_fuzz::is_fixed_text(got.console.data(), echo_size - 2)) {
    fail("the console is not one number line", escaped(got.console));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  static char* const document_memory = new char[DOCUMENT_CAPACITY];
  static char* const split_memory = new char[DOCUMENT_CAPACITY];
  const std::size_t chunk_limit =
      CHUNK_LIMITS[data[0] % std::size(CHUNK_LIMITS)];
  const char* const log = reinterpret_cast<const char*>(data + 1);
  const std::size_t log_size = size - 1;

  const Conversion got = convert(log, log_size, chunk_limit, document_memory);
  check_document(got);

  const Conversion split = convert(log, log_size, 1, split_memory);
  if (split.console != got.console) {
    fail("one byte a refill changes the console",
         escaped(got.console) + " vs " + escaped(split.console));
  }
  if (split.document != got.document ||
      split.document_error != got.document_error) {
    std::size_t at = 0;
    while (at < got.document.size() && at < split.document.size() &&
           got.document[at] == split.document[at]) {
      ++at;
    }
    fail("one byte a refill changes the document",
         "first difference at byte " + std::to_string(at) + ": " +
             escaped(got.document.substr(at, 120)) + " vs " +
             escaped(split.document.substr(at, 120)));
  }

  const Conversion model = model_conversion(log, log_size);
  if (model.console != got.console) {
    fail("the console differs from the model",
         escaped(got.console) + " vs model " + escaped(model.console));
  }
  const bool full = got.document_error != 0;
  const std::string& expected =
      full ? model.document.substr(0, got.document.size()) : model.document;
  if (full && model.document.size() <= DOCUMENT_CAPACITY) {
    fail("the writer ran out of room for a document that fits", "");
  }
  if (got.document != expected) {
    std::size_t at = 0;
    while (at < got.document.size() && at < expected.size() &&
           got.document[at] == expected[at]) {
      ++at;
    }
    const std::size_t line_start =
        at == 0 ? 0 : got.document.rfind('\n', at - 1) + 1;
    fail("the document differs from the model",
         "first difference at byte " + std::to_string(at) + ", in the line " +
             escaped(got.document.substr(line_start, 200)) + " vs model " +
             escaped(expected.substr(line_start, 200)));
  }
  return 0;
}
