#include "driver/output_name.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/system.h"

namespace logvane {
namespace {

// Lead bytes in the ranges [first, last] given as pairs.
LeadBytes lead_bytes(std::initializer_list<int> ranges) {
  LeadBytes lead;
  for (auto range = ranges.begin(); range != ranges.end(); range += 2) {
    for (int byte = range[0]; byte <= range[1]; ++byte) {
      lead.is_lead[byte] = true;
    }
  }
  return lead;
}

// The name, and a complaint if the returned length or the terminator is off.
std::string name(const std::string& path, const LeadBytes& lead = {}) {
  std::vector<char> out(OUTPUT_NAME_SIZE);  // exactly: overruns are caught
  const std::size_t length = derive_output_name(path.c_str(), lead, out.data());
  if (length == 0) return out[0] == '\0' ? "too long" : "too long, not empty";
  if (length >= out.size()) return "length " + std::to_string(length);
  std::string got(out.data(), length);
  if (std::strlen(out.data()) != length) got += " (terminator misplaced)";
  return got;
}

TEST(OutputName, NameTable) {
  EXPECT_EQ("track.kml", name("track.txt"));
  EXPECT_EQ("day1.kml", name("C:\\logs\\day1.txt"));
  EXPECT_EQ("run.2011.kml", name("../data/run.2011.txt"));
  EXPECT_EQ("track.kml", name("logs.old/track"));
  EXPECT_EQ("track.kml", name("C:track.log"));
  EXPECT_EQ("track.kml", name("track"));
  EXPECT_EQ("track.kml", name("track."));
  EXPECT_EQ(".kml", name(".txt"));
  EXPECT_EQ(".kml", name("logs/"));
  EXPECT_EQ("trip.kml", name("../logs/trip.txt"));
  EXPECT_EQ("track.kml", name("track.kml"));
  EXPECT_EQ("Track.KML.kml", name("/home/u/Track.KML.TXT"));
  // A colon second is a drive, whatever comes first; elsewhere it is text.
  EXPECT_EQ("x.kml", name("::x"));
  EXPECT_EQ(":x.kml", name(":x.txt"));
  EXPECT_EQ("ab:c.kml", name("ab:c.txt"));
  EXPECT_EQ("C.kml", name("C"));
  EXPECT_EQ(".kml", name(""));
}

TEST(OutputName, BothSeparatorsEverywhere) {
  EXPECT_EQ("c.kml", name("a/b\\c.txt"));
  EXPECT_EQ("c.kml", name("a\\b/c.txt"));
  EXPECT_EQ("c.kml", name("a.d\\c"));
  EXPECT_EQ(".kml", name("a.b\\"));
  EXPECT_EQ("c.d.kml", name("D:/x.y/c.d.e"));
}

TEST(OutputName, BaseNamesBeyondTheBufferAreTooLong) {
  const std::string b765(765, 'b');
  EXPECT_EQ(b765 + ".kml", name(b765));
  EXPECT_EQ(b765 + ".kml",
            name("C:\\" + std::string(900, 'd') + "\\" + b765 + ".txt"));
  EXPECT_EQ(b765 + ".kml", name(b765 + "." + std::string(900, 'e')));
  EXPECT_EQ("too long", name(b765 + "b"));
  EXPECT_EQ("too long", name("dir/" + b765 + "b.txt"));
}

// Whether the name of n copies of character, with ".kml", is too long: in
// bytes, then in UTF-16 units.
std::string too_long(int n, const std::string& character) {
  std::string name;
  for (int i = 0; i < n; ++i) name += character;
  name += ".kml";
  return std::string(is_name_too_long(name.data(), name.size(), false)
                         ? "bytes "
                         : "") +
         (is_name_too_long(name.data(), name.size(), true) ? "units" : "");
}

TEST(OutputName, NamesAreLimitedInBytesOrInUtf16Units) {
  EXPECT_EQ("", too_long(251, "a"));
  EXPECT_EQ("bytes units", too_long(252, "a"));
  // Greek: two bytes, one unit; CJK: three bytes, one unit; emoji: four
  // bytes, a surrogate pair.
  EXPECT_EQ("bytes ", too_long(251, "\xCE\xA9"));
  EXPECT_EQ("bytes units", too_long(252, "\xCE\xA9"));
  EXPECT_EQ("bytes ", too_long(251, "\xE6\x97\xA5"));
  EXPECT_EQ("bytes ", too_long(125, "\xF0\x9F\x9A\xA4"));
  EXPECT_EQ("bytes units", too_long(126, "\xF0\x9F\x9A\xA4"));
}

TEST(OutputName, SecondByteOfADoubleByteCharacterIsNoSeparator) {
  const LeadBytes sjis = lead_bytes({0x81, 0x9F, 0xE0, 0xFC});
  const LeadBytes gbk = lead_bytes({0x81, 0xFE});
  EXPECT_EQ("\x95\x5C.kml", name("\x95\x5C.txt", sjis));
  EXPECT_EQ("\x95\x5C.kml", name("\x95\x5C.txt", gbk));
  EXPECT_EQ(".kml", name("\x95\x5C.txt"));
  EXPECT_EQ("\x95\x5C.kml", name("C:\\\x95\x5C\\\x95\x5C.txt", sjis));
  // Pairs are counted from the left: 95 95 is one character, 5C stands alone.
  EXPECT_EQ("x.kml", name("\x95\x95\x5Cx", sjis));
  EXPECT_EQ("\x81.txt.kml", name("\x81.txt", sjis));
  // '/' is never a second byte: the document must stay in this directory.
  EXPECT_EQ("x.kml", name("\x81/x", sjis));
  EXPECT_EQ("x.kml", name("\xE6\x97\xA5/x.txt", gbk));
  // A lead byte that ends the path stands alone.
  EXPECT_EQ("ab\x95.kml", name("ab\x95", sjis));
  EXPECT_EQ("\x95.kml", name("d/\x95", sjis));
  // The edges of the lead-byte ranges.
  EXPECT_EQ("x.kml", name("\x80\\x", sjis));
  EXPECT_EQ("\x9F\\x.kml", name("\x9F\\x", sjis));
  EXPECT_EQ("x.kml", name("\xA0\\x", sjis));
  EXPECT_EQ("\xE0\\x.kml", name("\xE0\\x", sjis));
  EXPECT_EQ("\xFC\\x.kml", name("\xFC\\x", sjis));
  EXPECT_EQ("x.kml", name("\xFD\\x", sjis));
  EXPECT_EQ("x.kml", name("\x80\\x", gbk));
  EXPECT_EQ("\xA0\\x.kml", name("\xA0\\x", gbk));
  EXPECT_EQ("\xFE\\x.kml", name("\xFE\\x", gbk));
  EXPECT_EQ("x.kml", name("\xFF\\x", gbk));
  // Lengths are in bytes: 382 characters of two bytes fit, 383 do not.
  std::string pairs;
  for (int i = 0; i < 382; ++i) pairs += "\x95\x5C";
  EXPECT_EQ(pairs + "a.kml", name(pairs + "a.txt", sjis));
  EXPECT_EQ("too long", name(pairs + "\x95\x5C.txt", sjis));
}

TEST(OutputName, NamesWindowsWouldNotMakeAFileOf) {
  for (const char* name :
       {"nul.kml", "NUL.kml", "Con.kml", "prn.kml", "aux.kml", "nul .kml",
        "nul  .kml", "nul..kml", "nul.tar.kml", "com1.kml", "COM9.kml",
        "com0.kml", "lpt1.kml", "LPT0.kml", "com\xC2\xB9.kml",
        "lpt\xC2\xB2.kml", "com\xC2\xB3 .kml", "conin$.kml", "CONOUT$.kml",
        "Conout$ .txt.kml"}) {
    EXPECT_EQ(OpenError::DEVICE_NAME, windows_name_error(name).reason) << name;
  }
  for (const char* name :
       {"null.kml", "nu.kml", " nul.kml", "xnul.kml", "con1.kml", "com.kml",
        "com10.kml", "comx.kml", "lpt.kml", "com\xC2\xB4.kml", "com\xC2.kml",
        "conin.kml", "conout$$.kml", "auxiliary.kml", ".kml", "trip.kml"}) {
    EXPECT_EQ(OpenError::NONE, windows_name_error(name).reason) << name;
  }
  // A colon would lead to another drive or to a stream of a file.
  EXPECT_EQ(EINVAL, windows_name_error("c:x.kml").number);
  EXPECT_EQ(EINVAL, windows_name_error("ab:x.kml").number);
  EXPECT_EQ(EINVAL, windows_name_error("x.kml:").number);
  EXPECT_EQ("c:x.kml", name("logs\\c:x.txt"));
}

}  // namespace
}  // namespace logvane
