#include "text/text_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/error_text.h"

namespace logvane {

namespace {

constexpr char END_OF_TEXT = '\x1a';

}  // namespace

TextReader::TextReader(FileHandle file, std::size_t chunk_limit) noexcept
    : file_(file), chunk_limit_(chunk_limit), next_(buffer_), limit_(buffer_) {
  buffer_[0] = '\0';
}

TextReader::TextReader(const char* data, std::size_t size,
                       std::size_t chunk_limit) noexcept
    : memory_(data),
      memory_left_(size),
      chunk_limit_(chunk_limit),
      next_(buffer_),
      limit_(buffer_) {
  buffer_[0] = '\0';
}

std::size_t TextReader::fill_raw(char* into, std::size_t room) noexcept {
  if (chunk_limit_ != 0) room = std::min(room, chunk_limit_);
  if (memory_ != nullptr) {
    const std::size_t size = std::min(room, memory_left_);
    std::memcpy(into, memory_, size);
    memory_ += size;
    memory_left_ -= size;
    return size;
  }
  int error = 0;
  const std::ptrdiff_t got = read_file(file_, into, room, &error);
  if (got >= 0) return static_cast<std::size_t>(got);
  if (error_ == 0) error_ = error;
  return 0;
}

bool TextReader::refill() noexcept {
  next_ = limit_ = buffer_;
  buffer_[0] = '\0';
  while (!source_done_) {
    char* start = buffer_;
    // A CR that ended the previous block may be half of a CR LF: it was kept
    // back until the byte after it is known, so that the pair stays whole.
    if (held_cr_) *start++ = '\r';
    held_cr_ = false;
    // The room left after a held CR, less the NUL and the padding: derived
    // from the buffer itself, so that no refill can write past it.
    char* const room_end = buffer_ + sizeof buffer_ - READ_PADDING_SIZE - 1;
    const std::size_t got =
        fill_raw(start, static_cast<std::size_t>(room_end - start));
    if (got == 0) source_done_ = true;
    char* end = start + got;
    if (char* stop = static_cast<char*>(std::memchr(start, END_OF_TEXT, got))) {
      end = stop;
      source_done_ = true;
    }
    if (end != buffer_ && end[-1] == '\r' && !source_done_) {
      held_cr_ = true;
      --end;
    }
    *end = '\0';
    limit_ = end;
    if (limit_ != buffer_) return true;
  }
  return false;
}

TextWriter::TextWriter(FileHandle file) noexcept
    : file_(file), used_(buffer_), end_(buffer_ + WRITE_BUFFER_SIZE) {}

TextWriter::TextWriter(char* out, std::size_t capacity) noexcept
    : memory_(out),
      memory_next_(out),
      memory_end_(out + capacity),
      used_(buffer_),
      end_(buffer_ + WRITE_BUFFER_SIZE) {}

void TextWriter::write_text(const char* text, std::size_t size) noexcept {
  const char* const text_end = text + size;
  while (text < text_end) {
    const char* line_feed = static_cast<const char*>(
        std::memchr(text, '\n', static_cast<std::size_t>(text_end - text)));
    const char* run_end = line_feed != nullptr ? line_feed : text_end;
    while (text < run_end) {
      if (used_ == end_) flush();
      const auto room = static_cast<std::size_t>(end_ - used_);
      const auto run = std::min(room, static_cast<std::size_t>(run_end - text));
      std::memcpy(used_, text, run);
      used_ += run;
      text += run;
    }
    if (line_feed != nullptr) {
      char* out = reserve(2);
      out[0] = '\r';
      out[1] = '\n';
      commit(2);
      ++text;
    }
  }
}

void TextWriter::write_text(const char* text) noexcept {
  write_text(text, std::strlen(text));
}

void TextWriter::flush() noexcept {
  const char* data = buffer_;
  auto size = static_cast<std::size_t>(used_ - buffer_);
  used_ = buffer_;
  if (size == 0 || error_ != 0) return;
  if (memory_ != nullptr) {
    const auto room = static_cast<std::size_t>(memory_end_ - memory_next_);
    const std::size_t kept = std::min(room, size);
    std::memcpy(memory_next_, data, kept);
    memory_next_ += kept;
    if (kept < size) error_ = ENOSPC;
    return;
  }
  error_ = write_file(file_, data, size);
}

void write_error_message(TextWriter& out, const char* message,
                         const char* reason) noexcept {
  out.write_text(message);
  out.write_text(": ");
  out.write_text(reason);
  out.write_text("\n", 1);
}

void write_error_message(TextWriter& out, const char* message,
                         int error) noexcept {
  write_error_message(out, message, describe_error(error));
}

}  // namespace logvane
