#include "driver/run_conversion.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace logvane {
namespace {

// Runs in a fresh temporary directory, and leaves it on destruction.
class InTemporaryDirectory {
 public:
  InTemporaryDirectory() {
    char name[] = "/tmp/logvane-run-XXXXXX";
    EXPECT_NE(nullptr, mkdtemp(name));
    directory_ = name;
    EXPECT_EQ(0, chdir(directory_.c_str()));
  }
  ~InTemporaryDirectory() {
    EXPECT_EQ(0, chdir("/"));
    EXPECT_EQ(0, std::system(("rm -rf " + directory_).c_str()));
  }

 private:
  std::string directory_;
};

std::string text_of(const TextWriter& writer, const char* memory) {
  return std::string(memory, writer.memory_size());
}

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

}  // namespace
}  // namespace logvane
