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
#include <cwchar>
#include <initializer_list>

#include "text/utf16_text.h"

// The C runtime's own parse of the command line, in UTF-16: the one that
// made argv, so both agree on where an argument ends.
struct WideStartupInfo {
  int new_mode;
};
extern "C" int __wgetmainargs(int* count, wchar_t*** arguments,
                              wchar_t*** environment, int expand_wildcards,
                              WideStartupInfo* startup);

namespace logvane {

namespace {

// Other programs may read, write, rename or delete a file while it is open
// here, as on POSIX systems; the document's own name is removed through a
// second handle, which sharing deletion allows.
constexpr DWORD SHARE_ALL =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The longest text Windows holds in one string, in UTF-16 units: the
// command line, and a path written with \\?\.
constexpr std::size_t WIDE_TEXT_SIZE = 32767;
// The longest name of one file or folder that Windows' file systems take.
constexpr std::size_t COMPONENT_UNITS = 255;

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
      {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
      {ERROR_HANDLE_DISK_FULL, ENOSPC},
      {ERROR_FILE_TOO_LARGE, EFBIG},
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

bool starts_with(const wchar_t* text, const wchar_t* prefix) noexcept {
  return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// The UTF-16 form of path to open, in a buffer of its own that the next
// call reuses, or nullptr with an error number in *error. A name that no
// file system of Windows could hold is ENAMETOOLONG. A path whose full form
// is MAX_PATH units or more, which Windows would refuse, is given in that
// full form behind \\?\ (\\?\UNC\ for a share); any other path goes as
// written, so that Windows reads it as it always does.
const wchar_t* wide_path(const char* path, int* error) noexcept {
  static char16_t units[WIDE_TEXT_SIZE + 1];
  static wchar_t written[WIDE_TEXT_SIZE + 1];
  static wchar_t full[WIDE_TEXT_SIZE + 1];
  // Room for the longest prefix, \\?\UNC\ less the \\ it replaces.
  static wchar_t prefixed[WIDE_TEXT_SIZE + 7];
  const std::ptrdiff_t length =
      convert_utf8_to_utf16(path, units, WIDE_TEXT_SIZE + 1);
  if (length < 0) {
    // Every path here is UTF-8 converted from Windows' own text, so only
    // its length can be at fault.
    *error = ENAMETOOLONG;
    return nullptr;
  }
  std::size_t component = 0;
  written[length] = 0;
  for (std::ptrdiff_t i = 0; i < length; ++i) {
    written[i] = static_cast<wchar_t>(units[i]);
    const bool separator = units[i] == u'\\' || units[i] == u'/';
    component = separator ? 0 : component + 1;
    if (component > COMPONENT_UNITS) {
      *error = ENAMETOOLONG;
      return nullptr;
    }
  }
  if (starts_with(written, L"\\\\?\\") || starts_with(written, L"\\\\.\\")) {
    return written;
  }
  const DWORD full_length =
      GetFullPathNameW(written, WIDE_TEXT_SIZE + 1, full, nullptr);
  if (full_length == 0) {
    *error = error_number(GetLastError());
    return nullptr;
  }
  if (full_length > WIDE_TEXT_SIZE) {
    *error = ENAMETOOLONG;
    return nullptr;
  }
  // A device, such as \\.\NUL, is no path to lengthen.
  if ((full_length < MAX_PATH && length < MAX_PATH) ||
      starts_with(full, L"\\\\.\\") || starts_with(full, L"\\\\?\\")) {
    return written;
  }
  const bool share = starts_with(full, L"\\\\");
  const wchar_t* prefix = share ? L"\\\\?\\UNC" : L"\\\\?\\";
  const wchar_t* rest = share ? full + 1 : full;
  std::wcscpy(prefixed, prefix);
  std::wcscat(prefixed, rest);
  if (std::wcslen(prefixed) > WIDE_TEXT_SIZE) {
    *error = ENAMETOOLONG;
    return nullptr;
  }
  return prefixed;
}

// Why path (wide_path's form) could not be opened. Windows refuses to open
// a directory as a file with "access denied"; it is told apart here, as
// POSIX systems do.
int open_error(const wchar_t* path) noexcept {
  const DWORD code = GetLastError();
  if (code == ERROR_ACCESS_DENIED) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return EISDIR;
    }
  }
  return error_number(code);
}

// The identity of an open disk file: its volume's serial number and its id
// there.
struct FileIdentity {
  ULONGLONG volume = 0;
  FILE_ID_128 id{};
};

// FileIdInfo gives 128-bit ids, which ReFS needs; where the volume gives
// none, GetFileInformationByHandle's 64-bit index stands in.
bool read_identity(HANDLE file, bool full_ids,
                   FileIdentity* identity) noexcept {
  if (full_ids) {
    FILE_ID_INFO information;
    if (!GetFileInformationByHandleEx(file, FileIdInfo, &information,
                                      sizeof information)) {
      return false;
    }
    identity->volume = information.VolumeSerialNumber;
    identity->id = information.FileId;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) return false;
  identity->volume = information.dwVolumeSerialNumber;
  const DWORD index[2] = {information.nFileIndexLow,
                          information.nFileIndexHigh};
  std::memcpy(identity->id.Identifier, index, sizeof index);
  return true;
}

DWORD link_count(HANDLE file) noexcept {
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(file, &information)
             ? information.nNumberOfLinks
             : 0;
}

// Whether two handles on a volume without a serial number, which gave the
// same id, are one file. Two volumes without one (a RAM disk, a share) may
// each have a file of that id: the final paths tell. Two links of one file
// have final paths of their own, so where both files have several names
// they are taken for one: refusing a document loses nothing, emptying the
// log would. -1 when that cannot be read.
int same_file_without_serial(HANDLE a, HANDLE b) noexcept {
  static wchar_t first[WIDE_TEXT_SIZE + 1];
  static wchar_t second[WIDE_TEXT_SIZE + 1];
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  const DWORD first_length =
      GetFinalPathNameByHandleW(a, first, WIDE_TEXT_SIZE + 1, flags);
  const DWORD second_length =
      GetFinalPathNameByHandleW(b, second, WIDE_TEXT_SIZE + 1, flags);
  if (first_length == 0 || first_length > WIDE_TEXT_SIZE ||
      second_length == 0 || second_length > WIDE_TEXT_SIZE) {
    return -1;
  }
  if (std::wcscmp(first, second) == 0) return 1;
  const DWORD first_links = link_count(a);
  const DWORD second_links = link_count(b);
  if (first_links == 0 || second_links == 0) return -1;
  return first_links > 1 && second_links > 1 ? 1 : 0;
}

// Whether a and b are one file: no error when they are not, SAME_FILE when
// they are, or the error number of a query that failed, since a file whose
// identity is unknown may be the log. A device, such as the null device,
// or a pipe is never taken for the log.
OpenError compare_handles(HANDLE a, HANDLE b) noexcept {
  for (const HANDLE file : {a, b}) {
    SetLastError(NO_ERROR);
    const DWORD type = GetFileType(file);
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) {
      return {OpenError::SYSTEM_ERROR, error_number(GetLastError())};
    }
    if (type != FILE_TYPE_DISK) return {};
  }
  FileIdentity first;
  FileIdentity second;
  if (!(read_identity(a, true, &first) && read_identity(b, true, &second)) &&
      !(read_identity(a, false, &first) && read_identity(b, false, &second))) {
    return {OpenError::SYSTEM_ERROR, error_number(GetLastError())};
  }
  if (first.volume != second.volume ||
      std::memcmp(&first.id, &second.id, sizeof first.id) != 0) {
    return {};
  }
  if (first.volume != 0) return {OpenError::SAME_FILE, 0};
  const int same = same_file_without_serial(a, b);
  if (same < 0) return {OpenError::SYSTEM_ERROR, error_number(GetLastError())};
  if (same == 0) return {};
  return {OpenError::SAME_FILE, 0};
}

StopAction stop_action = nullptr;
HANDLE main_thread = nullptr;
LONG stopping = 0;

// Runs on a thread of its own, which Windows starts for the event.
BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT &&
      event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  // A second event waits for the first to end the process.
  if (InterlockedExchange(&stopping, 1) != 0) Sleep(INFINITE);
  // The run is held first, so that it writes nothing after its document
  // is discarded; asking for its registers waits until it is held.
  if (main_thread != nullptr &&
      SuspendThread(main_thread) != static_cast<DWORD>(-1)) {
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(main_thread, &context);
  }
  if (stop_action != nullptr) stop_action();
  // The status of a program that Ctrl+C ended, without the run's own
  // clean-up, which the held thread may be in the middle of.
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

void prepare_process() noexcept {
  // A drive without a disk gives an error message, not a dialog box that
  // waits for someone to click it. The standard handles take bytes as
  // they are: WriteFile knows no text mode.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

CommandLine read_command_line(int, char**) noexcept {
  // Three bytes of UTF-8 at most for each unit of the command line.
  static char first[3 * WIDE_TEXT_SIZE + 1];
  static char16_t units[WIDE_TEXT_SIZE + 1];
  CommandLine line;
  int count = 0;
  wchar_t** arguments = nullptr;
  wchar_t** environment = nullptr;
  WideStartupInfo startup{0};
  // Its result is not relied on: older runtimes return nothing.
  (void)__wgetmainargs(&count, &arguments, &environment, 0, &startup);
  if (arguments == nullptr) {
    line.error = ENOMEM;
    return line;
  }
  line.count = count - 1;
  if (count < 2) return line;
  std::size_t length = 0;
  for (const wchar_t* unit = arguments[1]; *unit != 0; ++unit) {
    if (length == WIDE_TEXT_SIZE) {
      line.error = ENAMETOOLONG;
      return line;
    }
    units[length++] = static_cast<char16_t>(*unit);
  }
  units[length] = 0;
  if (convert_utf16_to_utf8(units, first, sizeof first) < 0) {
    line.error = ENAMETOOLONG;
    return line;
  }
  line.first = first;
  return line;
}

bool names_follow_windows_rules() noexcept { return true; }

FileHandle standard_output() noexcept {
  return as_file(GetStdHandle(STD_OUTPUT_HANDLE));
}

FileHandle standard_error() noexcept {
  return as_file(GetStdHandle(STD_ERROR_HANDLE));
}

FileHandle open_for_reading(const char* path, int* error) noexcept {
  const wchar_t* wide = wide_path(path, error);
  if (wide == nullptr) return NO_FILE;
  // No security attributes: the handle is not inherited by child processes.
  const HANDLE file =
      CreateFileW(wide, GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = open_error(wide);
    return NO_FILE;
  }
  return as_file(file);
}

OpenError compare_files(FileHandle a, FileHandle b) noexcept {
  return compare_handles(as_handle(a), as_handle(b));
}

OpenError compare_name(const char* path, FileHandle file) noexcept {
  int error = 0;
  const wchar_t* wide = wide_path(path, &error);
  if (wide == nullptr) return {OpenError::SYSTEM_ERROR, error};
  const HANDLE named =
      CreateFileW(wide, FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return {};
  const OpenError identity = compare_handles(named, as_handle(file));
  CloseHandle(named);
  return identity;
}

FileHandle open_for_writing(const char* path, int* error) noexcept {
  const wchar_t* wide = wide_path(path, error);
  if (wide == nullptr) return NO_FILE;
  const HANDLE file = CreateFileW(wide, GENERIC_WRITE, SHARE_ALL, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = open_error(wide);
    return NO_FILE;
  }
  return as_file(file);
}

bool is_disk_file(FileHandle file) noexcept {
  return GetFileType(as_handle(file)) == FILE_TYPE_DISK;
}

int empty_file(FileHandle file) noexcept {
  const LARGE_INTEGER start{};
  if (SetFilePointerEx(as_handle(file), start, nullptr, FILE_BEGIN) &&
      SetEndOfFile(as_handle(file))) {
    return 0;
  }
  return error_number(GetLastError());
}

bool names_plain_file(const char* path, FileHandle file) noexcept {
  int error = 0;
  const wchar_t* wide = wide_path(path, &error);
  if (wide == nullptr) return false;
  // The name is opened as it is, a link not followed (nor a directory
  // opened).
  const HANDLE named =
      CreateFileW(wide, FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const bool plain =
      GetFileType(named) == FILE_TYPE_DISK &&
      GetFileInformationByHandle(named, &information) &&
      (information.dwFileAttributes &
       (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
      (file == NO_FILE ||
       compare_handles(named, as_handle(file)).reason == OpenError::SAME_FILE);
  CloseHandle(named);
  return plain;
}

void remove_name(const char* path) noexcept {
  int error = 0;
  const wchar_t* wide = wide_path(path, &error);
  if (wide == nullptr) return;
  // A removed file keeps its name while another handle holds it open (a
  // run waiting for its lock), and a run that then opened the name would
  // write into a file about to go. So the file is first given a name of its
  // own beside it, and the name is free at once.
  static wchar_t aside[WIDE_TEXT_SIZE + 32];
  const std::size_t length = std::wcslen(wide);
  if (length + 32 > sizeof aside / sizeof aside[0]) {
    DeleteFileW(wide);
    return;
  }
  std::wmemcpy(aside, wide, length);
  DWORD id = GetCurrentProcessId();
  wchar_t* end = aside + length;
  for (const wchar_t* tail = L".discarded-"; *tail != L'\0';) *end++ = *tail++;
  wchar_t digits[16];
  int count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + id % 10);
    id /= 10;
  } while (id != 0);
  while (count > 0) *end++ = digits[--count];
  *end = L'\0';
  DeleteFileW(MoveFileExW(wide, aside, 0) ? aside : wide);
}

std::ptrdiff_t read_file(FileHandle file, char* into, std::size_t size,
                         int* error) noexcept {
  DWORD got = 0;
  if (ReadFile(as_handle(file), into, chunk_of(size), &got, nullptr)) {
    return got;
  }
  // A pipe whose writer has closed its end, or whose server has
  // disconnected it, has simply come to its end.
  const DWORD code = GetLastError();
  if (code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED ||
      code == ERROR_HANDLE_EOF) {
    return 0;
  }
  *error = error_number(code);
  return -1;
}

std::ptrdiff_t write_file(FileHandle file, const char* data, std::size_t size,
                          int* error) noexcept {
  DWORD put = 0;
  if (!WriteFile(as_handle(file), data, chunk_of(size), &put, nullptr)) {
    *error = error_number(GetLastError());
    return -1;
  }
  return put;
}

int lock_file(FileHandle file) noexcept {
  // From the first byte to the last there can ever be; the handle is not
  // overlapped, so the call waits.
  OVERLAPPED whole{};
  if (LockFileEx(as_handle(file), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD,
                 MAXDWORD, &whole)) {
    return 0;
  }
  const DWORD code = GetLastError();
  // A file system that keeps no locks.
  if (code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION ||
      code == ERROR_CALL_NOT_IMPLEMENTED) {
    return 0;
  }
  return error_number(code);
}

void set_stop_action(StopAction action) noexcept {
  stop_action = action;
  if (main_thread == nullptr &&
      !DuplicateHandle(GetCurrentProcess(), GetCurrentThread(),
                       GetCurrentProcess(), &main_thread,
                       THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, 0)) {
    main_thread = nullptr;
  }
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

int close_file(FileHandle file) noexcept {
  return CloseHandle(as_handle(file)) ? 0 : error_number(GetLastError());
}

LeadBytes find_lead_bytes() noexcept {
  // Names come as UTF-8, where no byte of a longer character is ASCII.
  return LeadBytes{};
}

}  // namespace logvane
