#include "log/log_header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "log/track_log.h"
#include "support/byte_streams.h"
#include "support/reader_cases.h"

namespace logvane {
namespace {

std::string shown(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// "echo|longitude,latitude|what skip_to_records leaves", the same at every
// chunk limit.
std::string header(const std::string& log, ReferencePosition start = {}) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    SplittingSource in_bytes(log, chunk);
    TextReader in(in_bytes);
    char echo[64];
    MemorySink console_bytes(echo, sizeof echo);
    TextWriter console(console_bytes);
    std::vector<char> line(LINE_BUFFER_SIZE);
    ReferencePosition reference = start;
    read_log_header(in, line.data(), reference, console);
    console.flush();
    skip_to_records(in, line.data());
    std::string got = std::string(echo, console_bytes.size()) + "|" +
                      shown(reference.longitude) + "," +
                      shown(reference.latitude) + "|";
    for (int c; (c = in.peek()) >= 0; in.advance()) got += static_cast<char>(c);
    return got;
  });
}

// Three preamble lines, text, then the line end and the two lines that
// skip_to_records takes before the record "r".
std::string labelled(const std::string& text) {
  return "Track log\nfrom unit 7\n\n" + text + "\nx\ny\nr\n";
}

TEST(LogHeader, ReadsTheLabelledValuesAndSkipsToRecords) {
  EXPECT_EQ("8.500000\r\n|8.5,47.25|r\n",
            header(labelled("Ref Lon 8.5\nRef Lat 47.25")));
  EXPECT_EQ("-12.000000\r\n|-12,8.5|r\n",
            header(labelled("A B -1.2E+01\nC D 8.5e0 tail")));
  // Both on one line: the rest of it is element 8, then two lines go.
  EXPECT_EQ("8.500000\r\n|8.5,47.25|r\n",
            header(labelled("A B 8.5 C D 47.25 tail")));
  EXPECT_EQ("8.500000\r\n|8.5,47.25|r\n",
            header(labelled("\n\nA B\n\n8.5\n \nC\tD\r\v\f47.25")));
  // A lone CR is whitespace between values and an ordinary character in a line.
  EXPECT_EQ("8.500000\r\n|8.5,47|r\n",
            header("a\rb\nc\nd\nA B 8.5\rC D 47\nx\ny\nr\n"));
}

TEST(LogHeader, IrregularHeaders) {
  EXPECT_EQ("0.000000\r\n|0,0|", header(""));
  EXPECT_EQ("0.000000\r\n|0,0|", header("a\nb\n"));
  EXPECT_EQ("8.500000\r\n|8.5,0|", header("a\nb\nc\nA B 8.5\n"));
  EXPECT_EQ("8.500000\r\n|8.5,0|", header("a\nb\nc\nA B 8.5\x1a\nC D 47\n"));
  // The letters after a number start the next word; "e" is an exponent mark.
  EXPECT_EQ("8.500000\r\n|8.5,0|r\n", header(labelled("A B 8.5deg\nC D 47")));
  EXPECT_EQ("8.500000\r\n|8.5,0|r\n", header(labelled("A B 8.5east\nC D 47")));
  EXPECT_EQ("8.000000\r\n|8,0|r\n", header(labelled("A B 8,5\nC D 47")));
  EXPECT_EQ("8.500000\r\n|8.5,47|r\n", header(labelled("A B 8.5e\nC D 47")));
  // Three words, then one: the number read meets a word and takes nothing.
  EXPECT_EQ("0.000000\r\n|0,0|r\n", header(labelled("A B X 8.5\nC D 47.25")));
  EXPECT_EQ("0.000000\r\n|0,47.25|r\n", header(labelled("A 8.5\nC D 47.25")));
  // A lone sign is consumed, so it is not the next word.
  EXPECT_EQ("0.000000\r\n|0,0|", header("a\nb\nc\nA B - C 7"));
  // A word far longer than the line buffer is one word.
  EXPECT_EQ("8.500000\r\n|8.5,47|r\n",
            header(labelled(std::string(10'000, 'A') + " B 8.5 C D 47")));
  // A failed read keeps what the reference held.
  EXPECT_EQ("1.500000\r\n|1.5,2.5|",
            header("a\nb\nc\nA B x C D y", {1.5, 2.5}));
}

TEST(LogHeader, LongPreambleLinesCountAsSeveralReads) {
  auto log = [](std::size_t length) {
    return std::string(length, 'x') + "\nA B 1\nC D 2\nE F 3\nG H 4\n";
  };
  EXPECT_EQ("3.000000\r\n|3,4|", header(log(4094)));
  EXPECT_EQ("2.000000\r\n|2,3|", header(log(4095)));
  EXPECT_EQ("2.000000\r\n|2,3|", header(log(5000)));
  EXPECT_EQ("1.000000\r\n|1,2|", header(log(8190)));
}

}  // namespace
}  // namespace logvane
