// Writing the history database.
//
// AppendLatency: one file grows from empty to 100 000 rows; at 1 000, 10 000 and 100 000 rows the
// next 400 appends are timed one by one. Counters: the median (and 90th percentile) append time at
// each size, in microseconds, and the ratio of the 100k median to the 1k median (the goal: <= 1.5).
// Argument 1 flushes every step as the store does; 0 leaves the flushes out, which shows what they cost.
//
// Load: reading every row of a 100 000-row file as text with our engine, with mdb-export and with
// mdb-json, all timed in this run. Counters: milliseconds of each and how many times faster ours is.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "history/codec/stored_text_codec.h"
#include "history/jet/append_row.h"
#include "history/jet/database.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string TempFile(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("quillet-jet-write-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return (dir / name).string();
}

// A history row of the kind captures make: mostly short texts, now and then a long one.
std::vector<jet::Value> HistoryRow(uint64_t i, std::mt19937_64& rng) {
  size_t length = i % 50 == 49 ? 1500 + rng() % 1000 : 10 + rng() % 120;
  std::string text;
  for (size_t k = 0; k < length; ++k) text.push_back(static_cast<char>(' ' + rng() % 95));
  std::string stored = Base64Encode(text + std::string(1, '\0'));
  return {jet::Value::Text(jet::FromUtf8(std::to_string(i))), jet::Value::Text(u"2017-11-06 18:09:33"),
          jet::Value::Memo(jet::FromUtf8(stored))};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
double Percentile90(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() * 9 / 10];
}

void AppendLatency(benchmark::State& state) {
  const bool flush = state.range(0) != 0;
  for (auto _ : state) {
    const std::string path = TempFile(flush ? "latency-flush.mdb" : "latency.mdb");
    if (!jet::CreateHistoryDatabase(path, true)) {
      state.SkipWithError("create failed");
      return;
    }
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    std::mt19937_64 rng(42);
    jet::writer::AppendOptions fast;
    fast.flush = false;
    jet::writer::AppendOptions measured;
    measured.flush = flush;
    uint64_t rows = 0;
    std::vector<std::pair<uint64_t, double>> medians;
    for (uint64_t size : {1000, 10000, 100000}) {
      while (rows < size) (void)jet::writer::AppendRowWithOptions(*db, u"Data", HistoryRow(rows++, rng), fast);
      std::vector<double> micros;
      for (int k = 0; k < 400; ++k) {
        auto row = HistoryRow(rows++, rng);
        auto t0 = Clock::now();
        jet::Status s = jet::writer::AppendRowWithOptions(*db, u"Data", row, measured);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (!s) {
          state.SkipWithError(s.message().c_str());
          return;
        }
      }
      std::string label = size == 1000 ? "1k" : size == 10000 ? "10k" : "100k";
      state.counters["median_us_" + label] = Median(micros);
      state.counters["p90_us_" + label] = Percentile90(micros);
      medians.emplace_back(size, Median(micros));
    }
    state.counters["ratio_100k_to_1k"] = medians.back().second / medians.front().second;
    state.counters["file_MiB"] = static_cast<double>(fs::file_size(path)) / (1 << 20);
    fs::remove(path);
  }
}
BENCHMARK(AppendLatency)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

const std::string& HundredThousandRowFile() {
  static const std::string path = [] {
    std::string p = TempFile("load-100k.mdb");
    (void)jet::CreateHistoryDatabase(p, true);
    auto db = jet::Database::Open(p, jet::OpenMode::ReadWrite);
    std::mt19937_64 rng(7);
    jet::writer::AppendOptions fast;
    fast.flush = false;
    for (uint64_t i = 0; i < 100000; ++i) (void)jet::writer::AppendRowWithOptions(*db, u"Data", HistoryRow(i, rng), fast);
    return p;
  }();
  return path;
}

double TimeMs(const std::function<void()>& work) {
  auto t0 = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void Load(benchmark::State& state) {
  const std::string& path = HundredThousandRowFile();
  double ours = 0, exportMs = 0, jsonMs = 0;
  size_t rows = 0;
  for (auto _ : state) {
    ours += TimeMs([&] {
      auto db = jet::Database::Open(path, jet::OpenMode::ReadOnly);
      auto table = db->FindTable(u"Data");
      size_t bytes = 0;
      rows = 0;
      (void)table->ForEachRow([&](const std::vector<jet::Value>& row) {
        for (const auto& v : row) bytes += v.AsText().size();  // the decoded values, as the history load uses them
        ++rows;
        return true;
      });
      benchmark::DoNotOptimize(bytes);
    });
    exportMs += TimeMs([&] { (void)std::system(("mdb-export '" + path + "' Data > /dev/null").c_str()); });
    jsonMs += TimeMs([&] { (void)std::system(("mdb-json '" + path + "' Data > /dev/null").c_str()); });
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["ours_ms"] = ours / n;
  state.counters["mdb_export_ms"] = exportMs / n;
  state.counters["mdb_json_ms"] = jsonMs / n;
  state.counters["x_faster_than_mdb_export"] = exportMs / ours;
  state.counters["x_faster_than_mdb_json"] = jsonMs / ours;
}
BENCHMARK(Load)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
