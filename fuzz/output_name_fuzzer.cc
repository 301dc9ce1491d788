// The output name and the path's text in the document. The input, up to its
// first NUL, is the path, copied into memory of exactly its size so that
// any read past the terminator is caught. Checked for every code page:
//   - the name holds no '/', and a '\\' only as the second byte of a
//     double-byte character, so the document lands in the current directory;
//   - derive_output_name gives what a model of the splitting rules gives:
//     the base name (no drive, directories or extension) followed by
//     ".kml", NUL-terminated, or an empty name when the base name has no
//     room (766 bytes or more);
//   - write_xml_text of the path and of the name gives well-formed XML text
//     in UTF-8: no '<', every '&' an entity, no control character but tab,
//     CR and the CR LF a line feed becomes, and no U+FFFE, U+FFFF or
//     surrogates; characters the input spells correctly pass unchanged and
//     each other byte becomes one U+FFFD.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/output_name.h"
#include "kml/kml_writer.h"
#include "platform/system.h"
#include "reference.h"
#include "text/text_stream.h"

namespace {

using logvane_fuzz::escaped;
using logvane_fuzz::fail;

// The lead bytes of three kinds of code page: UTF-8 and single-byte sets
// have none; Shift_JIS; GBK, UHC and Big5.
enum CodePage { SINGLE_BYTE, SHIFT_JIS, DOUBLE_BYTE };
constexpr CodePage CODE_PAGES[] = {SINGLE_BYTE, SHIFT_JIS, DOUBLE_BYTE};

bool begins_double_byte(CodePage code_page, unsigned char byte) {
  switch (code_page) {
    case SHIFT_JIS:
      return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
    case DOUBLE_BYTE:
      return byte >= 0x81 && byte <= 0xfe;
    case SINGLE_BYTE:
      return false;
  }
  return false;
}

logvane::LeadBytes lead_bytes_of(CodePage code_page) {
  logvane::LeadBytes lead;
  for (int byte = 0; byte < 256; ++byte) {
    lead.is_lead[byte] =
        begins_double_byte(code_page, static_cast<unsigned char>(byte));
  }
  return lead;
}

std::string model_output_name(const std::string& path, CodePage code_page) {
  std::size_t i = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  std::size_t component = i;
  std::size_t dot = std::string::npos;
  while (i < path.size()) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (begins_double_byte(code_page, byte)) {
      // No code page has '/' as a second byte, and the file system always
      // splits there: a lead byte before it stands alone, as one at the end.
      i += i + 1 < path.size() && path[i + 1] != '/' ? 2 : 1;
      continue;
    }
    if (byte == '/' || byte == '\\') {
      component = i + 1;
    } else if (byte == '.') {
      dot = i;
    }
    ++i;
  }
  std::string base = dot != std::string::npos && dot >= component
                         ? path.substr(component, dot - component)
                         : path.substr(component);
  if (base.size() >= logvane::BASE_NAME_SIZE) return "";
  return base + ".kml";
}

// The length of the well-formed UTF-8 sequence at text[at] (Unicode's table
// of well-formed byte sequences), 0 if there is none; *code gets its value.
std::size_t utf8_length(const std::string& text, std::size_t at,
                        std::uint32_t* code) {
  auto byte = [&](std::size_t i) -> unsigned {
    return at + i < text.size() ? static_cast<unsigned char>(text[at + i])
                                : 0x100u;
  };
  const unsigned lead = byte(0);
  std::size_t length;
  unsigned low = 0x80;
  unsigned high = 0xbf;
  if (lead < 0x80) {
    *code = lead;
    return 1;
  } else if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  std::uint32_t value = lead & (0x7fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned next = byte(i);
    const unsigned next_low = i == 1 ? low : 0x80;
    const unsigned next_high = i == 1 ? high : 0xbf;
    if (next < next_low || next > next_high) return 0;
    value = value << 6 | (next & 0x3f);
  }
  *code = value;
  return length;
}

bool is_xml_character(std::uint32_t code) {
  return code == 0x9 || code == 0xa || code == 0xd ||
         (code >= 0x20 && code <= 0xd7ff) ||
         (code >= 0xe000 && code <= 0xfffd) ||
         (code >= 0x10000 && code <= 0x10ffff);
}

std::string model_xml_text(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '&' || c == '<' || c == '>') {
      out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
      ++i;
      continue;
    }
    std::uint32_t code = 0;
    const std::size_t length = utf8_length(text, i, &code);
    if (length == 0 || !is_xml_character(code)) {
      out += "\xef\xbf\xbd";
      ++i;
    } else if (c == '\n') {
      out += "\r\n";
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

// What an XML parser asks of character data, checked on the bytes alone.
void check_xml_text(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code = 0;
    const std::size_t length = utf8_length(text, i, &code);
    if (length == 0) fail("XML text is not UTF-8", escaped(text));
    if (!is_xml_character(code)) {
      fail("XML text holds a character XML does not allow", escaped(text));
    }
    if (code == '<') fail("XML text holds a bare '<'", escaped(text));
    if (code == '&' && text.compare(i, 5, "&amp;") != 0 &&
        text.compare(i, 4, "&lt;") != 0 && text.compare(i, 4, "&gt;") != 0) {
      fail("XML text holds a bare '&'", escaped(text));
    }
    if (code == '\n' && (i == 0 || text[i - 1] != '\r')) {
      fail("XML text holds a line feed without CR", escaped(text));
    }
    i += length;
  }
}

void check_written_xml(const char* text) {
  // A byte becomes at most five ("&amp;").
  static char* const memory = new char[1 << 20];
  const std::size_t size = std::strlen(text);
  if (size > (1 << 20) / 5) return;
  std::string written;
  {
    logvane::MemorySink bytes(memory, 1 << 20);
    logvane::TextWriter writer(bytes);
    logvane::write_xml_text(writer, text);
    writer.flush();
    if (writer.error() != 0) fail("writing XML text failed", "");
    written.assign(memory, bytes.size());
  }
  check_xml_text(written);
  const std::string expected = model_xml_text(text);
  if (written != expected) {
    fail("write_xml_text differs from the model",
         escaped(text) + " gives " + escaped(written) + " vs model " +
             escaped(expected));
  }
}

void check_output_name(const char* path, CodePage code_page) {
  static char* const out = new char[logvane::OUTPUT_NAME_SIZE];
  std::memset(out, 0x55, logvane::OUTPUT_NAME_SIZE);
  static const logvane::LeadBytes lead_bytes[] = {lead_bytes_of(SINGLE_BYTE),
                                                  lead_bytes_of(SHIFT_JIS),
                                                  lead_bytes_of(DOUBLE_BYTE)};
  const std::size_t size =
      logvane::derive_output_name(path, lead_bytes[code_page], out);
  const std::string detail = escaped(path) + " in code page " +
                             std::to_string(static_cast<int>(code_page));
  if (size > logvane::OUTPUT_NAME_SIZE - 1 || out[size] != '\0' ||
      std::strlen(out) != size) {
    fail("the output name's length is wrong", detail);
  }
  const std::string name(out, size);
  const std::string expected = model_output_name(path, code_page);
  if (size == 0 && expected.empty()) return;
  if (size < 4 || name.compare(size - 4, 4, ".kml") != 0) {
    fail("the output name does not end in .kml", detail);
  }
  // The base name, walked as the code page splits it into characters.
  for (std::size_t i = 0; i < size - 4;) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const bool pair = begins_double_byte(code_page, byte) && i + 1 < size - 4;
    if (byte == '/' || byte == '\\' || (pair && name[i + 1] == '/')) {
      fail("the output name holds a directory separator",
           detail + " gives " + escaped(name));
    }
    i += pair ? 2 : 1;
  }
  if (name != expected) {
    fail("derive_output_name differs from the model",
         detail + " gives " + escaped(name) + " vs model " + escaped(expected));
  }
  check_written_xml(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const char* const bytes = reinterpret_cast<const char*>(data);
  const void* terminator = std::memchr(bytes, '\0', size);
  const std::size_t length =
      terminator != nullptr ? static_cast<std::size_t>(
                                  static_cast<const char*>(terminator) - bytes)
                            : size;
  char* const path = new char[length + 1];
  std::memcpy(path, bytes, length);
  path[length] = '\0';
  for (const CodePage code_page : CODE_PAGES) {
    check_output_name(path, code_page);
  }
  check_written_xml(path);
  delete[] path;
  return 0;
}
