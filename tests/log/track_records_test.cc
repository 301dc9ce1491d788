#include "log/track_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "kml/kml_writer.h"
#include "support/byte_streams.h"
#include "support/long_sweep.h"
#include "support/reader_cases.h"

namespace logvane {
namespace {

// The coordinate lines convert_track_records writes, the same at every
// chunk limit.
std::string document(const std::string& log) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    SplittingSource in_bytes(log, chunk);
    TextReader in(in_bytes);
    std::vector<char> memory(4 * log.size() + 1000);
    MemorySink out_bytes(memory.data(), memory.size());
    TextWriter out(out_bytes);
    convert_track_records(in, out);
    out.flush();
    return std::string(memory.data(), out_bytes.size());
  });
}

// What each scan_track_record returns until RECORD_END, "*" where the
// end-of-file indicator is set after it.
std::string returns(const std::string& log) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    SplittingSource in_bytes(log, chunk);
    TextReader in(in_bytes);
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
  // A record longer than the buffer is read through the stream.
  EXPECT_EQ(POINT, document(std::string(100'000, 'f') + " " +
                            std::string(50, 's') + RECORD.substr(5)));
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

// The document written record by record, each read by scan_track_record
// and written by write_track_point: what the loop's fast route must equal.
std::string document_record_by_record(const std::string& log) {
  MemorySource in_bytes(log.data(), log.size());
  TextReader in(in_bytes);
  std::vector<char> memory(4 * log.size() + 1000);
  MemorySink out_bytes(memory.data(), memory.size());
  TextWriter out(out_bytes);
  do {
    TrackPoint point;
    if (scan_track_record(in, point) == RECORD_FIELD_COUNT) {
      write_track_point(out, point);
    }
  } while (!in.end_of_file());
  out.flush();
  return std::string(memory.data(), out_bytes.size());
}

// A log of mostly plain records, with numbers at the edges of the digits'
// route (near halves past the sixth decimal, long spellings, 10 integer
// digits) and fields and separators that the fast route leaves alone.
std::string random_log(std::mt19937_64& random, int records) {
  const auto below = [&](unsigned n) {
    return static_cast<unsigned>(random() % n);
  };
  const auto digits = [&](unsigned n) {
    std::string out;
    for (unsigned i = 0; i < n; ++i) out += static_cast<char>('0' + below(10));
    return out;
  };
  // Long, carrying, tied, unusual and no numbers at all.
  static const char* const odd_numbers[] = {"12345678901.5",
                                            "9999999999.80145",
                                            "0.1234567890123456",
                                            "9.9999995",
                                            ".5",
                                            "5.",
                                            "+3",
                                            "-0",
                                            "007.5",
                                            "1e3",
                                            "1.5E-2",
                                            "x",
                                            "inf",
                                            "-",
                                            ".",
                                            "1.2.3",
                                            "5-",
                                            "\x80"};
  static const std::string spaces[] = {
      " ", " ", " ", "\t", "\n", "\v", std::string(64, ' ')};
  const auto number = [&] {
    switch (below(10)) {
      case 0:
        return (below(2) != 0 ? "-" : "") + digits(1 + below(3)) + "." +
               digits(6) + (below(2) != 0 ? "5" : "49999") +
               (below(2) != 0 ? "" : digits(below(4)));
      case 1:
        return std::string(odd_numbers[below(std::size(odd_numbers))]);
      default:
        return (below(4) == 0 ? "-" : "") + std::to_string(below(1000)) + "." +
               digits(1 + below(9));
    }
  };
  std::string log;
  for (int record = 0; record < records; ++record) {
    const auto space = [&] { return spaces[below(30) < 24 ? 0 : below(7)]; };
    log += below(50) == 0 ? std::string(70, 'w') : "2026/05/14";
    log += space() + std::string(below(50) == 0 ? std::string(1, '\0') : "") +
           "09:31:02.100" + space();
    log += (below(30) == 0 ? "3.5" : std::to_string(below(20))) + space();
    for (int field = 0; field < 10; ++field) log += number() + space();
    log += "\r\n";
  }
  if (below(4) == 0) log += "\x1a w w 1 2 3 4 5 6 7 8 9 10\n";
  return log;
}

void expect_fast_route_writes_as_record_by_record(std::uint64_t seed,
                                                  int logs) {
  std::mt19937_64 random(seed);
  for (int i = 0; i < logs; ++i) {
    const std::string log = random_log(random, 1500);
    const std::string expected = document_record_by_record(log);
    const std::string got = document(log);
    const auto [got_end, expected_end] =
        std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
    const auto same = static_cast<std::size_t>(got_end - got.begin());
    ASSERT_EQ(expected.substr(same, 80), got.substr(same, 80))
        << "log " << i << ", at " << same;
  }
}

TEST(TrackRecords, FastRouteWritesWhatRecordByRecordReadingWrites) {
  expect_fast_route_writes_as_record_by_record(2024, 16);
}

TEST(TrackRecords, FastRouteWritesWhatRecordByRecordReadingWritesLongSweep) {
  SKIP_UNLESS_LONG_SWEEPS();
  expect_fast_route_writes_as_record_by_record(4202, 400);
}

}  // namespace
}  // namespace logvane
