#include "driver/run_conversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/temporary_directory.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace logvane {
namespace {

std::string text_of(const TextWriter& writer, const char* memory) {
  return std::string(memory, writer.memory_size());
}

const std::string LOG =
    "a\nb\nc\nRef lon 8.5\nRef lat 47.25\nx\ny\n"
    "w w 7 8.51 47.26 120.5 0 0 0 0 0 0 0\n";

// Converts trip.txt (LOG) in the current directory with a fault injected
// into the system's reads or writes: the status, what the console got, and
// what is left at the document's name.
std::string converted_with_fault(FaultKind kind, int error,
                                 std::size_t after_bytes) {
  write_bytes("trip.txt", LOG);
  int open_error = 0;
  const FileHandle log = open_for_reading("trip.txt", &open_error);
  static char out_memory[256];
  static char err_memory[256];
  TextWriter out(out_memory, sizeof out_memory);
  TextWriter err(err_memory, sizeof err_memory);
  inject_fault(kind, error, after_bytes);
  const RunStatus status = convert_opened_log("trip.txt", log, out, err);
  inject_fault(NO_FAULT, 0, 0);
  close_file(log);
  out.flush();
  err.flush();
  return std::to_string(status) + "|" + text_of(out, out_memory) +
         text_of(err, err_memory) + "|trip.kml=" + read_bytes("trip.kml");
}

TEST(RunConversion, AFailedRunLeavesNoPartialDocument) {
  InTemporaryDirectory directory;
  EXPECT_EQ(
      "4|8.500000\r\n"
      "Failed to write output file: No space left on device\r\n"
      "|trip.kml=(none)",
      converted_with_fault(WRITE_FAULT, ENOSPC, 100));
  EXPECT_EQ(
      "4|8.500000\r\nFailed to write output file: Input/output error\r\n"
      "|trip.kml=(none)",
      converted_with_fault(WRITE_FAULT, 0, 0));
  EXPECT_EQ(
      "5|8.500000\r\nFailed to read input file: Input/output error\r\n"
      "|trip.kml=(none)",
      converted_with_fault(READ_FAULT, EIO, LOG.size() - 10));
  // Before the header is read the document is not even begun.
  EXPECT_EQ(
      "5|0.000000\r\nFailed to read input file: Input/output error\r\n"
      "|trip.kml=(none)",
      converted_with_fault(READ_FAULT, EIO, 0));
#ifndef _WIN32
  // Where the name is the user's link, the link stays and the file it leads
  // to is left empty.
  write_bytes("target.kml", "old");
  std::filesystem::create_symlink("target.kml", "trip.kml");
  EXPECT_EQ(
      "4|8.500000\r\n"
      "Failed to write output file: No space left on device\r\n"
      "|trip.kml=",
      converted_with_fault(WRITE_FAULT, ENOSPC, 100));
  EXPECT_TRUE(std::filesystem::is_symlink("trip.kml"));
#endif
}

#ifndef _WIN32
// A console pipe whose reader has gone: the run still writes the document
// and ends with the conversion's status, not by a signal.
TEST(RunConversion, AClosedConsolePipeDoesNotStopTheRun) {
  InTemporaryDirectory directory;
  write_bytes("trip.txt", LOG);
  int pipe_ends[2];
  ASSERT_EQ(0, pipe(pipe_ends));
  close(pipe_ends[0]);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    execl(LOGVANE_BINARY, LOGVANE_BINARY, "trip.txt", nullptr);
    _exit(127);
  }
  close(pipe_ends[1]);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_NE(std::string::npos,
            read_bytes("trip.kml").find("8.510000,47.260000,120.500000"));
}
#endif

#ifdef __linux__
// A log whose reading fails part-way: its first page is readable through
// /proc/self/mem, the page after it is not mapped, so the read there fails
// with EIO after the header and some records have been read.
TEST(RunConversion, ReadErrorAfterTheHeaderRemovesTheDocument) {
  const long page = sysconf(_SC_PAGESIZE);
  auto* pages = static_cast<char*>(
      mmap(nullptr, 2 * static_cast<std::size_t>(page), PROT_READ | PROT_WRITE,
           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(MAP_FAILED, pages);
  std::string log = "a\nb\nc\nRef lon 8.5\nRef lat 47.25\nx\ny\n";
  while (log.size() + 64 < static_cast<std::size_t>(page)) {
    log += "w w 7 8.51 47.26 120.5 0 0 0 0 0 0 0\n";
  }
  std::memcpy(pages, log.data(), log.size());
  std::memset(pages + log.size(), ' ',
              static_cast<std::size_t>(page) - log.size());
  ASSERT_EQ(0, munmap(pages + page, static_cast<std::size_t>(page)));
  const int fd = open("/proc/self/mem", O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(reinterpret_cast<std::intptr_t>(pages),
            lseek(fd, reinterpret_cast<std::intptr_t>(pages), SEEK_SET));

  InTemporaryDirectory directory;
  static char out_memory[256];
  static char err_memory[256];
  TextWriter out(out_memory, sizeof out_memory);
  TextWriter err(err_memory, sizeof err_memory);
  EXPECT_EQ(RUN_INPUT_NOT_READ, convert_opened_log("trip.txt", fd, out, err));
  out.flush();
  err.flush();
  EXPECT_EQ("8.500000\r\n", text_of(out, out_memory));
  EXPECT_EQ("Failed to read input file: Input/output error\r\n",
            text_of(err, err_memory));
  EXPECT_NE(0, access("trip.kml", F_OK)) << "the incomplete document stayed";
  close(fd);
  munmap(pages, static_cast<std::size_t>(page));
}
#endif

}  // namespace
}  // namespace logvane
