#ifndef LOGVANE_DRIVER_OUTPUT_NAME_H_
#define LOGVANE_DRIVER_OUTPUT_NAME_H_

#include <cstddef>

#include "platform/system.h"

namespace logvane {

/// Room for a base name and its terminator: at most 255 bytes.
constexpr std::size_t BASE_NAME_SIZE = 256;
/// Room for the output name: the base name, ".kml" and a terminator.
constexpr std::size_t OUTPUT_NAME_SIZE = BASE_NAME_SIZE + 4;

/// Writes into out (OUTPUT_NAME_SIZE bytes) the name of the document for the
/// log at path: its base name, without drive, directories and extension,
/// followed by ".kml". Both '/' and '\\' separate directories; the second
/// byte of a character that lead_bytes says begins there never does.
/// Returns the length of the name.
std::size_t derive_output_name(const char* path, const LeadBytes& lead_bytes,
                               char* out) noexcept;

/// Why Windows would not give name, a document's name in the current folder,
/// a file of its own, or no error: DEVICE_NAME for CON, PRN, AUX, NUL, COM0
/// to COM9 and LPT0 to LPT9 with any extension, case, or spaces before the
/// dot; EINVAL for a colon, which would lead to a drive or a stream of a
/// file.
OpenError windows_name_error(const char* name) noexcept;

}  // namespace logvane

#endif  // LOGVANE_DRIVER_OUTPUT_NAME_H_
