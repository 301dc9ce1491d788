#ifndef LOGVANE_DRIVER_OUTPUT_NAME_H_
#define LOGVANE_DRIVER_OUTPUT_NAME_H_

#include <cstddef>

#include "platform/system.h"

namespace logvane {

/// The most a file's name may hold: 255 bytes, or where names follow
/// Windows' rules 255 UTF-16 units.
constexpr std::size_t NAME_MAX_SIZE = 255;
/// Room for a base name and its terminator: 255 UTF-16 units take at most
/// three bytes each in UTF-8.
constexpr std::size_t BASE_NAME_SIZE = NAME_MAX_SIZE * 3 + 1;
/// Room for the output name: the base name, ".kml" and a terminator.
constexpr std::size_t OUTPUT_NAME_SIZE = BASE_NAME_SIZE + 4;

/// Writes into out (OUTPUT_NAME_SIZE bytes) the name of the document for the
/// log at path: its base name, without drive, directories and extension,
/// followed by ".kml". Both '/' and '\\' separate directories; the second
/// byte of a character that lead_bytes says begins there never does.
/// Returns the length of the name, or 0, with out empty, when the base name
/// does not fit.
std::size_t derive_output_name(const char* path, const LeadBytes& lead_bytes,
                               char* out) noexcept;

/// Whether name, of length bytes, is longer than a file's name may be:
/// NAME_MAX_SIZE bytes or, with windows_units, NAME_MAX_SIZE UTF-16 units,
/// where a character beyond U+FFFF takes two.
bool is_name_too_long(const char* name, std::size_t length,
                      bool windows_units) noexcept;

/// Why Windows would not give name, a document's name in the current folder,
/// a file of its own, or no error: DEVICE_NAME for CON, PRN, AUX, NUL,
/// CONIN$, CONOUT$, COM0 to COM9 and LPT0 to LPT9 with any extension, case,
/// or spaces before the dot; EINVAL for a colon, which would lead to a drive or a stream of a
/// file.
OpenError windows_name_error(const char* name) noexcept;

}  // namespace logvane

#endif  // LOGVANE_DRIVER_OUTPUT_NAME_H_
