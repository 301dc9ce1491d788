#include "driver/document_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <type_traits>

#include "driver/output_name.h"

namespace logvane {

namespace {

// How often the document is opened again when, once its lock is had, the
// name no longer leads to the file: each time another run has removed the
// file meanwhile, so the runs are moving on.
constexpr int OPEN_ATTEMPTS = 16;

// The document being written, for a stop to discard: set before it is
// emptied, the path first, so that the signal handler finds both ready.
char armed_path[OUTPUT_NAME_SIZE];

// Where a machine has no lock-free atomic of a handle's size (ARMv5), a
// volatile word, which it loads and stores whole in one instruction, serves
// a stop that interrupts this thread, as a signal does. Exchanging is then a
// load and a store: a stop between the two discards the document twice, and
// discarding twice does no harm.
class VolatileHandle {
 public:
  explicit VolatileHandle(FileHandle handle) noexcept : handle_(handle) {}
  void store(FileHandle handle) noexcept { handle_ = handle; }
  FileHandle exchange(FileHandle handle) noexcept {
    const FileHandle old = handle_;
    handle_ = handle;
    return old;
  }

 private:
  volatile FileHandle handle_;
};

// A stop that comes on a thread of its own (Windows' console handler) needs
// the atomic; every Windows machine has one without a lock.
std::conditional_t<std::atomic<FileHandle>::is_always_lock_free,
                   std::atomic<FileHandle>, VolatileHandle>
    armed_document{NO_FILE};

void arm(const char* path, FileHandle document) noexcept {
  const std::size_t length = std::strlen(path);
  if (length >= sizeof armed_path) return;
  std::memcpy(armed_path, path, length + 1);
  armed_document.store(document);
}

// Only calls that a signal handler may make.
void discard(const char* path, FileHandle document) noexcept {
  // Emptied through the open file, so nothing stays wherever the name led,
  // even if the name itself cannot be removed.
  if (document != NO_FILE && is_disk_file(document)) {
    [[maybe_unused]] const int emptied = empty_file(document);
  }
  // A file put in the document's place meanwhile is not the run's to
  // remove, nor is the user's link.
  if (names_plain_file(path, document)) remove_name(path);
}

void discard_armed_document() noexcept {
  const FileHandle document = armed_document.exchange(NO_FILE);
  if (document != NO_FILE) discard(armed_path, document);
}

}  // namespace

FileHandle open_document(const char* path, FileHandle log,
                         OpenError* error) noexcept {
  // Known before opening: the log is neither written to nor even opened
  // for writing, which a read-only log would refuse with another reason.
  // Nor is its lock ever waited for.
  *error = compare_name(path, log);
  if (error->reason != OpenError::NONE) return NO_FILE;
  for (int attempt = 1;; ++attempt) {
    // Not emptied on opening: the name may have changed to the log since,
    // and another run may be writing the file.
    int number = 0;
    const FileHandle file = open_for_writing(path, &number);
    if (file == NO_FILE) {
      *error = {OpenError::SYSTEM_ERROR, number};
      return NO_FILE;
    }
    *error = compare_files(file, log);
    const bool disk = error->reason == OpenError::NONE && is_disk_file(file);
    if (disk) {
      number = lock_file(file);
      if (number != 0) *error = {OpenError::SYSTEM_ERROR, number};
    }
    if (disk && error->reason == OpenError::NONE) {
      // A run that held the lock may have failed and removed the file; its
      // name may lead to a new one by now.
      const OpenError named = compare_name(path, file);
      if (named.reason == OpenError::NONE) {
        close_file(file);
        if (attempt < OPEN_ATTEMPTS) continue;
        *error = {OpenError::SYSTEM_ERROR, EAGAIN};
        return NO_FILE;
      }
      if (named.reason == OpenError::SYSTEM_ERROR) *error = named;
    }
    if (error->reason == OpenError::NONE) {
      arm(path, file);
      if (disk) {
        number = empty_file(file);
        if (number != 0) *error = {OpenError::SYSTEM_ERROR, number};
      }
    }
    if (error->reason != OpenError::NONE) {
      armed_document.store(NO_FILE);
      close_file(file);
      return NO_FILE;
    }
    return file;
  }
}

void discard_document(const char* path, FileHandle document) noexcept {
  // Disarmed only afterwards: a stop in the middle does the rest.
  discard(path, document);
  armed_document.store(NO_FILE);
}

int close_document(FileHandle document) noexcept {
  armed_document.store(NO_FILE);
  return close_file(document);
}

void discard_document_when_stopped() noexcept {
  set_stop_action(discard_armed_document);
}

}  // namespace logvane
