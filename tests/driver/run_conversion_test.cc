#include "driver/run_conversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/byte_streams.h"
#include "support/long_sweep.h"
#include "support/program_runs.h"
#include "support/temporary_directory.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

// A log of about size bytes whose reference position and records are its
// own: seed 1, 2, 3 give three different documents.
std::string numbered_log(int seed, std::size_t size) {
  const std::string digit = std::to_string(seed);
  std::string log = "a\nb\nc\nRef lon 8." + digit + "\nRef lat 47." + digit +
                    "\nx\ny\n";
  const std::string record = "w w 7 8.5" + digit + " 47.2" + digit +
                             " 120." + digit + " 0 0 0 0 0 0 0\n";
  while (log.size() < size) log += record;
  return log;
}

// The document that logvane, run alone, makes of folder/trip.txt.
std::string document_alone(const std::string& folder) {
  EXPECT_EQ("status 0", wait_program(start_logvane(folder + "/trip.txt")));
  const std::string document = read_bytes("trip.kml");
  std::filesystem::remove("trip.kml");
  return document;
}

// Runs at once on logs of one name write one document: the one of the run
// that wrote last, whole, never a mix.
TEST(RunConversion, RunsAtOnceLeaveOneWholeDocument) {
  InTemporaryDirectory directory;
  const std::vector<std::string> folders = {"l1", "l2", "l3"};
  std::vector<std::string> documents;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    std::filesystem::create_directory(folders[i]);
    write_bytes(folders[i] + "/trip.txt",
                numbered_log(static_cast<int>(i) + 1, 2000000));
    documents.push_back(document_alone(folders[i]));
  }
  const int rounds = long_sweeps_wanted() ? 200 : 6;
  int mixed = 0;
  for (int round = 0; round < rounds; ++round) {
    std::vector<ProgramRun> runs;
    for (const std::string& folder : folders) {
      runs.push_back(start_logvane(folder + "/trip.txt"));
    }
    for (const ProgramRun& run : runs) {
      EXPECT_EQ("status 0", wait_program(run)) << "round " << round;
    }
    const std::string left = read_bytes("trip.kml");
    if (left != documents[0] && left != documents[1] && left != documents[2]) {
      ++mixed;
    }
  }
  EXPECT_EQ(0, mixed) << "of " << rounds << " rounds";
}

// Fails with EIO where its source ends, after on_failing has run.
template <class Action>
class HookedFailingSource final : public ByteSource {
 public:
  HookedFailingSource(ByteSource& source, Action on_failing)
      : source_(source), on_failing_(on_failing) {}
  ReadResult read(char* into, std::size_t size) noexcept override {
    const ReadResult got = source_.read(into, size);
    if (got.size != 0 || got.error != 0) return got;
    on_failing_();
    return {0, EIO};
  }

 private:
  ByteSource& source_;
  Action on_failing_;
};

// A run that fails while another waits for the document: the other's
// document is left whole.
TEST(RunConversion, AFailedRunLeavesTheNextRunsDocument) {
  InTemporaryDirectory directory;
  std::filesystem::create_directory("l1");
  std::filesystem::create_directory("l2");
  write_bytes("l1/trip.txt", numbered_log(1, 100000));
  write_bytes("l2/trip.txt", numbered_log(2, 100000));
  const std::string expected = document_alone("l2");
  int error = 0;
  const FileHandle log = open_for_reading("l1/trip.txt", &error);
  FileSource file_bytes(log);
  ProgramRun other;
  HookedFailingSource log_bytes(file_bytes, [&other] {
    other = start_logvane("l2/trip.txt");
    // Time to open the document and wait for it; had it finished instead,
    // the failed run would have removed its document.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  });
  char memory[256];
  MemorySink console_bytes(memory, sizeof memory);
  TextWriter out(console_bytes);
  EXPECT_EQ(RUN_INPUT_NOT_READ,
            convert_opened_log("l1/trip.txt", log, log_bytes, out, out));
  close_file(log);
  EXPECT_EQ("status 0", wait_program(other));
  const std::string left = read_bytes("trip.kml");
  EXPECT_TRUE(left == expected) << "document not whole: " << left.size()
                                << " bytes of " << expected.size()
                                << (left == "(none)" ? " (none)" : "");
  // Nothing else is left beside the logs' folders: no trace of the
  // discarded document.
  std::string names;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    names += entry.path().filename().string() + " ";
    ++count;
  }
  EXPECT_EQ(3, count) << names;
}

#ifdef _WIN32
// Ctrl+Break sent to a run in the middle of its document: the document
// goes, and the run ends as Windows ends an interrupted program.
TEST(RunConversion, AStoppedRunLeavesNoDocument) {
  InTemporaryDirectory directory;
  write_bytes("trip.txt", numbered_log(1, 30000000));
  const ProgramRun run = start_logvane("trip.txt");
  for (int wait = 0; wait < 1000; ++wait) {
    std::error_code missing;
    if (std::filesystem::file_size("trip.kml", missing) > 0 && !missing) break;
    Sleep(5);
  }
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT,
                                static_cast<DWORD>(run.id))) {
    const DWORD code = GetLastError();
    TerminateProcess(reinterpret_cast<HANDLE>(run.handle), 1);
    wait_program(run);
    // Wine (8.0 here) answers ERROR_INVALID_HANDLE, console or not.
    GTEST_SKIP() << "console events cannot be sent here (error " << code
                 << ")";
  }
  EXPECT_EQ("status 0xC000013A|(none)",
            wait_program(run) + "|" + read_bytes("trip.kml"));
}
#else
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
  pid_t child = -1;
  {
    const SoftLimit file_size(RLIMIT_FSIZE, limit);
    child = spawn_logvane("trip.txt", console[1], errors[1]);
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

// Stops a run in the middle of its document, its log a pipe that has given
// it records and holds the rest back: how the run ended, and what is left
// at the document's name (after "old" was there, if old_document).
std::string stopped_run(int signal, bool old_document) {
  InTemporaryDirectory directory;
  if (old_document) write_bytes("trip.kml", "old");
  if (mkfifo("trip.txt", 0600) != 0) return "no pipe";
  const ProgramRun run = start_logvane("trip.txt");
  const int log = open("trip.txt", O_WRONLY);
  const std::string records = numbered_log(1, 400000);
  if (write(log, records.data(), records.size()) !=
      static_cast<ssize_t>(records.size())) {
    return "not written";
  }
  // Stopped once the document has grown past anything written before.
  struct stat document {};
  for (int wait = 0; wait < 1000; ++wait) {
    if (stat("trip.kml", &document) == 0 && document.st_size > 3) break;
    usleep(5000);
  }
  kill(static_cast<pid_t>(run.id), signal);
  const std::string ended = wait_program(run);
  close(log);
  const std::string left = read_bytes("trip.kml");
  return ended + "|" +
         (left.size() <= 6 ? left : std::to_string(left.size()) + " bytes");
}

// A stopped run is a failed run: its document goes, an older one with it
// as a failed run empties and removes it; the stop still ends the run.
TEST(RunConversion, AStoppedRunLeavesNoDocument) {
  const struct {
    int signal;
    bool old_document;
  } cases[] = {{SIGINT, false}, {SIGTERM, true}, {SIGHUP, false},
               {SIGQUIT, false}};
  for (const auto& stop : cases) {
    EXPECT_EQ("signal " + std::to_string(stop.signal) + "|(none)",
              stopped_run(stop.signal, stop.old_document));
  }
}
#endif

}  // namespace
}  // namespace logvane
