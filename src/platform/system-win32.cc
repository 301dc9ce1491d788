#include "platform/system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/injected_fault.h"

namespace logvane {

namespace {

// Other programs may read, write, rename or delete a file while it is open
// here, as on POSIX systems; the document's own name is removed through a
// second handle, which sharing deletion allows.
constexpr DWORD SHARE_ALL =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE as_handle(FileHandle file) noexcept {
  return reinterpret_cast<HANDLE>(file);
}

FileHandle as_file(HANDLE handle) noexcept {
  return reinterpret_cast<FileHandle>(handle);
}

// The most one ReadFile or WriteFile is asked to move: its count is 32 bits.
DWORD chunk_of(std::size_t size) noexcept {
  return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
}

// The error number the C runtime gives a system error code, so that
// strerror has the text perror would print there. Codes it does not list,
// such as ERROR_INVALID_NAME, are EINVAL.
int error_number(DWORD code) noexcept {
  struct Mapping {
    DWORD code;
    int error;
  };
  static constexpr Mapping MAPPINGS[] = {
      {ERROR_FILE_NOT_FOUND, ENOENT},
      {ERROR_PATH_NOT_FOUND, ENOENT},
      {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
      {ERROR_ACCESS_DENIED, EACCES},
      {ERROR_INVALID_HANDLE, EBADF},
      {ERROR_ARENA_TRASHED, ENOMEM},
      {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
      {ERROR_INVALID_BLOCK, ENOMEM},
      {ERROR_BAD_ENVIRONMENT, E2BIG},
      {ERROR_BAD_FORMAT, ENOEXEC},
      {ERROR_INVALID_DRIVE, ENOENT},
      {ERROR_CURRENT_DIRECTORY, EACCES},
      {ERROR_NOT_SAME_DEVICE, EXDEV},
      {ERROR_NO_MORE_FILES, ENOENT},
      {ERROR_LOCK_VIOLATION, EACCES},
      {ERROR_BAD_NETPATH, ENOENT},
      {ERROR_NETWORK_ACCESS_DENIED, EACCES},
      {ERROR_BAD_NET_NAME, ENOENT},
      {ERROR_FILE_EXISTS, EEXIST},
      {ERROR_CANNOT_MAKE, EACCES},
      {ERROR_FAIL_I24, EACCES},
      {ERROR_NO_PROC_SLOTS, EAGAIN},
      {ERROR_DRIVE_LOCKED, EACCES},
      {ERROR_BROKEN_PIPE, EPIPE},
      {ERROR_DISK_FULL, ENOSPC},
      {ERROR_INVALID_TARGET_HANDLE, EBADF},
      {ERROR_WAIT_NO_CHILDREN, ECHILD},
      {ERROR_CHILD_NOT_COMPLETE, ECHILD},
      {ERROR_DIRECT_ACCESS_HANDLE, EBADF},
      {ERROR_SEEK_ON_DEVICE, EACCES},
      {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
      {ERROR_NOT_LOCKED, EACCES},
      {ERROR_BAD_PATHNAME, ENOENT},
      {ERROR_MAX_THRDS_REACHED, EAGAIN},
      {ERROR_LOCK_FAILED, EACCES},
      {ERROR_ALREADY_EXISTS, EEXIST},
      {ERROR_FILENAME_EXCED_RANGE, ENOENT},
      {ERROR_NESTING_NOT_ALLOWED, EAGAIN},
      {ERROR_NOT_ENOUGH_QUOTA, ENOMEM},
  };
  for (const Mapping& mapping : MAPPINGS) {
    if (mapping.code == code) return mapping.error;
  }
  // From a write-protected disk to a full sharing buffer, access is denied.
  if (code >= ERROR_WRITE_PROTECT && code <= ERROR_SHARING_BUFFER_EXCEEDED) {
    return EACCES;
  }
  if (code >= ERROR_INVALID_STARTING_CODESEG &&
      code <= ERROR_INFLOOP_IN_RELOC_CHAIN) {
    return ENOEXEC;
  }
  return EINVAL;
}

// Why path could not be opened. Windows refuses to open a directory as a
// file with "access denied"; it is told apart here, as POSIX systems do.
int open_error(const char* path) noexcept {
  const DWORD code = GetLastError();
  if (code == ERROR_ACCESS_DENIED) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return EISDIR;
    }
  }
  return error_number(code);
}

// Whether a and b are one file: the same volume serial number and file id,
// as FileIdInfo gives them (128-bit ids, which ReFS needs), or where the
// volume gives none, as GetFileInformationByHandle does. A device, such as
// the null device, is never taken for the log.
bool same_file(HANDLE a, HANDLE b) noexcept {
  if (GetFileType(a) != FILE_TYPE_DISK || GetFileType(b) != FILE_TYPE_DISK) {
    return false;
  }
  FILE_ID_INFO first;
  FILE_ID_INFO second;
  if (GetFileInformationByHandleEx(a, FileIdInfo, &first, sizeof first) &&
      GetFileInformationByHandleEx(b, FileIdInfo, &second, sizeof second)) {
    return first.VolumeSerialNumber == second.VolumeSerialNumber &&
           std::memcmp(&first.FileId, &second.FileId, sizeof first.FileId) == 0;
  }
  BY_HANDLE_FILE_INFORMATION one;
  BY_HANDLE_FILE_INFORMATION other;
  return GetFileInformationByHandle(a, &one) &&
         GetFileInformationByHandle(b, &other) &&
         one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
         one.nFileIndexHigh == other.nFileIndexHigh &&
         one.nFileIndexLow == other.nFileIndexLow;
}

bool empty_disk_file(HANDLE file) noexcept {
  if (GetFileType(file) != FILE_TYPE_DISK) return true;
  const LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
         SetEndOfFile(file);
}

}  // namespace

void prepare_process() noexcept {
  // A drive without a disk gives an error message, not a dialog box that
  // waits for someone to click it. The standard handles take bytes as
  // they are: WriteFile knows no text mode.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

FileHandle standard_output() noexcept {
  return as_file(GetStdHandle(STD_OUTPUT_HANDLE));
}

FileHandle standard_error() noexcept {
  return as_file(GetStdHandle(STD_ERROR_HANDLE));
}

FileHandle open_for_reading(const char* path, int* error) noexcept {
  if (path[0] == '\0') {
    *error = EINVAL;
    return NO_FILE;
  }
  // No security attributes: the handle is not inherited by child processes.
  const HANDLE file =
      CreateFileA(path, GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = open_error(path);
    return NO_FILE;
  }
  return as_file(file);
}

FileHandle open_for_writing(const char* path, FileHandle input,
                            int* error) noexcept {
  const HANDLE log = as_handle(input);
  // Known before opening: the log is neither written to nor even opened
  // for writing, which a read-only log would refuse with another reason.
  const HANDLE existing =
      CreateFileA(path, FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    const bool is_log = same_file(existing, log);
    CloseHandle(existing);
    if (is_log) {
      *error = SAME_FILE;
      return NO_FILE;
    }
  }
  // Not truncated on opening (OPEN_ALWAYS): the name may have changed to
  // the log since.
  const HANDLE file = CreateFileA(path, GENERIC_WRITE, SHARE_ALL, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = open_error(path);
    return NO_FILE;
  }
  if (same_file(file, log)) {
    *error = SAME_FILE;
    CloseHandle(file);
    return NO_FILE;
  }
  if (!empty_disk_file(file)) {
    *error = error_number(GetLastError());
    CloseHandle(file);
    return NO_FILE;
  }
  return as_file(file);
}

std::ptrdiff_t read_file(FileHandle file, char* into, std::size_t size,
                         int* error) noexcept {
  const FaultCheck fault = check_fault(READ_FAULT, size);
  if (fault.allowed == 0 && fault.fails) {
    *error = fault.error;
    return -1;
  }
  DWORD got = 0;
  if (ReadFile(as_handle(file), into, chunk_of(fault.allowed), &got, nullptr)) {
    return got;
  }
  // A pipe whose writer has closed its end has simply come to its end.
  const DWORD code = GetLastError();
  if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;
  *error = error_number(code);
  return -1;
}

int write_file(FileHandle file, const char* data, std::size_t size) noexcept {
  const FaultCheck fault = check_fault(WRITE_FAULT, size);
  std::size_t left = fault.allowed;
  while (left > 0) {
    DWORD put = 0;
    if (!WriteFile(as_handle(file), data, chunk_of(left), &put, nullptr)) {
      return error_number(GetLastError());
    }
    // A write that takes nothing would be tried again for ever.
    if (put == 0) return EIO;
    data += put;
    left -= put;
  }
  if (!fault.fails) return 0;
  return fault.error != 0 ? fault.error : EIO;
}

int close_file(FileHandle file) noexcept {
  return CloseHandle(as_handle(file)) ? 0 : error_number(GetLastError());
}

void discard_document(const char* path, FileHandle document) noexcept {
  const HANDLE written = as_handle(document);
  // Emptied through the handle, so nothing stays wherever the name led,
  // even if the name itself cannot be removed.
  if (document != NO_FILE) (void)empty_disk_file(written);
  // The name is opened as it is, a link not followed (nor a directory
  // opened), and removed through this handle: what goes is exactly the file
  // checked here.
  const HANDLE named =
      CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (named == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(named) == FILE_TYPE_DISK &&
      GetFileInformationByHandle(named, &information) &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
      (document == NO_FILE || same_file(named, written))) {
    FILE_DISPOSITION_INFO removal{};
    removal.DeleteFile = TRUE;
    (void)SetFileInformationByHandle(named, FileDispositionInfo, &removal,
                                     sizeof removal);
  }
  CloseHandle(named);
}

LeadBytes find_lead_bytes() noexcept {
  LeadBytes lead;
  // The ANSI code page is the one the arguments arrive in.
  const UINT code_page = GetACP();
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    lead.is_lead[byte] =
        IsDBCSLeadByteEx(code_page, static_cast<BYTE>(byte)) != 0;
  }
  return lead;
}

}  // namespace logvane
