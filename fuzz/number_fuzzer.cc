// The "%lf" read and the "%f" form. The first byte picks a small chunk
// limit; the rest is read as a stream of numbers, each read followed, when
// it converted nothing, by one character taken by hand so that the stream
// moves on. Checked for every read:
//   - whole-buffer reads, one-byte refills and the picked chunk limit give
//     the same status, the same value bits and the same next character;
//   - skip_double takes what scan_double takes;
//   - all of them agree with a character-at-a-time model of the syntax,
//     the value being glibc's strtod of exactly the characters taken;
//   - format_fixed of each value, and of the double spelled by bytes 1 to 8,
//     matches the snprintf route, and below 1e9 the "%f" text read back
//     prints the same.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "reference.h"
#include "support/byte_streams.h"
#include "text/fixed_format.h"
#include "text/scan.h"
#include "text/text_stream.h"

namespace {

using logvane::ScanStatus;
using logvane::TextReader;
using logvane_fuzz::escaped;
using logvane_fuzz::fail;

constexpr std::size_t CHUNK_LIMITS[] = {1, 2,  3,  4,  5,  6,  7,  8,
                                        9, 11, 13, 16, 17, 24, 31, 64};

// A value no read produces: a read that fails must leave it as it was.
constexpr std::uint64_t UNTOUCHED_BITS = 0x7ff4'dead'beef'0001;

std::string bits_text(double value) {
  char text[64];
  std::snprintf(
      text, sizeof text, "%.17g (0x%016llx)", value,
      static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
  return text;
}

std::string fixed(double value) {
  char text[logvane::FIXED_TEXT_SIZE];
  const std::size_t size = logvane::format_fixed(value, text);
  if (size > logvane::FIXED_TEXT_SIZE) fail("format_fixed overran", "");
  return {text, size};
}

void check_fixed(double value) {
  if (std::isnan(value)) return;
  const std::string got = fixed(value);
  const std::string expected = logvane_fuzz::reference_fixed(value);
  if (got != expected) {
    fail("format_fixed differs from the snprintf route",
         bits_text(value) + ": " + got + " vs " + expected);
  }
  if (!logvane_fuzz::is_fixed_text(got.data(), got.size())) {
    fail("format_fixed wrote no \"%f\" number", got);
  }
  // Six decimals below 1e9 are far coarser than the double's spacing, so the
  // text read back is within a few 1e-7 of it and rounds to the same text.
  if (std::fabs(value) < 1e9) {
    logvane::MemorySource bytes(got.data(), got.size());
    TextReader reader(bytes);
    double back = 0.0;
    if (logvane::scan_double(reader, &back) != logvane::SCAN_CONVERTED ||
        fixed(back) != got) {
      fail("the \"%f\" text read back prints differently",
           got + " read as " + bits_text(back) + " prints " + fixed(back));
    }
  }
}

struct Read {
  ScanStatus status;
  std::uint64_t bits;
  int next;  // the next character after the read, or -1
};

std::string read_text(const Read& read) {
  static const char* const NAMES[] = {"converted", "mismatch", "end"};
  return std::string(NAMES[read.status]) + " " +
         bits_text(std::bit_cast<double>(read.bits)) + " next " +
         std::to_string(read.next);
}

Read model_read(logvane_fuzz::TextCursor& in) {
  Read read{logvane::SCAN_END, UNTOUCHED_BITS, -1};
  if (in.skip_space() >= 0) {
    double value = 0.0;
    if (logvane_fuzz::take_number_reference(in, &value)) {
      read.status = logvane::SCAN_CONVERTED;
      read.bits = std::bit_cast<std::uint64_t>(value);
    } else {
      read.status = logvane::SCAN_MISMATCH;
    }
  }
  read.next = in.peek();
  return read;
}

Read scan_read(TextReader& in) {
  double value = std::bit_cast<double>(UNTOUCHED_BITS);
  const ScanStatus status = logvane::scan_double(in, &value);
  return {status, std::bit_cast<std::uint64_t>(value), in.peek()};
}

Read skip_read(TextReader& in) {
  const ScanStatus status = logvane::skip_double(in);
  return {status, UNTOUCHED_BITS, in.peek()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk_limit =
      CHUNK_LIMITS[data[0] % std::size(CHUNK_LIMITS)];
  const char* const text = reinterpret_cast<const char*>(data + 1);
  const std::size_t text_size = size - 1;
  if (text_size >= 8) {
    double raw;
    std::memcpy(&raw, text, sizeof raw);
    check_fixed(raw);
  }

  const std::string folded = logvane_fuzz::folded_text(text, text_size);
  logvane_fuzz::TextCursor model{folded};
  const std::string input(text, text_size);
  logvane::SplittingSource whole_bytes(input, 0);
  logvane::SplittingSource single_bytes(input, 1);
  logvane::SplittingSource chunked_bytes(input, chunk_limit);
  logvane::SplittingSource skipping_bytes(input, chunk_limit);
  TextReader whole(whole_bytes);
  TextReader single(single_bytes);
  TextReader chunked(chunked_bytes);
  TextReader skipping(skipping_bytes);
  for (;;) {
    const std::size_t start = model.at;
    const Read expected = model_read(model);
    const Read reads[] = {scan_read(whole), scan_read(single),
                          scan_read(chunked)};
    for (const Read& got : reads) {
      if (got.status != expected.status || got.bits != expected.bits ||
          got.next != expected.next) {
        fail("scan_double differs from the model",
             "text " + escaped(folded.substr(start, model.at - start + 1)) +
                 ": " + read_text(got) + " vs model " + read_text(expected));
      }
    }
    const Read skipped = skip_read(skipping);
    if (skipped.status != expected.status || skipped.next != expected.next) {
      fail("skip_double takes other text than scan_double",
           "text " + escaped(folded.substr(start, model.at - start + 1)) +
               ": " + read_text(skipped) + " vs " + read_text(expected));
    }
    if (expected.status == logvane::SCAN_CONVERTED) {
      check_fixed(std::bit_cast<double>(expected.bits));
    }
    if (expected.status == logvane::SCAN_END) break;
    if (expected.status == logvane::SCAN_MISMATCH && expected.next >= 0) {
      // The character that stopped the read stays; take it by hand.
      model.advance();
      whole.advance();
      single.advance();
      chunked.advance();
      skipping.advance();
    }
  }
  return 0;
}
