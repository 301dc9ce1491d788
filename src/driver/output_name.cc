#include "driver/output_name.h"

#include <cstring>

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
  auto length = static_cast<std::size_t>(base_end - component);
  if (length >= BASE_NAME_SIZE) length = 0;
  std::memcpy(out, component, length);
  std::memcpy(out + length, ".kml", 5);
  return length + 4;
}

}  // namespace logvane
