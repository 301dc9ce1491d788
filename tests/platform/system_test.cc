#include "platform/system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/output_name.h"
#include "support/temporary_directory.h"

#ifdef __GLIBC__
#include <iconv.h>
#endif

namespace logvane {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// The lead bytes found under a locale with the given code set (built once
// with localedef into the tests' own locale folder), and the document name
// of path there: "none|name" or "some|name".
std::string in_code_set(const std::string& code_set, const std::string& path) {
  const std::string folder = LOGVANE_TEST_LOCALES;
  const std::string locale = "ja_JP." + code_set;
  if (!fs::exists(folder + "/" + locale + "/LC_CTYPE")) {
    fs::create_directories(folder);
    // -c: localedef warns that some code sets are not ASCII-compatible.
    const std::string command = "localedef -c -i ja_JP -f " + code_set + " " +
                                folder + "/" + locale + " >/dev/null 2>&1";
    // A locale that was not built shows in the lead bytes found below.
    [[maybe_unused]] const int built = std::system(command.c_str());
  }
  setenv("LOCPATH", folder.c_str(), 1);
  setenv("LC_ALL", locale.c_str(), 1);
  const LeadBytes lead = find_lead_bytes();
  unsetenv("LC_ALL");
  unsetenv("LOCPATH");
  bool any = false;
  for (const bool is_lead : lead.is_lead) any = any || is_lead;
  char name[OUTPUT_NAME_SIZE];
  const std::size_t length = derive_output_name(path.c_str(), lead, name);
  return (any ? "some|" : "none|") + std::string(name, length);
}

TEST(System, LeadBytesComeFromTheLocale) {
#ifdef __GLIBC__
  // glibc reads these code sets through its gconv modules; a cross
  // compiler's glibc, as run by qemu-user, comes without them.
  const iconv_t converter = iconv_open("UTF-8", "SHIFT_JIS");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    GTEST_SKIP() << "this C library has no converter for SHIFT_JIS (no "
                    "gconv modules), so no locale of these code sets works";
  }
  iconv_close(converter);
#endif
  // 0x5C, the backslash, is the second byte of each of these characters.
  EXPECT_EQ("some|\x95\x5c\x8e\xa6.kml",
            in_code_set("SHIFT_JISX0213", "\x95\x5c\x8e\xa6.txt"));
  EXPECT_EQ("some|\x95\x5c.kml", in_code_set("SHIFT_JIS", "d/\x95\x5c.txt"));
  EXPECT_EQ("some|\x81\x5c.kml", in_code_set("GBK", "\x81\x5c.txt"));
  EXPECT_EQ("some|\x81\x5c.kml", in_code_set("GB18030", "\x81\x5c.txt"));
  EXPECT_EQ("some|\xa5\x5c.kml", in_code_set("BIG5", "\xa5\x5c.txt"));
  EXPECT_EQ("some|\xa5\x5c.kml", in_code_set("BIG5-HKSCS", "\xa5\x5c.txt"));
  EXPECT_EQ("some|\x89\x5c.kml", in_code_set("JOHAB", "\x89\x5c.txt"));
  EXPECT_EQ("some|\x81\x41.kml", in_code_set("CP949", "\x81\x41.txt"));
  // Every byte after the first is 0x80 or more: no ASCII is ever taken.
  EXPECT_EQ("none|x.kml", in_code_set("UTF-8", "\xe8\xa1\xa8\\x.txt"));
  EXPECT_EQ("none|x.kml", in_code_set("EUC-JP", "\xc9\xbd\\x.txt"));
}
#endif

#ifdef _WIN32
TEST(System, PathsBeyondMaxPathOpen) {
  InTemporaryDirectory directory;
  const std::string folder(120, 'd');
  fs::create_directories(folder + "/" + folder + "/" + folder);
  const std::string relative =
      folder + "\\" + folder + "\\" + folder + "\\trip.txt";
  write_bytes(relative, "log");
  const std::string absolute = fs::absolute(relative).string();
  for (const std::string& path : {relative, "\\\\?\\" + absolute}) {
    int error = 0;
    const FileHandle log = open_for_reading(path.c_str(), &error);
    EXPECT_NE(NO_FILE, log) << path;
    if (log != NO_FILE) close_file(log);
  }
  int error = 0;
  const std::string too_long = std::string(256, 'n') + ".txt";
  EXPECT_EQ(NO_FILE, open_for_reading(too_long.c_str(), &error));
  EXPECT_EQ(ENAMETOOLONG, error);
}
#endif

}  // namespace
}  // namespace logvane
