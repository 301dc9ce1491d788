#ifndef LOGVANE_TESTS_SUPPORT_TEMPORARY_DIRECTORY_H_
#define LOGVANE_TESTS_SUPPORT_TEMPORARY_DIRECTORY_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace logvane {

/// Makes a fresh temporary directory the current one, and on destruction
/// goes back and removes it with all it holds.
class InTemporaryDirectory {
 public:
  InTemporaryDirectory() : previous_(std::filesystem::current_path()) {
    std::random_device random;
    directory_ = std::filesystem::temp_directory_path() /
                 ("logvane-test-" + std::to_string(random()));
    std::filesystem::create_directory(directory_);
    std::filesystem::current_path(directory_);
  }
  ~InTemporaryDirectory() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  InTemporaryDirectory(const InTemporaryDirectory&) = delete;
  InTemporaryDirectory& operator=(const InTemporaryDirectory&) = delete;

 private:
  std::filesystem::path previous_;
  std::filesystem::path directory_;
};

/// Writes bytes into the file at path, as they are.
inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

/// The bytes of the file at path, or "(none)" if it cannot be read.
inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(none)";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_TEMPORARY_DIRECTORY_H_
