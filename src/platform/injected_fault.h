#ifndef LOGVANE_PLATFORM_INJECTED_FAULT_H_
#define LOGVANE_PLATFORM_INJECTED_FAULT_H_

#include <cstddef>

#include "platform/system.h"

namespace logvane {

/// What an injected fault lets one read_file or write_file of size bytes
/// do: pass `allowed` bytes (all of them when no fault is armed), then fail
/// with `error` if `fails`.
struct FaultCheck {
  std::size_t allowed;
  bool fails;
  int error;
};

/// Counts the bytes a call of kind may pass against the armed fault.
FaultCheck check_fault(FaultKind kind, std::size_t size) noexcept;

}  // namespace logvane

#endif  // LOGVANE_PLATFORM_INJECTED_FAULT_H_
