#ifndef LOGVANE_TEXT_TEXT_STREAM_H_
#define LOGVANE_TEXT_TEXT_STREAM_H_

#include <cstddef>

#include "platform/system.h"

namespace logvane {

/// Bytes of text a TextReader holds: a record longer than this is read
/// through the stream, byte by byte.
constexpr std::size_t READ_BUFFER_SIZE = 64 * 1024;
/// Bytes after a TextReader's NUL that a scanner may load, 16 or 64 at a
/// time, without looking at them.
constexpr std::size_t READ_PADDING_SIZE = 64;
/// Bytes a TextWriter gathers before one write to its file.
constexpr std::size_t WRITE_BUFFER_SIZE = 64 * 1024;

/// What a read from a ByteSource gave: size bytes (0 at the end), or the
/// system's error number.
struct ReadResult {
  std::size_t size;
  int error;
};

/// Where a TextReader's bytes come from.
class ByteSource {
 public:
  /// Reads at most size bytes into into.
  virtual ReadResult read(char* into, std::size_t size) noexcept = 0;

 protected:
  ~ByteSource() = default;
};

/// What a write to a ByteSink took: size bytes, or the system's error
/// number.
struct WriteResult {
  std::size_t size;
  int error;
};

/// Where a TextWriter's bytes go.
class ByteSink {
 public:
  /// Writes at most size bytes, at least one unless the sink takes none.
  virtual WriteResult write(const char* data, std::size_t size) noexcept = 0;

 protected:
  ~ByteSink() = default;
};

/// The bytes of an open file, which the source does not close.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(FileHandle file) noexcept : file_(file) {}
  ReadResult read(char* into, std::size_t size) noexcept override;

 private:
  FileHandle file_;
};

/// The size bytes at data.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const char* data, std::size_t size) noexcept
      : data_(data), left_(size) {}
  ReadResult read(char* into, std::size_t size) noexcept override;

 private:
  const char* data_;
  std::size_t left_;
};

/// An open file, which the sink does not close.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(FileHandle file) noexcept : file_(file) {}
  WriteResult write(const char* data, std::size_t size) noexcept override;

 private:
  FileHandle file_;
};

/// The capacity bytes at out; running out of room is an error (ENOSPC), as
/// on a full disk.
class MemorySink final : public ByteSink {
 public:
  MemorySink(char* out, std::size_t capacity) noexcept
      : out_(out), capacity_(capacity) {}
  WriteResult write(const char* data, std::size_t size) noexcept override;
  /// Bytes written so far.
  std::size_t size() const noexcept { return size_; }

 private:
  char* out_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

/// Reads the bytes of a source as a text stream: a CR LF
/// pair becomes one line feed, a lone CR is an ordinary character, and a
/// 0x1A byte ends the input for good. One fixed buffer, filled by refill().
/// The pairs are folded where they are met, by peek() and read_line: the
/// buffered text still holds them, which the scanners do not mind, since
/// CR and LF are both whitespace to them.
class TextReader {
 public:
  explicit TextReader(ByteSource& source) noexcept;
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  /// The next character (0-255) without taking it, or -1 at the end of the
  /// input, which sets the end-of-file indicator.
  int peek() noexcept {
    if (next_ == limit_ && !refill()) {
      end_of_file_ = true;
      return -1;
    }
    // The LF of a CR LF always stands in the buffer with its CR.
    if (*next_ == '\r' && next_[1] == '\n') ++next_;
    return static_cast<unsigned char>(*next_);
  }
  /// Takes the character peek() returned; only valid after it returned >= 0.
  void advance() noexcept { ++next_; }

  /// The bytes buffered and not yet taken: [next(), limit()), CR LF pairs
  /// unfolded; a CR is the last of them only at the end of the input. The
  /// byte at limit() is always a NUL, which stops every scanner's loop, and
  /// READ_PADDING_SIZE more bytes after it may be loaded (and ignored).
  const char* next() const noexcept { return next_; }
  const char* limit() const noexcept { return limit_; }
  /// Takes the characters before position, which lies in [next(), limit()].
  void take_to(const char* position) noexcept { next_ = position; }
  /// Keeps what is not yet taken, moved to the front of the buffer, and
  /// reads more behind it, what one read of the source gives; false if
  /// nothing more came.
  bool refill() noexcept;
  /// True once the whole rest of the input is buffered: text that runs to
  /// limit() ends there.
  bool source_done() const noexcept { return source_done_; }

  /// True once a read has met the end of the input (or a read error).
  bool end_of_file() const noexcept { return end_of_file_; }
  /// The first system error met while reading, or 0.
  int error() const noexcept { return error_; }

 private:
  std::size_t fill_raw(char* into, std::size_t room) noexcept;

  ByteSource& source_;
  const char* next_;
  const char* limit_;
  bool source_done_ = false;
  bool end_of_file_ = false;
  bool held_cr_ = false;
  int error_ = 0;
  // The text, the NUL that stops the scanners after it and the padding
  // they may load.
  char buffer_[READ_BUFFER_SIZE + 1 + READ_PADDING_SIZE] = {};
};

/// Writes a text stream to a sink: every line feed becomes CR LF.
/// Remembers its first error instead of reporting each.
class TextWriter {
 public:
  explicit TextWriter(ByteSink& sink) noexcept;
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;
  ~TextWriter() { flush(); }

  /// Writes text, turning each line feed into CR LF.
  void write_text(const char* text, std::size_t size) noexcept;
  void write_text(const char* text) noexcept;
  /// Room for at least size bytes that hold no line feed; fill them, then
  /// commit() the number used. size must not exceed WRITE_BUFFER_SIZE.
  char* reserve(std::size_t size) noexcept {
    if (static_cast<std::size_t>(end_ - used_) < size) flush();
    return used_;
  }
  void commit(std::size_t size) noexcept { used_ += size; }
  /// Hands the buffered bytes to the sink.
  void flush() noexcept;

  /// The first system error met while writing, or 0.
  int error() const noexcept { return error_; }

 private:
  ByteSink& sink_;
  char* used_;
  char* end_;
  int error_ = 0;
  char buffer_[WRITE_BUFFER_SIZE];
};

/// Writes message, ": ", the system's text for error and a line end, as
/// perror does.
void write_error_message(TextWriter& out, const char* message,
                         int error) noexcept;

/// Writes message, ": ", reason and a line end.
void write_error_message(TextWriter& out, const char* message,
                         const char* reason) noexcept;

}  // namespace logvane

#endif  // LOGVANE_TEXT_TEXT_STREAM_H_
