#include "platform/system.h"

#include <unistd.h>

#include <cstdlib>

namespace logvane {

// Everything but this comes from system-posix.cc, which wasi-libc serves.
void prepare_process() noexcept {
  // WASI has no signals: a console pipe whose reader has gone, or a full
  // disk, makes writes fail, as the run expects. Nor has it a current
  // directory of its own: wasi-libc starts in "/", and the runner, which
  // opens the whole file system as "/", names its own as PWD, where relative
  // names then start as they do natively.
  if (const char* directory = std::getenv("PWD")) {
    [[maybe_unused]] const int changed = ::chdir(directory);
  }
}

// Nor has it locks: runs in one sandbox are the caller's to keep apart.
int lock_file(FileHandle) noexcept { return 0; }

void set_stop_action(StopAction) noexcept {}

}  // namespace logvane
