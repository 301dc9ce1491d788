#ifndef LOGVANE_TESTS_SUPPORT_BYTE_STREAMS_H_
#define LOGVANE_TESTS_SUPPORT_BYTE_STREAMS_H_

#include <algorithm>
#include <cstddef>
#include <string>

#include "text/text_stream.h"

namespace logvane {

/// The bytes of text, at most chunk bytes a read (all it is asked for if
/// 0), so that the reader's block edges fall everywhere.
class SplittingSource final : public ByteSource {
 public:
  SplittingSource(const std::string& text, std::size_t chunk)
      : memory_(text.data(), text.size()), chunk_(chunk) {}
  ReadResult read(char* into, std::size_t size) noexcept override {
    return memory_.read(into, chunk_ != 0 ? std::min(size, chunk_) : size);
  }

 private:
  MemorySource memory_;
  std::size_t chunk_;
};

/// Passes on what source gives until after_bytes have been read, then fails
/// with error.
class FailingSource final : public ByteSource {
 public:
  FailingSource(ByteSource& source, std::size_t after_bytes, int error)
      : source_(source), left_(after_bytes), error_(error) {}
  ReadResult read(char* into, std::size_t size) noexcept override {
    if (left_ == 0) return {0, error_};
    const ReadResult got = source_.read(into, std::min(size, left_));
    left_ -= got.size;
    return got;
  }

 private:
  ByteSource& source_;
  std::size_t left_;
  int error_;
};

/// Passes at most chunk bytes a write to sink, and so none if chunk is 0.
class StingySink final : public ByteSink {
 public:
  StingySink(ByteSink& sink, std::size_t chunk) : sink_(sink), chunk_(chunk) {}
  WriteResult write(const char* data, std::size_t size) noexcept override {
    return sink_.write(data, std::min(size, chunk_));
  }

 private:
  ByteSink& sink_;
  std::size_t chunk_;
};

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_BYTE_STREAMS_H_
