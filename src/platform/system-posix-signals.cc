#include "platform/system.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <csignal>

namespace logvane {

namespace {

// The stops a user or a service manager sends: Ctrl-C, kill and timeout,
// the terminal or the session closing, Ctrl-\.
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

StopAction stop_action = nullptr;

extern "C" void on_stop(int signal) {
  if (stop_action != nullptr) stop_action();
  // The handler is reset: the signal, blocked until the handler returns,
  // then ends the process by its default action, as if never caught.
  ::raise(signal);
}

// Whether error means that locks are not kept there at all.
bool locks_missing(int error) noexcept {
  return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP ||
         error == ENOSYS;
}

// flock, where open-file-description locks are missing (older kernels,
// other systems): it too belongs to the open file, not to the process.
int lock_whole_file(int fd) noexcept {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return locks_missing(errno) ? 0 : errno;
  }
  return 0;
}

}  // namespace

void prepare_process() noexcept {
  // A console pipe whose reader has gone must not end the run before the
  // document is written; writes to it just fail, unexamined. A document
  // beyond the file size limit must fail like a full disk, and be removed,
  // instead of ending the run with the partial document left behind.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

int lock_file(FileHandle file) noexcept {
  const int fd = static_cast<int>(file);
#ifdef F_OFD_SETLKW
  // Unlike a process's lock, it is kept by the open file alone, and is
  // not lost when another descriptor of the file is closed.
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  while (::fcntl(fd, F_OFD_SETLKW, &whole) != 0) {
    if (errno == EINTR) continue;
    // A kernel older than these locks does not know the command.
    if (errno == EINVAL) return lock_whole_file(fd);
    return locks_missing(errno) ? 0 : errno;
  }
  return 0;
#else
  return lock_whole_file(fd);
#endif
}

void set_stop_action(StopAction action) noexcept {
  stop_action = action;
  struct sigaction stop {};
  stop.sa_handler = on_stop;
  // glibc spells the flag as an unsigned constant beyond INT_MAX.
  stop.sa_flags = static_cast<int>(SA_RESETHAND);
  // One stop at a time: a second waits for the first to end the process.
  sigemptyset(&stop.sa_mask);
  for (const int signal : STOP_SIGNALS) sigaddset(&stop.sa_mask, signal);
  for (const int signal : STOP_SIGNALS) {
    struct sigaction before {};
    // A stop that the caller had the process ignore (nohup, a background
    // job of a shell) stays ignored.
    if (::sigaction(signal, nullptr, &before) == 0 &&
        before.sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(signal, &stop, nullptr);
  }
}

}  // namespace logvane
