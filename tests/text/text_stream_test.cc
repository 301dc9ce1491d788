#include "text/text_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "log/track_log.h"
#include "support/byte_streams.h"
#include "support/reader_cases.h"
#include "text/error_text.h"
#include "text/scan.h"

namespace logvane {
namespace {

// Everything a reader yields, the same at every chunk limit; "|end" once it
// reports the end, which must stay the end.
std::string text(const std::string& input) {
  return same_at_every_chunk_limit([&](std::size_t chunk) {
    SplittingSource in_bytes(input, chunk);
    TextReader in(in_bytes);
    std::string got;
    for (int c; (c = in.peek()) >= 0; in.advance()) got += static_cast<char>(c);
    got += in.end_of_file() && in.peek() < 0 && in.error() == 0 ? "|end" : "|?";
    return shorten(got);
  });
}

TEST(TextStream, FoldsCrLfAndKeepsALoneCr) {
  EXPECT_EQ("a\nb|end", text("a\r\nb"));
  EXPECT_EQ("a\rb|end", text("a\rb"));
  EXPECT_EQ("a\r|end", text("a\r"));
  EXPECT_EQ("\r|end", text("\r"));
  EXPECT_EQ("\r\n|end", text("\r\r\n"));
  EXPECT_EQ("\n\n\r|end", text("\r\n\r\n\r"));
  EXPECT_EQ("\n\r|end", text("\n\r"));
  EXPECT_EQ("a\r\r|end", text("a\r\r"));
  EXPECT_EQ(std::string("\0a\n", 3) + "|end", text(std::string("\0a\r\n", 4)));
  // A CR LF that the real buffer's end splits.
  const std::string full(READ_BUFFER_SIZE - 1, 'x');
  const std::string shown = shorten(full);
  EXPECT_EQ(shown + "\nb|end", text(full + "\r\nb"));
  EXPECT_EQ(shown + "\rb|end", text(full + "\rb"));
  EXPECT_EQ(shorten(full + "x") + "\r|end", text(full + "x\r"));
}

TEST(TextStream, CtrlZEndsTheInputForGood) {
  EXPECT_EQ("|end", text("\x1a"));
  EXPECT_EQ("a|end", text("a\x1a x\r\nc"));
  EXPECT_EQ("a\r|end", text("a\r\x1a\n"));
  EXPECT_EQ("a\n|end", text("a\r\n\x1a\x1a"));
  const std::string full(READ_BUFFER_SIZE, 'x');
  EXPECT_EQ(shorten(full) + "|end", text(full + "\x1a" + full));
}

// Whether the end-of-file indicator is set after one read, at each chunk
// limit: two characters taken, a line read or a number read.
std::string end_after(const std::string& input, const std::string& read) {
  std::string flags;
  for (const std::size_t chunk : CHUNK_LIMITS) {
    SplittingSource in_bytes(input, chunk);
    TextReader in(in_bytes);
    std::vector<char> line(LINE_BUFFER_SIZE);
    double value = 0;
    if (read == "line") read_line(in, line.data(), line.size());
    if (read == "number") scan_double(in, &value);
    for (int c = 0; read == "ab" && c < 2 && in.peek() >= 0; ++c) in.advance();
    flags += in.end_of_file() ? '1' : '0';
  }
  return flags;
}

TEST(TextStream, EndOfFileOnlyOnceAReadMeetsTheEnd) {
  EXPECT_EQ("00000", end_after("ab", "ab"));
  EXPECT_EQ("00000", end_after("ab\n", "line"));
  EXPECT_EQ("11111", end_after("ab", "line"));
  EXPECT_EQ("11111", end_after("ab\x1a\n", "line"));
  EXPECT_EQ("00000", end_after("8.5 ", "number"));
  EXPECT_EQ("11111", end_after("8.5", "number"));
  EXPECT_EQ("11111", end_after(" \n", "number"));
}

// What a writer into memory of the given capacity, taking at most chunk
// bytes a write, holds after text and a flush, or its error; after an error
// nothing more may arrive.
std::string written(const std::string& text, std::size_t capacity = 1 << 20,
                    std::size_t chunk = 1 << 20) {
  std::vector<char> memory(capacity);
  MemorySink out_bytes(memory.data(), memory.size());
  StingySink stingy(out_bytes, chunk);
  TextWriter out(stingy);
  out.write_text(text.data(), text.size());
  out.flush();
  std::string got(memory.data(), out_bytes.size());
  if (out.error() == 0) return got;
  out.write_text("z");
  out.flush();
  const std::string error = describe_error(out.error());
  return out_bytes.size() != got.size() ? error + ", then wrote more" : error;
}

TEST(TextStream, WriterTurnsEachLineFeedIntoCrLf) {
  EXPECT_EQ("a\r\nb", written("a\nb"));
  EXPECT_EQ("\r\r\n", written("\r\n"));
  EXPECT_EQ("\r\n\r\n", written("\n\n"));
  EXPECT_EQ(std::string("\0\x1a", 2), written(std::string("\0\x1a", 2)));
  EXPECT_EQ("", written(""));
  const std::string full(WRITE_BUFFER_SIZE - 1, 'x');
  EXPECT_EQ(shorten(full + "\r\n" + full + "\r\n"),
            shorten(written(full + "\n" + full + "\n")));
}

TEST(TextStream, WriterIntoFullMemoryHasNoSpace) {
  EXPECT_EQ("abcd", written("abcd", 4));
  EXPECT_EQ("No space left on device", written("abcde", 4));
  EXPECT_EQ("No space left on device", written("abc\n", 4));
  EXPECT_EQ("abc\r\n", written("abc\n", 5));
  EXPECT_EQ("abc\r\n", written("abc\n", 5, 1));
  // A write that takes nothing would be tried again for ever.
  EXPECT_EQ("Input/output error", written("abc\n", 5, 0));
}

TEST(TextStream, ErrorMessageInPerrorForm) {
  char memory[200];
  MemorySink out_bytes(memory, sizeof memory);
  TextWriter out(out_bytes);
  write_error_message(out, "Filed to open input file", ENOENT);
  write_error_message(out, "Failed to open output file",
                      "Input and output are the same file");
  out.flush();
  EXPECT_EQ(
      "Filed to open input file: No such file or directory\r\n"
      "Failed to open output file: Input and output are the same file\r\n",
      std::string(memory, out_bytes.size()));
}

}  // namespace
}  // namespace logvane
