// make_log: writes a synthetic track log in the layout logvane reads.
//
//   make_log RECORDS SEED [OUTPUT]
//
// A boat on Lake Zurich logs ten records a second. Far from the middle of
// the lake it turns back, so a log of any length stays in one area and every
// record keeps the same shape, about 96 bytes with its CR LF. The same
// RECORDS and SEED give the same bytes; examples/zurich-lake-boat.txt is
// `make_log 480 1`.

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace {

constexpr double REFERENCE_LONGITUDE = 8.5417233;
constexpr double REFERENCE_LATITUDE = 47.3664262;
/// Metres per degree of latitude on a sphere of the Earth's mean radius.
constexpr double METRES_PER_DEGREE = 111'194.93;
/// The point the boat roams about, in metres east and north of the reference.
constexpr double LAKE_MIDDLE_EAST = 1'200.0;
constexpr double LAKE_MIDDLE_NORTH = -2'200.0;
constexpr double ROAM_RADIUS = 1'000.0;
constexpr double LAKE_LEVEL = 406.0;
constexpr double CRUISE_SPEED = 5.5;
constexpr double STEP_SECONDS = 0.1;
constexpr std::int64_t STEP_MILLISECONDS = 100;
constexpr std::int64_t MILLISECONDS_PER_DAY = 86'400'000;
/// The first record's time of day: 09:31:02.100.
constexpr std::int64_t START_MILLISECONDS =
    ((9 * 60 + 31) * 60 + 2) * 1000 + 100;

constexpr std::size_t OUTPUT_BUFFER_SIZE = 1 << 20;
/// Room one record needs at most; a record takes about 96 bytes.
constexpr std::size_t RECORD_TEXT_SIZE = 256;
constexpr std::size_t DATE_TEXT_SIZE = 10;

constexpr std::uint64_t POWERS_OF_TEN[] = {
    1,       10,        100,        1'000,       10'000,
    100'000, 1'000'000, 10'000'000, 100'000'000, 1'000'000'000};

/// SplitMix64: small, fast and the same on every platform, which the
/// distributions of <random> are not.
class RandomSource {
 public:
  explicit RandomSource(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() noexcept {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  /// Uniform in [0, 1).
  double uniform() noexcept {
    return static_cast<double>(next() >> 11) * 0x1p-53;
  }
  /// Close enough to a standard normal for a track: four uniforms summed,
  /// centred and scaled to unit variance.
  double normal() noexcept {
    const double sum = uniform() + uniform() + uniform() + uniform();
    return (sum - 2.0) * std::numbers::sqrt3;
  }

 private:
  std::uint64_t state_;
};

/// What the boat and its receiver are doing at one record.
struct Boat {
  double east = 250.0;  // metres from the reference point
  double north = -600.0;
  double heading = 150.0;       // degrees clockwise from north
  double turn_rate = 0.0;       // degrees per second
  double speed = CRUISE_SPEED;  // metres per second
  double swell = 0.0;           // metres above the lake level
  double error_east = 0.0;      // the receiver's slowly drifting error, metres
  double error_north = 0.0;
  double error_up = 0.0;
  double altitude = LAKE_LEVEL;  // as reported
  double climb = 0.0;            // as reported, metres per second
  int satellites = 11;
  double temperature = 18.4;
};

double clamp(double value, double low, double high) {
  return value < low ? low : value > high ? high : value;
}

double wrap_degrees(double angle) {
  angle = std::fmod(angle, 360.0);
  return angle < 0.0 ? angle + 360.0 : angle;
}

/// Moves the boat on by one step; every quantity drifts about its mean
/// (Ornstein-Uhlenbeck), so the track is smooth and stays plausible.
void advance_boat(Boat& boat, RandomSource& random) {
  boat.speed += 0.01 * (CRUISE_SPEED - boat.speed) + 0.04 * random.normal();
  boat.speed = clamp(boat.speed, 0.3, 12.0);
  boat.turn_rate += -0.02 * boat.turn_rate + 0.25 * random.normal();
  const double away_east = boat.east - LAKE_MIDDLE_EAST;
  const double away_north = boat.north - LAKE_MIDDLE_NORTH;
  if (std::hypot(away_east, away_north) > ROAM_RADIUS) {
    const double back =
        std::atan2(-away_east, -away_north) * (180.0 / std::numbers::pi);
    const double off_course = wrap_degrees(back - boat.heading + 180.0) - 180.0;
    boat.turn_rate += 0.02 * off_course;
  }
  boat.turn_rate = clamp(boat.turn_rate, -12.0, 12.0);
  boat.heading = wrap_degrees(boat.heading + boat.turn_rate * STEP_SECONDS);
  const double heading = boat.heading * (std::numbers::pi / 180.0);
  boat.east += boat.speed * std::sin(heading) * STEP_SECONDS;
  boat.north += boat.speed * std::cos(heading) * STEP_SECONDS;

  boat.swell += -0.05 * boat.swell + 0.01 * random.normal();
  boat.error_east += -0.001 * boat.error_east + 0.01 * random.normal();
  boat.error_north += -0.001 * boat.error_north + 0.01 * random.normal();
  boat.error_up += -0.001 * boat.error_up + 0.02 * random.normal();
  const double altitude = LAKE_LEVEL + boat.swell + boat.error_up;
  boat.climb = (altitude - boat.altitude) / STEP_SECONDS;
  boat.altitude = altitude;

  if (random.uniform() < 0.0005) {
    boat.satellites += random.uniform() < 0.5 ? -1 : 1;
    boat.satellites = boat.satellites < 7    ? 7
                      : boat.satellites > 16 ? 16
                                             : boat.satellites;
  }
  boat.temperature +=
      -0.0005 * (boat.temperature - 18.4) + 0.005 * random.normal();
}

/// Appends the decimal digits of value; returns the new end.
char* append_unsigned(char* out, std::uint64_t value) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

/// Appends value as exactly `count` digits, with leading zeros; returns the
/// new end.
char* append_digits(char* out, std::int64_t value, int count) {
  for (int place = count - 1; place >= 0; --place) {
    out[place] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return out + count;
}

/// Appends value rounded to `places` decimals, then drops trailing zeros
/// while more than `least_places` remain, as loggers that print %.9g do.
char* append_fixed(char* out, double value, int places, int least_places) {
  std::int64_t scaled =
      std::llround(value * static_cast<double>(POWERS_OF_TEN[places]));
  if (scaled < 0) {
    *out++ = '-';
    scaled = -scaled;
  }
  const std::uint64_t magnitude = static_cast<std::uint64_t>(scaled);
  out = append_unsigned(out, magnitude / POWERS_OF_TEN[places]);
  *out++ = '.';
  std::uint64_t fraction = magnitude % POWERS_OF_TEN[places];
  for (int place = places - 1; place >= 0; --place) {
    out[place] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  int kept = places;
  while (kept > least_places && out[kept - 1] == '0') --kept;
  return out + kept;
}

/// Writes date as 2026/05/14 into out, which has DATE_TEXT_SIZE bytes.
void format_date(std::chrono::sys_days date, char* out) {
  const std::chrono::year_month_day civil{date};
  char* end = append_digits(out, static_cast<int>(civil.year()), 4);
  *end++ = '/';
  end = append_digits(end, static_cast<unsigned>(civil.month()), 2);
  *end++ = '/';
  append_digits(end, static_cast<unsigned>(civil.day()), 2);
}

/// Appends one record, with its CR LF, for the boat at time_of_day.
char* append_record(char* out, const char* date, std::int64_t time_of_day,
                    const Boat& boat) {
  std::memcpy(out, date, DATE_TEXT_SIZE);
  out += DATE_TEXT_SIZE;
  *out++ = ' ';
  const std::int64_t seconds = time_of_day / 1000;
  out = append_digits(out, seconds / 3600, 2);
  *out++ = ':';
  out = append_digits(out, seconds / 60 % 60, 2);
  *out++ = ':';
  out = append_digits(out, seconds % 60, 2);
  *out++ = '.';
  out = append_digits(out, time_of_day % 1000, 3);
  *out++ = ' ';
  out = append_unsigned(out, static_cast<std::uint64_t>(boat.satellites));
  *out++ = ' ';

  static const double metres_per_degree_east =
      METRES_PER_DEGREE *
      std::cos(REFERENCE_LATITUDE * (std::numbers::pi / 180.0));
  const double longitude = REFERENCE_LONGITUDE + (boat.east + boat.error_east) /
                                                     metres_per_degree_east;
  const double latitude =
      REFERENCE_LATITUDE + (boat.north + boat.error_north) / METRES_PER_DEGREE;
  out = append_fixed(out, longitude, 9, 7);
  *out++ = ' ';
  out = append_fixed(out, latitude, 9, 7);
  *out++ = ' ';
  out = append_fixed(out, boat.altitude, 3, 3);
  *out++ = ' ';
  out = append_fixed(out, boat.speed, 3, 3);
  *out++ = ' ';
  out = append_fixed(out, boat.heading, 1, 1);
  *out++ = ' ';
  out = append_fixed(out, boat.climb, 3, 3);
  *out++ = ' ';
  const double horizontal_dilution = 0.4 + 6.0 / boat.satellites;
  const double vertical_dilution = 1.5 * horizontal_dilution;
  out = append_fixed(out, horizontal_dilution, 1, 1);
  *out++ = ' ';
  out = append_fixed(out, vertical_dilution, 1, 1);
  *out++ = ' ';
  out = append_fixed(out, std::hypot(horizontal_dilution, vertical_dilution), 1,
                     1);
  *out++ = ' ';
  out = append_fixed(out, boat.temperature, 1, 1);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

/// Gathers the log in one buffer and writes it a megabyte at a time.
class LogWriter {
 public:
  explicit LogWriter(std::FILE* file) : file_(file) {}
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  /// Where the next record goes; at least RECORD_TEXT_SIZE bytes are free.
  char* next() {
    if (OUTPUT_BUFFER_SIZE - used_ < RECORD_TEXT_SIZE) flush();
    return buffer_ + used_;
  }
  /// Keeps what was written from next() up to end.
  void keep(const char* end) {
    used_ = static_cast<std::size_t>(end - buffer_);
  }
  /// Writes what is gathered; false on a write error.
  bool flush() {
    if (used_ != 0 && std::fwrite(buffer_, 1, used_, file_) != used_) {
      failed_ = true;
    }
    used_ = 0;
    return !failed_;
  }

 private:
  std::FILE* file_;
  std::size_t used_ = 0;
  bool failed_ = false;
  char buffer_[OUTPUT_BUFFER_SIZE];
};

/// Reads a whole decimal number from text into value; false if it is not one.
bool scan_count(const char* text, std::uint64_t& value) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0') return false;
  value = parsed;
  return true;
}

int report_usage() {
  std::fputs("Usage: make_log RECORDS SEED [OUTPUT]\n", stderr);
  return 2;
}

void write_header(std::FILE* file, std::uint64_t records, std::uint64_t seed) {
  std::fprintf(
      file,
      "NavLog GL-770 firmware 3.2.1 track log\r\n"
      "Session 2026/05/14 09:31:02.100 UTC, 10 Hz, %llu records, seed %llu\r\n"
      "Units: deg deg m m/s deg m/s - - - degC\r\n"
      "Reference longitude %.7f\r\n"
      "Reference latitude %.7f\r\n"
      "date time sats longitude latitude altitude speed course climb hdop "
      "vdop pdop temp\r\n"
      "------------------------------------------------------------------"
      "--------------\r\n",
      static_cast<unsigned long long>(records),
      static_cast<unsigned long long>(seed), REFERENCE_LONGITUDE,
      REFERENCE_LATITUDE);
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t records = 0;
  std::uint64_t seed = 0;
  if (argc < 3 || argc > 4 || !scan_count(argv[1], records) ||
      !scan_count(argv[2], seed)) {
    return report_usage();
  }
  std::FILE* file = argc == 4 ? std::fopen(argv[3], "wb") : stdout;
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  write_header(file, records, seed);
  // The writer's buffer is too large for the stack.
  static LogWriter writer(file);

  RandomSource random(seed);
  Boat boat;
  const std::chrono::sys_days first_day =
      std::chrono::year{2026} / std::chrono::May / 14;
  std::int64_t day = -1;
  char date[DATE_TEXT_SIZE];
  for (std::uint64_t record = 0; record < records; ++record) {
    const std::int64_t time =
        START_MILLISECONDS +
        static_cast<std::int64_t>(record) * STEP_MILLISECONDS;
    if (time / MILLISECONDS_PER_DAY != day) {
      day = time / MILLISECONDS_PER_DAY;
      format_date(first_day + std::chrono::days{day}, date);
    }
    writer.keep(
        append_record(writer.next(), date, time % MILLISECONDS_PER_DAY, boat));
    advance_boat(boat, random);
  }
  const bool written = writer.flush();
  if (!written ||
      (file != stdout ? std::fclose(file) : std::fflush(file)) != 0) {
    std::perror(argc == 4 ? argv[3] : "make_log: standard output");
    return 1;
  }
  return 0;
}
