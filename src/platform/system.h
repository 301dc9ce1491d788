#ifndef LOGVANE_PLATFORM_SYSTEM_H_
#define LOGVANE_PLATFORM_SYSTEM_H_

// Everything logvane asks of the operating system. system-posix.cc (with
// system-posix-signals.cc, or system-wasi.cc for WASI) and system-win32.cc
// implement it; the build picks one. Errors are error numbers as errno
// holds them, so that each has its text (describe_error).

#include <cstddef>
#include <cstdint>

namespace logvane {

/// An open file: a descriptor on POSIX systems, a HANDLE on Windows.
using FileHandle = std::intptr_t;
/// No file; also what a failed open returns.
constexpr FileHandle NO_FILE = -1;

/// Sets the process up for a run: the standard streams take bytes as they
/// are, and a reader that went away does not end the process.
void prepare_process() noexcept;

/// The command line as the system holds it: the number of arguments after
/// the program name, and the first of them as the text every other call
/// here takes. On POSIX systems that is argv's own bytes. On Windows it is
/// UTF-8, converted once from the UTF-16 that Windows holds (argv has it in
/// the ANSI code page, which may turn a character it lacks into another);
/// first is nullptr there, with an error number in error, if the text
/// cannot be had.
struct CommandLine {
  int count = 0;
  const char* first = nullptr;
  int error = 0;
};
CommandLine read_command_line(int argc, char** argv) noexcept;

/// Whether names follow Windows' rules, where a name such as NUL.kml is a
/// device and a colon leads to a drive or to a stream of a file.
bool names_follow_windows_rules() noexcept;

FileHandle standard_output() noexcept;
FileHandle standard_error() noexcept;

/// Opens path, which is not empty, for reading, sharing it with other
/// readers and writers. Returns NO_FILE with an error number in *error: a
/// directory is EISDIR, and a name longer than the system allows is
/// ENAMETOOLONG.
FileHandle open_for_reading(const char* path, int* error) noexcept;

/// Why a file was not opened: an error number as errno holds it, or a
/// reason of the program's own, which no error number stands for.
struct OpenError {
  enum Reason { NONE, SYSTEM_ERROR, SAME_FILE, DEVICE_NAME };
  Reason reason = NONE;
  int number = 0;
};

/// Whether a and b are one file: reason NONE when they are not, SAME_FILE
/// when they are, or the error number of a query that failed, since a file
/// whose identity is unknown may be the other one.
OpenError compare_files(FileHandle a, FileHandle b) noexcept;

/// As compare_files, for the file that path names, links followed; NONE
/// when path names nothing that can be looked at.
OpenError compare_name(const char* path, FileHandle file) noexcept;

/// Opens path for writing, creating it when it is missing and keeping the
/// bytes it holds. Returns NO_FILE with an error number in *error.
FileHandle open_for_writing(const char* path, int* error) noexcept;

/// Whether file is a file on disk, rather than a device or a pipe.
bool is_disk_file(FileHandle file) noexcept;

/// Empties file; returns 0 or the error number.
int empty_file(FileHandle file) noexcept;

/// Whether path, a link not followed, names a plain file on disk: the file
/// open as file, unless that is NO_FILE.
bool names_plain_file(const char* path, FileHandle file) noexcept;

/// Removes the name path.
void remove_name(const char* path) noexcept;

/// Takes an exclusive lock on the whole of file, a disk file open for
/// writing, waiting while another open file holds one. The lock lasts until
/// file is closed. Returns 0, also where the system or the file system
/// keeps no locks (then nothing is locked), or the error number.
int lock_file(FileHandle file) noexcept;

/// What a stopped run does before it ends. On POSIX systems it runs in a
/// signal handler, so of the calls here it may use only these, whose system
/// calls are safe there: is_disk_file, empty_file, names_plain_file and
/// remove_name.
using StopAction = void (*)() noexcept;

/// Has action run once when the process is stopped from outside (SIGINT,
/// SIGTERM, SIGHUP, SIGQUIT; on Windows Ctrl+C, Ctrl+Break and the console
/// closing); the process then ends as that stop ends it without action.
/// Where the system sends no such stops, nothing is done.
void set_stop_action(StopAction action) noexcept;

/// Reads at most size bytes. Returns how many were read, 0 at the end of
/// the file, or -1 with an error number in *error.
std::ptrdiff_t read_file(FileHandle file, char* into, std::size_t size,
                         int* error) noexcept;

/// Writes at most size bytes, at least one unless the system takes none.
/// Returns how many were written, or -1 with an error number in *error.
std::ptrdiff_t write_file(FileHandle file, const char* data, std::size_t size,
                          int* error) noexcept;

/// Closes file; returns 0, or the error number of a failed close (some file
/// systems report a failed write only there).
int close_file(FileHandle file) noexcept;

/// Which bytes begin a two-byte character whose second byte may be ASCII,
/// such as a backslash, in the code page of the user's locale. UTF-8 and
/// single-byte code pages have none, and so has Windows, whose names come
/// as UTF-8 (read_command_line).
struct LeadBytes {
  bool is_lead[256] = {};
};
LeadBytes find_lead_bytes() noexcept;

}  // namespace logvane

#endif  // LOGVANE_PLATFORM_SYSTEM_H_
