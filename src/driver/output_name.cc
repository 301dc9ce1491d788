#include "driver/output_name.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace logvane {

std::size_t derive_output_name(const char* path, const LeadBytes& lead_bytes,
                               char* out) noexcept {
  // A second character ':' marks a drive designator, whatever comes first.
  if (path[0] != '\0' && path[1] == ':') path += 2;
  const char* component = path;
  const char* dot = nullptr;
  const char* p = path;
  while (*p != '\0') {
    const auto byte = static_cast<unsigned char>(*p);
    if (lead_bytes.is_lead[byte]) {
      // The byte after a lead byte belongs to the same character, even if it
      // looks like a backslash; a lead byte that ends the path stands alone.
      // No double-byte code page has '/' as a second byte: a lead byte before
      // one stands alone too, so that the document never lands elsewhere.
      p += p[1] != '\0' && p[1] != '/' ? 2 : 1;
      continue;
    }
    if (byte == '/' || byte == '\\') {
      component = p + 1;
    } else if (byte == '.') {
      dot = p;
    }
    ++p;
  }
  const char* base_end = dot != nullptr && dot >= component ? dot : p;
  const auto length = static_cast<std::size_t>(base_end - component);
  if (length >= BASE_NAME_SIZE) {
    out[0] = '\0';
    return 0;
  }
  std::memcpy(out, component, length);
  std::memcpy(out + length, ".kml", 5);
  return length + 4;
}

bool is_name_too_long(const char* name, std::size_t length,
                      bool windows_units) noexcept {
  if (!windows_units) return length > NAME_MAX_SIZE;
  // Every byte but a UTF-8 continuation byte begins a unit; a four-byte
  // character is a surrogate pair.
  std::size_t units = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units > NAME_MAX_SIZE;
}

namespace {

bool equal_ignoring_case(const char* text, const char* upper,
                         std::size_t length) noexcept {
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i] >= 'a' && text[i] <= 'z'
                       ? static_cast<char>(text[i] - 'a' + 'A')
                       : text[i];
    if (c != upper[i]) return false;
  }
  return true;
}

// Whether the length bytes at digit are one digit of a port's device name:
// 0 to 9, or the superscripts one, two and three, which Windows takes as
// digits there.
bool is_port_digit(const char* digit, std::size_t length) noexcept {
  if (length == 1) return *digit >= '0' && *digit <= '9';
  return length == 2 && digit[0] == '\xC2' &&
         (digit[1] == '\xB9' || digit[1] == '\xB2' || digit[1] == '\xB3');
}

}  // namespace

OpenError windows_name_error(const char* name) noexcept {
  if (std::strchr(name, ':') != nullptr) {
    return {OpenError::SYSTEM_ERROR, EINVAL};
  }
  // Windows compares what stands before the first dot, spaces at its end
  // left out.
  std::size_t stem = std::strcspn(name, ".");
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  if (stem == 3) {
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
      if (equal_ignoring_case(name, device, 3)) {
        return {OpenError::DEVICE_NAME, 0};
      }
    }
  } else if ((stem == 6 && equal_ignoring_case(name, "CONIN$", 6)) ||
             (stem == 7 && equal_ignoring_case(name, "CONOUT$", 7))) {
    // The console's input and output.
    return {OpenError::DEVICE_NAME, 0};
  } else if (stem == 4 || stem == 5) {
    for (const char* port : {"COM", "LPT"}) {
      if (equal_ignoring_case(name, port, 3) &&
          is_port_digit(name + 3, stem - 3)) {
        return {OpenError::DEVICE_NAME, 0};
      }
    }
  }
  return {};
}

}  // namespace logvane
