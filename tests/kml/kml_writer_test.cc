#include "kml/kml_writer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace logvane {
namespace {

std::string xml(const std::string& text) {
  std::vector<char> memory(4 * text.size() + 16);
  MemorySink out_bytes(memory.data(), memory.size());
  TextWriter out(out_bytes);
  write_xml_text(out, text.c_str());
  out.flush();
  return {memory.data(), out_bytes.size()};
}

std::string points(const std::vector<TrackPoint>& track) {
  std::vector<char> memory(100 * track.size() + 16);
  MemorySink out_bytes(memory.data(), memory.size());
  TextWriter out(out_bytes);
  for (const TrackPoint& point : track) write_track_point(out, point);
  out.flush();
  return {memory.data(), out_bytes.size()};
}

const std::string REPLACEMENT = "\xEF\xBF\xBD";

TEST(KmlWriter, PathBecomesWellFormedText) {
  EXPECT_EQ("../logs/trip.txt", xml("../logs/trip.txt"));
  EXPECT_EQ("C:\\logs\\day 1 \"x\" 'y'.txt",
            xml("C:\\logs\\day 1 \"x\" 'y'.txt"));
  EXPECT_EQ("a&amp;b&lt;c&gt;d&amp;amp;", xml("a&b<c>d&amp;"));
  EXPECT_EQ("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \x7F",
            xml("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \x7F"));
  EXPECT_EQ("a\tb\r\nc", xml("a\tb\nc"));
  EXPECT_EQ(REPLACEMENT, xml("\x01"));
  EXPECT_EQ("a" + REPLACEMENT + "z", xml("a\x1bz"));
  EXPECT_EQ(REPLACEMENT, xml("\xFF"));
  EXPECT_EQ("a" + REPLACEMENT + "z", xml("a\x80z"));
  // Shift_JIS bytes: 95 cannot begin UTF-8; the 5C after it is a backslash.
  EXPECT_EQ(REPLACEMENT + "\\.txt", xml("\x95\x5C.txt"));
  // An overlong "/", a surrogate and a code point past U+10FFFF.
  EXPECT_EQ(REPLACEMENT + REPLACEMENT, xml("\xC0\xAF"));
  EXPECT_EQ(REPLACEMENT + REPLACEMENT + REPLACEMENT, xml("\xED\xA0\x80"));
  EXPECT_EQ(REPLACEMENT + REPLACEMENT + REPLACEMENT + REPLACEMENT,
            xml("\xF4\x90\x80\x80"));
  // A cut sequence may give one U+FFFD or two, but never takes the "<".
  const std::string cut = xml("\xE2\x82<");
  EXPECT_TRUE(cut == REPLACEMENT + "&lt;" ||
              cut == REPLACEMENT + REPLACEMENT + "&lt;")
      << cut;
}

TEST(KmlWriter, TrackPointIsOneCoordinateLine) {
  EXPECT_EQ("8.510000,47.260000,120.500000\r\n",
            points({{8.51, 47.26, 120.5}}));
  EXPECT_EQ("-3.500000,0.000000,1000.000000\r\n",
            points({{-3.5, 0.0, 1000.0}}));
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_EQ("1.#INF00,-1.#INF00,2.000000\r\n",
            points({{infinity, -infinity, 2.0}}));
  EXPECT_EQ("1.000000,2.000000,3.000000\r\n4.000000,5.000000,6.000000\r\n",
            points({{1, 2, 3}, {4, 5, 6}}));
}

}  // namespace
}  // namespace logvane
