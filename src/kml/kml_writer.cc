#include "kml/kml_writer.h"

#include <cstddef>
#include <cstring>

#include "text/fixed_format.h"
#include "text/utf8_sequence.h"

namespace logvane {

namespace {

// "%s" takes the log's path, "%lf" the next number.
constexpr char KML_HEAD_TEMPLATE[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
    "  <Document>\n"
    "    <name>Paths</name>\n"
    "    <description>from %s</description>\n"
    "    <Style id=\"yellowLineGreenPoly\">\n"
    "      <LineStyle>\n"
    "        <color>7f00ffff</color>\n"
    "        <width>4</width>\n"
    "      </LineStyle>\n"
    "      <PolyStyle>\n"
    "        <color>7f00ff00</color>\n"
    "      </PolyStyle>\n"
    "    </Style>    <Placemark>\n"
    "      <name>from %s</name>\n"
    "      <description>Transparent green wall with yellow "
    "outlines</description>\n"
    "      <styleUrl>#yellowLineGreenPoly</styleUrl>\n"
    "      <Point>\n"
    "         <coordinates>%lf,%lf</coordinates>\n"
    "      </Point>\n"
    "      <LineString>\n"
    "        <extrude>1</extrude>\n"
    "        <altitudeMode>relativeToGround</altitudeMode>\n"
    "        <coordinates>\n";

constexpr char KML_FOOTER_TEMPLATE[] =
    "        </coordinates>\n"
    "      </LineString>\n"
    "    </Placemark>\n"
    "  </Document>\n"
    "</kml>\n";

constexpr char REPLACEMENT_CHARACTER[] = "\xEF\xBF\xBD";

void write_number(TextWriter& out, double value) noexcept {
  char* text = out.reserve(FIXED_TEXT_SIZE);
  out.commit(format_fixed(value, text));
}

// The length of the UTF-8 sequence at text that XML allows as a character,
// or 0 if the bytes there are not one.
std::size_t xml_character_length(const unsigned char* text) noexcept {
  const unsigned char lead = text[0];
  if (lead < 0x80) {
    // Of the control characters only tab, line feed and CR are allowed.
    return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
  }
  char32_t code = 0;
  const std::size_t length = read_utf8_sequence(text, &code);
  const bool surrogate = code >= 0xD800u && code <= 0xDFFFu;
  const bool excluded = code == 0xFFFEu || code == 0xFFFFu;
  return length != 0 && !surrogate && !excluded ? length : 0;
}

// One coordinate line, "longitude,latitude,altitude" and CR LF, with each
// number written by write_number(number, text), which returns its end.
template <class Point, class WriteNumber>
void write_coordinate_line(TextWriter& out, const Point& point,
                           WriteNumber write_number) noexcept {
  char* const line = out.reserve(3 * FIXED_TEXT_SIZE + 4);
  char* end = write_number(point.longitude, line);
  *end++ = ',';
  end = write_number(point.latitude, end);
  *end++ = ',';
  end = write_number(point.altitude, end);
  *end++ = '\r';
  *end++ = '\n';
  out.commit(static_cast<std::size_t>(end - line));
}

}  // namespace

void write_xml_text(TextWriter& out, const char* text) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    switch (*p) {
      case '&':
        out.write_text("&amp;", 5);
        ++p;
        continue;
      case '<':
        out.write_text("&lt;", 4);
        ++p;
        continue;
      case '>':
        out.write_text("&gt;", 4);
        ++p;
        continue;
      default:
        break;
    }
    const std::size_t length = xml_character_length(p);
    if (length == 0) {
      out.write_text(REPLACEMENT_CHARACTER, 3);
      ++p;
    } else {
      out.write_text(reinterpret_cast<const char*>(p), length);
      p += length;
    }
  }
}

void write_kml_header(TextWriter& out, const char* path,
                      const ReferencePosition& reference) noexcept {
  const double numbers[] = {reference.longitude, reference.latitude};
  std::size_t next_number = 0;
  const char* text = KML_HEAD_TEMPLATE;
  while (const char* mark = std::strchr(text, '%')) {
    out.write_text(text, static_cast<std::size_t>(mark - text));
    if (mark[1] == 's') {
      write_xml_text(out, path);
      text = mark + 2;
    } else {
      write_number(out, numbers[next_number++]);
      text = mark + 3;
    }
  }
  out.write_text(text);
}

void write_track_point(TextWriter& out, const TrackPoint& point) noexcept {
  write_coordinate_line(out, point, [](double value, char* text) {
    return text + format_fixed(value, text);
  });
}

void write_spelled_track_point(TextWriter& out,
                               const SpelledTrackPoint& point) noexcept {
  write_coordinate_line(out, point, [](const NumberSpelling& number,
                                       char* text) {
    // Through the double only where the digits do not decide the form.
    std::size_t size = 0;
    if (number.mantissa_end == number.end) {
      size = format_fixed_digits(number.begin, number.point, number.end, text);
    }
    if (size == 0) size = format_fixed(spelled_value(number), text);
    return text + size;
  });
}

void write_kml_footer(TextWriter& out) noexcept {
  out.write_text(KML_FOOTER_TEMPLATE, sizeof KML_FOOTER_TEMPLATE - 1);
}

}  // namespace logvane
