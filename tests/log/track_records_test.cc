#include "log/track_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/reader_cases.h"

namespace logvane {
namespace {

// The coordinate lines convert_track_records writes, the same at every
// chunk limit.
std::string document(const std::string& log) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    TextReader in(log.data(), log.size(), chunk);
    std::vector<char> memory(4 * log.size() + 1000);
    TextWriter out(memory.data(), memory.size());
    convert_track_records(in, out);
    out.flush();
    return std::string(memory.data(), out.memory_size());
  });
}

// What each scan_track_record returns until RECORD_END, "*" where the
// end-of-file indicator is set after it.
std::string returns(const std::string& log) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    TextReader in(log.data(), log.size(), chunk);
    std::string got;
    for (int call = 0; call < 20; ++call) {
      TrackPoint point;
      const int fields = scan_track_record(in, point);
      got += std::to_string(fields) + (in.end_of_file() ? "* " : " ");
      if (fields == RECORD_END) break;
    }
    return got;
  });
}

const std::string RECORD = "w1 w2 7 8.51 47.26 120.5 0 0 0 0 0 0 0";
const std::string POINT = "8.510000,47.260000,120.500000\r\n";

TEST(TrackRecords, ScanCountsTheFieldsConverted) {
  EXPECT_EQ("-1* ", returns(""));
  EXPECT_EQ("-1* ", returns("\x1a w w 1 2 3 4 5 6 7 8 9 10 11"));
  EXPECT_EQ("1* -1* ", returns("a"));
  EXPECT_EQ("2* -1* ", returns("a b"));
  EXPECT_EQ("2 1* -1* ", returns("a b x"));
  EXPECT_EQ("2* -1* ", returns("a b -"));
  EXPECT_EQ("3* -1* ", returns("a b 3"));
  EXPECT_EQ("4* -1* ", returns("a b 3.5"));
  EXPECT_EQ("5 2* -1* ", returns(std::string("a b 1 2 3\0 4", 13)));
  EXPECT_EQ("12* -1* ", returns("a b 1 2 3 4 5 6 7 8 9 10"));
  EXPECT_EQ("12 1* -1* ", returns("a b 1 2 3 4 5 6 7 8 9 10 . x"));
  EXPECT_EQ("13* -1* ", returns(RECORD));
  EXPECT_EQ("13 -1* ", returns(RECORD + "\n"));
  EXPECT_EQ("13 1* -1* ", returns(RECORD + " x"));
  EXPECT_EQ("3 3 3 2* -1* ", returns("a b 1 x y 2 z w 3 v u"));
}

TEST(TrackRecords, WritesEachCompleteRecord) {
  EXPECT_EQ("", document(""));
  EXPECT_EQ(POINT + POINT, document(RECORD + "\n" + RECORD + "\n"));
  EXPECT_EQ(POINT, document(RECORD));
  EXPECT_EQ(POINT, document("w1 w2 7 8.51\n47.26 120.5 0 0\n0 0 0 0 0\n"));
  EXPECT_EQ(POINT + POINT, document(RECORD + " " + RECORD + "\n"));
  EXPECT_EQ(POINT, document("w1\rw2\r7\r8.51\r47.26\r120.5\v0\f0\t0 0 0 0 0"));
  EXPECT_EQ(POINT, document(RECORD + "\n" + "a b 1 2 3"));
  EXPECT_EQ(POINT,
            document(RECORD + "\na b 1 2 3\x1a 4 5 6 7 8 9 10\n" + RECORD));
  EXPECT_EQ("1000.000000,-0.500000,0.500000\r\n",
            document("a b 1 1e3 -0.5 +.5 0 0 0 0 0 0 0"));
  EXPECT_EQ("1.#INF00,-1.#INF00,2.000000\r\n",
            document("a b 1 1e999 -1e999 2 0 0 0 0 0 0 0\n"));
  EXPECT_EQ(POINT, document(std::string(100, 'f') + " " + std::string(50, 's') +
                            RECORD.substr(5)));
  EXPECT_EQ(POINT, document("1 2 -99999999999" + RECORD.substr(7)));
}

TEST(TrackRecords, AFieldThatDoesNotFitShiftsTheRecordsAfterIt) {
  // 3 is taken as the integer; .5 is field 4 and every later field moves.
  EXPECT_EQ(
      "0.500000,1.000000,2.000000\r\n",
      document(
          "w1 w2 3.5 1 2 3 4 5 6 7 8 9 10\nw3 w4 7 1 2 3 4 5 6 7 8 9 10\n"));
  // x stops the first attempt and begins the next as its field 1.
  EXPECT_EQ("4.000000,5.000000,6.000000\r\n",
            document("a b 1 x 2 3 4 5 6 7 8 9 10 11 12 13\n"));
  // x, w1; then w2, 7, 8 and .51: the next record comes out shifted.
  EXPECT_EQ("0.510000,47.260000,120.500000\r\n",
            document("a b 1 2 3 4 5 6 x\n" + RECORD + "\n"));
  EXPECT_EQ(
      "",
      document("a b 1 inf 2 3 0 0 0 0 0 0 0\na b 1 nan 2 3 0 0 0 0 0 0 0\n"));
}

TEST(TrackRecords, ManyRecordsAcrossRefills) {
  std::mt19937 random(12345);
  const char* const spaces[] = {" ", "\t", "\r\n", "\n  ", "  "};
  std::string log;
  std::string expected;
  char line[200];
  for (int i = 0; i < 20'000; ++i) {
    log += std::string(1 + random() % 40, 'w') + spaces[random() % 5] + "w2 " +
           std::to_string(i) + " ";
    std::snprintf(line, sizeof line, "%d %d %d 1 2 3 4 5 6 7", i, i % 90,
                  i % 1000);
    log += line + std::string(spaces[random() % 5]);
    std::snprintf(line, sizeof line, "%d.000000,%d.000000,%d.000000\r\n", i,
                  i % 90, i % 1000);
    expected += line;
  }
  const std::string got = document(log);
  const auto [got_end, expected_end] =
      std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
  const auto same = static_cast<std::size_t>(got_end - got.begin());
  EXPECT_EQ(expected.substr(same, 60), got.substr(same, 60)) << "at " << same;
}

}  // namespace
}  // namespace logvane
