#include "platform/system.h"

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>


namespace logvane {

// The build asks for 64-bit file offsets (_FILE_OFFSET_BITS=64); without
// them fstat fails on a log over 2 GiB on a 32-bit system.
static_assert(sizeof(off_t) >= 8, "file offsets must be 64-bit");

namespace {

bool same_file(const struct stat& a, const struct stat& b) noexcept {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether byte begins a character that an ASCII byte (a digit, a letter, a
// backslash) can continue, as in Shift_JIS, GBK, GB18030, Big5, UHC and
// JOHAB. In UTF-8 and the EUC code sets every byte after the first is
// 0x80 or more, so no ASCII byte is ever part of a longer character.
bool begins_pair_with_ascii(unsigned char byte) noexcept {
  const char first = static_cast<char>(byte);
  wchar_t wide;
  std::mbstate_t state{};
  constexpr auto INCOMPLETE = static_cast<std::size_t>(-2);
  if (std::mbrtowc(&wide, &first, 1, &state) != INCOMPLETE) return false;
  for (int second = 0x30; second < 0x7F; ++second) {
    const char pair[2] = {first, static_cast<char>(second)};
    std::mbstate_t fresh{};
    const std::size_t length = std::mbrtowc(&wide, pair, 2, &fresh);
    if (length == 2 || length == INCOMPLETE) return true;
  }
  return false;
}

}  // namespace

CommandLine read_command_line(int argc, char** argv) noexcept {
  CommandLine line;
  line.count = argc - 1;
  if (argc > 1) line.first = argv[1];
  return line;
}

bool names_follow_windows_rules() noexcept { return false; }

FileHandle standard_output() noexcept { return STDOUT_FILENO; }

FileHandle standard_error() noexcept { return STDERR_FILENO; }

FileHandle open_for_reading(const char* path, int* error) noexcept {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return NO_FILE;
  }
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    *error = EISDIR;
    return NO_FILE;
  }
  return fd;
}

OpenError compare_files(FileHandle a, FileHandle b) noexcept {
  struct stat first;
  struct stat second;
  if (::fstat(static_cast<int>(a), &first) != 0 ||
      ::fstat(static_cast<int>(b), &second) != 0) {
    return {OpenError::SYSTEM_ERROR, errno};
  }
  if (same_file(first, second)) return {OpenError::SAME_FILE, 0};
  return {};
}

OpenError compare_name(const char* path, FileHandle file) noexcept {
  struct stat open;
  if (::fstat(static_cast<int>(file), &open) != 0) {
    return {OpenError::SYSTEM_ERROR, errno};
  }
  struct stat named;
  if (::stat(path, &named) == 0 && same_file(named, open)) {
    return {OpenError::SAME_FILE, 0};
  }
  return {};
}

FileHandle open_for_writing(const char* path, int* error) noexcept {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = errno;
    return NO_FILE;
  }
  return fd;
}

bool is_disk_file(FileHandle file) noexcept {
  struct stat status;
  return ::fstat(static_cast<int>(file), &status) == 0 &&
         S_ISREG(status.st_mode);
}

int empty_file(FileHandle file) noexcept {
  return ::ftruncate(static_cast<int>(file), 0) == 0 ? 0 : errno;
}

bool names_plain_file(const char* path, FileHandle file) noexcept {
  struct stat named;
  if (::lstat(path, &named) != 0 || !S_ISREG(named.st_mode)) return false;
  if (file == NO_FILE) return true;
  struct stat open;
  return ::fstat(static_cast<int>(file), &open) == 0 && same_file(named, open);
}

void remove_name(const char* path) noexcept { ::unlink(path); }

std::ptrdiff_t read_file(FileHandle file, char* into, std::size_t size,
                         int* error) noexcept {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(file), into, size);
    if (got >= 0) return got;
    if (errno != EINTR) {
      *error = errno;
      return -1;
    }
  }
}

std::ptrdiff_t write_file(FileHandle file, const char* data, std::size_t size,
                          int* error) noexcept {
  for (;;) {
    const ssize_t put = ::write(static_cast<int>(file), data, size);
    if (put >= 0) return put;
    if (errno != EINTR) {
      *error = errno;
      return -1;
    }
  }
}

int close_file(FileHandle file) noexcept {
  // After EINTR the descriptor is closed all the same.
  return ::close(static_cast<int>(file)) == 0 || errno == EINTR ? 0 : errno;
}

LeadBytes find_lead_bytes() noexcept {
  LeadBytes lead;
  // Only the character type is taken from the environment, and only while
  // the table is made: error texts and numbers stay those of the C locale.
  if (std::setlocale(LC_CTYPE, "") == nullptr) return lead;
  // UTF-8, the usual code set, continues a character with bytes of 0x80 and
  // above only: there is nothing to ask byte by byte.
  if (MB_CUR_MAX > 1 && std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      lead.is_lead[byte] =
          begins_pair_with_ascii(static_cast<unsigned char>(byte));
    }
  }
  std::setlocale(LC_CTYPE, "C");
  return lead;
}

}  // namespace logvane
