#include "text/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace logvane {
namespace {

TEST(ErrorText, GivesGlibcTextsWhateverTheCLibrary) {
  // Those that wasi-libc words otherwise.
  EXPECT_EQ("Input/output error", std::string(describe_error(EIO)));
  EXPECT_EQ("File name too long", std::string(describe_error(ENAMETOOLONG)));
  EXPECT_EQ("Too many levels of symbolic links",
            std::string(describe_error(ELOOP)));
  EXPECT_EQ("No such file or directory", std::string(describe_error(ENOENT)));
}

#ifdef __GLIBC__
TEST(ErrorText, TableHoldsGlibcsOwnTexts) {
  for (int error = 0; error < 256; ++error) {
    // Copied first: glibc frees the text of an unknown number on the next
    // call, which describe_error makes for such numbers.
    const std::string expected = std::strerror(error);
    EXPECT_EQ(expected, describe_error(error)) << error;
  }
}
#endif

}  // namespace
}  // namespace logvane
