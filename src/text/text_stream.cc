#include "text/text_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/error_text.h"

namespace logvane {

namespace {

constexpr char END_OF_TEXT = '\x1a';

}  // namespace

ReadResult FileSource::read(char* into, std::size_t size) noexcept {
  int error = 0;
  const std::ptrdiff_t got = read_file(file_, into, size, &error);
  if (got < 0) return {0, error};
  return {static_cast<std::size_t>(got), 0};
}

ReadResult MemorySource::read(char* into, std::size_t size) noexcept {
  size = std::min(size, left_);
  std::memcpy(into, data_, size);
  data_ += size;
  left_ -= size;
  return {size, 0};
}

WriteResult FileSink::write(const char* data, std::size_t size) noexcept {
  int error = 0;
  const std::ptrdiff_t put = write_file(file_, data, size, &error);
  if (put < 0) return {0, error};
  return {static_cast<std::size_t>(put), 0};
}

WriteResult MemorySink::write(const char* data, std::size_t size) noexcept {
  const std::size_t kept = std::min(capacity_ - size_, size);
  std::memcpy(out_ + size_, data, kept);
  size_ += kept;
  return {kept, kept == 0 && size > 0 ? ENOSPC : 0};
}

TextReader::TextReader(ByteSource& source) noexcept
    : source_(source), next_(buffer_), limit_(buffer_) {
  buffer_[0] = '\0';
}

std::size_t TextReader::fill_raw(char* into, std::size_t room) noexcept {
  const ReadResult got = source_.read(into, room);
  if (got.error != 0 && error_ == 0) error_ = got.error;
  return got.size;
}

bool TextReader::refill() noexcept {
  // The unread tail moves to the front and more is read behind it, so that
  // a record shorter than the buffer always lies whole in it.
  const auto kept = static_cast<std::size_t>(limit_ - next_);
  std::memmove(buffer_, next_, kept);
  next_ = buffer_;
  char* const old_limit = buffer_ + kept;
  char* end = old_limit;
  if (held_cr_) *end++ = '\r';
  held_cr_ = false;
  char* const room_end = buffer_ + READ_BUFFER_SIZE;
  // One read, as much as the source has ready: a pipe's writer is not
  // waited for, nor a failing read met, before the text already sent is
  // used. Read again only while all that came is a CR that may be half of
  // a CR LF.
  while (!source_done_ && end < room_end) {
    const std::size_t got =
        fill_raw(end, static_cast<std::size_t>(room_end - end));
    char* const stop =
        static_cast<char*>(std::memchr(end, END_OF_TEXT, got));
    if (got == 0 || stop != nullptr) {
      source_done_ = true;
      if (stop != nullptr) end = stop;
      break;
    }
    end += got;
    if (end - old_limit > 1 || end[-1] != '\r') break;
  }
  // A CR that ends what was read may be half of a CR LF: it is kept back
  // until the byte after it is known, so that the pair stays whole.
  if (end != old_limit && end[-1] == '\r' && !source_done_) {
    held_cr_ = true;
    --end;
  }
  *end = '\0';
  limit_ = end;
  return end != old_limit;
}

TextWriter::TextWriter(ByteSink& sink) noexcept
    : sink_(sink), used_(buffer_), end_(buffer_ + WRITE_BUFFER_SIZE) {}

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
  const auto size = static_cast<std::size_t>(used_ - buffer_);
  used_ = buffer_;
  const char* data = buffer_;
  const char* const data_end = buffer_ + size;
  while (data < data_end && error_ == 0) {
    const WriteResult put =
        sink_.write(data, static_cast<std::size_t>(data_end - data));
    error_ = put.error;
    // A write that takes nothing would be tried again for ever.
    if (put.size == 0 && error_ == 0) error_ = EIO;
    data += put.size;
  }
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
