#include "driver/run_conversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/byte_streams.h"
#include "support/temporary_directory.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace logvane {
namespace {

const std::string LOG =
    "a\nb\nc\nRef lon 8.5\nRef lat 47.25\nx\ny\n"
    "w w 7 8.51 47.26 120.5 0 0 0 0 0 0 0\n";

// Converts trip.txt, LOG and more records to twice the reader's buffer, in
// the current directory, its reading failing with EIO after after_bytes:
// the status, what the console got, and what is left at the document's
// name (a folder, if document_is_folder).
std::string converted_with_read_error(std::size_t after_bytes,
                                      bool document_is_folder = false) {
  std::string long_log = LOG;
  while (long_log.size() < 2 * READ_BUFFER_SIZE) {
    long_log += LOG.substr(LOG.find("w w"));
  }
  write_bytes("trip.txt", long_log);
  if (document_is_folder) std::filesystem::create_directory("trip.kml");
  int open_error = 0;
  const FileHandle log = open_for_reading("trip.txt", &open_error);
  FileSource file_bytes(log);
  FailingSource log_bytes(file_bytes, after_bytes, EIO);
  char memory[256];
  MemorySink console_bytes(memory, sizeof memory);
  TextWriter out(console_bytes);
  const RunStatus status =
      convert_opened_log("trip.txt", log, log_bytes, out, out);
  close_file(log);
  out.flush();
  return std::to_string(status) + "|" +
         std::string(memory, console_bytes.size()) +
         "|trip.kml=" + (std::filesystem::is_directory("trip.kml")
                             ? "(folder)"
                             : read_bytes("trip.kml"));
}

TEST(RunConversion, AFailedReadLeavesNoPartialDocument) {
  InTemporaryDirectory directory;
  EXPECT_EQ(
      "5|8.500000\r\nFailed to read input file: Input/output error\r\n"
      "|trip.kml=(none)",
      converted_with_read_error(READ_BUFFER_SIZE + 10));
  // Before the header is read the document is not even begun.
  EXPECT_EQ(
      "5|0.000000\r\nFailed to read input file: Input/output error\r\n"
      "|trip.kml=(none)",
      converted_with_read_error(0));
  // The header is used as soon as it is read, before the read that fails:
  // a document that cannot be opened is the first failure.
  EXPECT_EQ(
      "3|8.500000\r\nFailed to open output file: Is a directory\r\n"
      "|trip.kml=(folder)",
      converted_with_read_error(LOG.size(), true));
}

#ifndef _WIN32
// Runs the real binary on a log of size bytes, its standard output a pipe
// whose reader has gone, its file size limited to limit bytes: how the run
// ended, what it said on standard error and how long a document it left.
std::string run_limited(std::size_t size, rlim_t limit) {
  InTemporaryDirectory directory;
  std::string log = LOG;
  while (log.size() < size) log += LOG.substr(LOG.find("w w"));
  write_bytes("trip.txt", log);
  int console[2];
  int errors[2];
  if (pipe(console) != 0 || pipe(errors) != 0) return "no pipe";
  close(console[0]);
  const pid_t child = fork();
  if (child == 0) {
    const rlimit file_size = {limit, limit};
    setrlimit(RLIMIT_FSIZE, &file_size);
    dup2(console[1], STDOUT_FILENO);
    dup2(errors[1], STDERR_FILENO);
    // A cross-built program runs under its emulator (qemu-user), whose
    // words LOGVANE_EMULATOR holds.
    const char* const command[] = {LOGVANE_EMULATOR LOGVANE_BINARY,
                                   "trip.txt", nullptr};
    execv(command[0], const_cast<char* const*>(command));
    _exit(127);
  }
  close(console[1]);
  close(errors[1]);
  char message[200];
  const ssize_t length = read(errors[0], message, sizeof message);
  close(errors[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const std::string document = read_bytes("trip.kml");
  return (WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                            : "signal " + std::to_string(WTERMSIG(status))) +
         "|" + std::string(message, length > 0 ? std::size_t(length) : 0) +
         "|" + (document == "(none)" ? document : std::to_string(document.size()));
}

// Signals must not turn a failed write into a lost or partial document: a
// console pipe whose reader has gone does not stop the run, and a document
// beyond the file size limit fails like a full disk.
TEST(RunConversion, SignalsDoNotEndTheRun) {
  EXPECT_EQ("status 0||900", run_limited(0, RLIM_INFINITY));
  EXPECT_EQ("status 4|Failed to write output file: File too large\r\n|(none)",
            run_limited(200000, 8192));
}
#endif


}  // namespace
}  // namespace logvane
