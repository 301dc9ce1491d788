#include "platform/injected_fault.h"

namespace logvane {

namespace {

struct ArmedFault {
  FaultKind kind = NO_FAULT;
  int error = 0;
  std::size_t bytes_left = 0;
};

ArmedFault armed;

}  // namespace

void inject_fault(FaultKind kind, int error, std::size_t after_bytes) noexcept {
  armed = {kind, error, after_bytes};
}

FaultCheck check_fault(FaultKind kind, std::size_t size) noexcept {
  if (armed.kind != kind) return {size, false, 0};
  if (armed.bytes_left >= size) {
    armed.bytes_left -= size;
    return {size, false, 0};
  }
  const std::size_t allowed = armed.bytes_left;
  armed.bytes_left = 0;
  return {allowed, true, armed.error};
}

}  // namespace logvane
