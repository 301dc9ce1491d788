#ifndef LOGVANE_TEXT_ERROR_TEXT_H_
#define LOGVANE_TEXT_ERROR_TEXT_H_

namespace logvane {

/// The text for an error number that glibc gives, and so every build writes,
/// whatever its own C library would say: from a table for the errors a run
/// can meet, else the C library's own text.
const char* describe_error(int error) noexcept;

}  // namespace logvane

#endif  // LOGVANE_TEXT_ERROR_TEXT_H_
