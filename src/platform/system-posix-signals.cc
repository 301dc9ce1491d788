#include "platform/system.h"

#include <csignal>

namespace logvane {

void prepare_process() noexcept {
  // A console pipe whose reader has gone must not end the run before the
  // document is written; writes to it just fail, unexamined. A document
  // beyond the file size limit must fail like a full disk, and be removed,
  // instead of ending the run with the partial document left behind.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace logvane
