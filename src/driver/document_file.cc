#include "driver/document_file.h"

namespace logvane {

FileHandle open_document(const char* path, FileHandle log,
                         OpenError* error) noexcept {
  // Known before opening: the log is neither written to nor even opened
  // for writing, which a read-only log would refuse with another reason.
  *error = compare_name(path, log);
  if (error->reason != OpenError::NONE) return NO_FILE;
  // Not emptied on opening: the name may have changed to the log since.
  int number = 0;
  const FileHandle file = open_for_writing(path, &number);
  if (file == NO_FILE) {
    *error = {OpenError::SYSTEM_ERROR, number};
    return NO_FILE;
  }
  *error = compare_files(file, log);
  if (error->reason == OpenError::NONE && is_disk_file(file)) {
    number = empty_file(file);
    if (number != 0) *error = {OpenError::SYSTEM_ERROR, number};
  }
  if (error->reason != OpenError::NONE) {
    close_file(file);
    return NO_FILE;
  }
  return file;
}

void discard_document(const char* path, FileHandle document) noexcept {
  // Emptied through the open file, so nothing stays wherever the name led,
  // even if the name itself cannot be removed.
  if (document != NO_FILE && is_disk_file(document)) {
    [[maybe_unused]] const int emptied = empty_file(document);
  }
  // A file put in the document's place meanwhile is not the run's to
  // remove, nor is the user's link.
  if (names_plain_file(path, document)) remove_name(path);
}

}  // namespace logvane
