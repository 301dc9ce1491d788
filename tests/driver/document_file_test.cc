#include "driver/document_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "support/temporary_directory.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace logvane {
namespace {

namespace fs = std::filesystem;

#ifdef __linux__
TEST(DocumentFile, TheLogIsNotOpenedForWritingWhenItIsTheDocument) {
  InTemporaryDirectory directory;
  write_bytes("x.kml", "a\nb\nc\nL L 8.5\n");
  int error = 0;
  const FileHandle log = open_for_reading("x.kml", &error);
  ASSERT_NE(NO_FILE, log);
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, "x.kml", IN_CLOSE_WRITE | IN_MODIFY), 0);
  OpenError refusal;
  EXPECT_EQ(NO_FILE, open_document("x.kml", log, &refusal));
  EXPECT_EQ(OpenError::SAME_FILE, refusal.reason);
  char event[4096];
  EXPECT_EQ(-1, read(watch, event, sizeof event)) << "opened for writing";
  close(watch);
  close_file(log);
}
#endif

#ifdef _WIN32
// Under Wine a RAM disk (/dev/shm, seen through drive Z:) has no volume
// serial number: equal ids alone do not make one file there, but a second
// link of the log is still the log, and is not emptied.
TEST(DocumentFile, ASecondLinkOfTheLogIsTheLogWithoutASerialNumber) {
  const fs::path disk = "Z:/dev/shm";
  if (!fs::is_directory(disk)) GTEST_SKIP() << "no RAM disk at " << disk;
  const fs::path folder = disk / "logvane-test-links";
  fs::create_directories(folder);
  write_bytes((folder / "log.txt").string(), "log");
  fs::remove(folder / "log.kml");
  fs::create_hard_link(folder / "log.txt", folder / "log.kml");
  write_bytes((folder / "other.kml").string(), "other");
  int error = 0;
  const FileHandle log =
      open_for_reading((folder / "log.txt").string().c_str(), &error);
  ASSERT_NE(NO_FILE, log);
  OpenError refusal;
  EXPECT_EQ(NO_FILE, open_document((folder / "log.kml").string().c_str(),
                                      log, &refusal));
  EXPECT_EQ(OpenError::SAME_FILE, refusal.reason);
  const FileHandle other =
      open_document((folder / "other.kml").string().c_str(), log, &refusal);
  EXPECT_NE(NO_FILE, other);
  if (other != NO_FILE) close_file(other);
  close_file(log);
  EXPECT_EQ("log", read_bytes((folder / "log.txt").string()));
  fs::remove_all(folder);
}
#endif

// What discard_document leaves of a document opened as "doc.kml" after
// setup (run before the open) and change (run after it): the bytes at each
// of the names given.
template <class Setup, class Change>
std::string discarded(Setup setup, Change change,
                      std::initializer_list<const char*> names) {
  InTemporaryDirectory directory;
  write_bytes("log.txt", "log");
  setup();
  int error = 0;
  const FileHandle log = open_for_reading("log.txt", &error);
  OpenError refusal;
  const FileHandle document = open_document("doc.kml", log, &refusal);
  if (document == NO_FILE) return "not opened";
  EXPECT_EQ(7, write_file(document, "partial", 7, &error));
  change();
  discard_document("doc.kml", document);
  close_file(document);
  close_file(log);
  std::string left;
  for (const char* name : names) {
    left += std::string(name) + (fs::is_symlink(name) ? " (link)" : "") + "=" +
            read_bytes(name) + " ";
  }
  return left;
}

TEST(DocumentFile, DiscardRemovesOnlyTheFileItWrote) {
  const auto nothing = [] {};
  EXPECT_EQ("doc.kml=(none) ", discarded(nothing, nothing, {"doc.kml"}));
  EXPECT_EQ("doc.kml=(none) ", discarded([] { write_bytes("doc.kml", "old"); },
                                         nothing, {"doc.kml"}));
  // A file put in the document's place meanwhile is not the run's to remove.
  EXPECT_EQ("doc.kml=new moved.kml= ",
            discarded(nothing,
                      [] {
                        fs::rename("doc.kml", "moved.kml");
                        write_bytes("doc.kml", "new");
                      },
                      {"doc.kml", "moved.kml"}));
#ifndef _WIN32
  // The user's link stays; the file it leads to keeps no partial document.
  EXPECT_EQ("doc.kml (link)= target.kml= ",
            discarded(
                [] {
                  write_bytes("target.kml", "old");
                  fs::create_symlink("target.kml", "doc.kml");
                },
                nothing, {"doc.kml", "target.kml"}));
#endif
}

}  // namespace
}  // namespace logvane
