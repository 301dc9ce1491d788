// Micro-benchmarks of the hot pieces of a conversion: the number read on
// typical fields, the number form on typical coordinates, and one whole
// record from the reader's buffer to the document's buffer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "log/track_records.h"
#include "text/fixed_format.h"
#include "text/scan.h"
#include "text/text_stream.h"

namespace {

// Typical log fields: coordinates with 7-9 decimals, altitudes, speeds.
std::vector<std::string> typical_fields() {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> longitude(8.3, 8.7);
  std::uniform_real_distribution<double> altitude(380.0, 620.0);
  std::vector<std::string> fields;
  char text[64];
  for (int i = 0; i < 1024; ++i) {
    std::snprintf(text, sizeof text, "%.*f", 7 + i % 3, longitude(random));
    fields.emplace_back(text);
    std::snprintf(text, sizeof text, "%.3f", altitude(random));
    fields.emplace_back(text);
  }
  return fields;
}

void BM_ScanDoubleText(benchmark::State& state) {
  const std::vector<std::string> fields = typical_fields();
  std::size_t i = 0;
  for (auto _ : state) {
    double value = 0.0;
    const logvane::TextScan scan =
        logvane::scan_double_text(fields[i++ % fields.size()].c_str(), &value);
    benchmark::DoNotOptimize(scan);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_ScanDoubleText);

void BM_FormatFixed(benchmark::State& state) {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> coordinate(-180.0, 180.0);
  std::vector<double> values(1024);
  for (double& value : values) value = coordinate(random);
  char out[logvane::FIXED_TEXT_SIZE];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        logvane::format_fixed(values[i++ % values.size()], out));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FormatFixed);

// Converts a block of realistic records held in memory; reports records.
void BM_WholeRecord(benchmark::State& state) {
  std::string log;
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> jitter(0.0, 0.001);
  char line[192];
  constexpr int RECORDS = 4096;
  for (int i = 0; i < RECORDS; ++i) {
    std::snprintf(line, sizeof line,
                  "2026/05/14 09:31:%02d.%d00 11 %.9f %.9f %.3f 5.500 150.0 "
                  "0.000 0.9 1.4 1.7 18.4\r\n",
                  i / 10 % 60, i % 10, 8.545 + jitter(random),
                  47.361 + jitter(random), 406.0 + 100 * jitter(random));
    log += line;
  }
  static char document[1 << 22];
  for (auto _ : state) {
    logvane::MemorySource log_bytes(log.data(), log.size());
    logvane::MemorySink document_bytes(document, sizeof document);
    logvane::TextReader reader(log_bytes);
    logvane::TextWriter writer(document_bytes);
    logvane::convert_track_records(reader, writer);
    writer.flush();
    benchmark::DoNotOptimize(document_bytes.size());
  }
  state.SetItemsProcessed(state.iterations() * RECORDS);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(log.size()));
}
BENCHMARK(BM_WholeRecord);

}  // namespace

BENCHMARK_MAIN();
