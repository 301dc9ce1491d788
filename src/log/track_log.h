#ifndef LOGVANE_LOG_TRACK_LOG_H_
#define LOGVANE_LOG_TRACK_LOG_H_

#include <cstddef>

namespace logvane {

/// The one buffer for every discarded line and header word; a line read
/// takes at most LINE_BUFFER_SIZE - 1 characters.
constexpr std::size_t LINE_BUFFER_SIZE = 4096;

/// The position the log's header gives; a value that cannot be read stays 0.
struct ReferencePosition {
  double longitude = 0.0;
  double latitude = 0.0;
};

/// Fields 4, 5 and 6 of one track record.
struct TrackPoint {
  double longitude = 0.0;
  double latitude = 0.0;
  double altitude = 0.0;
};

}  // namespace logvane

#endif  // LOGVANE_LOG_TRACK_LOG_H_
