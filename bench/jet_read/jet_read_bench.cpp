// Read benchmark of the Jet engine on a history file of 100 000 records (built once per run in a
// temporary folder, with Chinese and ASCII texts of 10 to 400 characters, so that field 2 takes each
// long-value form). Figures:
//   ReadValues       every row as Values (the engine alone)
//   ReadTexts        every field's ToText(), as the history store reads them
//   ReadHistory      + field 2 decoded from Base64 (the whole load without the list)
//   ToolVsMdbTools   the engine reading every row as texts in-process (engine_ms, x_engine_vs_mdb_export),
//                    and `quillet-db dump --csv` against `mdb-export` (both CSV) and `quillet-db dump --json`
//                    against `mdb-json`, each a process reading the same file to /dev/null, timed in the same
//                    iteration; the counters x_vs_mdb_export and x_vs_mdb_json are the speed ratios.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "history/codec/stored_text_codec.h"
#include "history/jet/append_row.h"
#include "history/jet/database.h"

namespace {

constexpr uint64_t kRows = 100000;

std::string BinDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0)
    return ".";
  return std::filesystem::path(std::string(buf, static_cast<size_t>(n))).parent_path().string();
}

struct BenchFile {
  std::filesystem::path dir;
  std::string path;
  ~BenchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

std::u16string SampleText(uint64_t i, std::mt19937_64& rng) {
  static const std::u16string kWords[] = {u"剪贴板",   u"历史",  u"记录",        u"文本", u" clipboard",
                                          u" history", u" text", u" 0123456789", u"，",   u"。"};
  size_t target = 10 + rng() % 390;
  std::u16string s = u"#" + std::u16string(jet::FromUtf8(std::to_string(i)));
  while (s.size() < target)
    s += kWords[rng() % 10];
  return s;
}

const std::string& HistoryFile() {
  static BenchFile file = [] {
    BenchFile f;
    f.dir = std::filesystem::temp_directory_path() / ("quillet-jet-read-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(f.dir);
    f.path = (f.dir / "Data.mdb").string();
    jet::Status created = jet::CreateHistoryDatabase(f.path, true);
    if (!created)
      std::abort();
    auto db = jet::Database::Open(f.path, jet::OpenMode::ReadWrite);
    if (!db)
      std::abort();
    std::mt19937_64 rng(42);
    jet::writer::AppendOptions fast;
    fast.flush = false;
    for (uint64_t i = 0; i < kRows; ++i) {
      std::string text = jet::ToUtf8(SampleText(i, rng));
      std::vector<jet::Value> row = {jet::Value::Text(jet::FromUtf8(std::to_string(i))),
                                     jet::Value::Text(u"2017-11-06 18:09:33"),
                                     jet::Value::Memo(jet::FromUtf8(Base64Encode(text + '\0')))};
      if (!jet::writer::AppendRowWithOptions(*db, u"Data", row, fast))
        std::abort();
    }
    return f;
  }();
  return file.path;
}

template <typename Visit>
size_t ReadAll(Visit visit) {
  auto db = jet::Database::Open(HistoryFile(), jet::OpenMode::ReadOnly);
  auto table = db->FindTable(u"Data");
  size_t rows = 0;
  jet::Status s = table->ForEachRow([&](const std::vector<jet::Value>& row) {
    visit(row);
    ++rows;
    return true;
  });
  if (!s)
    std::abort();
  return rows;
}

void ReadValues(benchmark::State& state) {
  size_t rows = 0;
  for (auto _ : state) {
    rows = ReadAll([](const std::vector<jet::Value>& row) { benchmark::DoNotOptimize(row.data()); });
  }
  state.SetItemsProcessed(static_cast<int64_t>(rows * state.iterations()));
}
BENCHMARK(ReadValues)->Unit(benchmark::kMillisecond);

void ReadTexts(benchmark::State& state) {
  size_t rows = 0;
  for (auto _ : state) {
    size_t chars = 0;
    rows = ReadAll([&](const std::vector<jet::Value>& row) {
      for (const auto& v : row)
        chars += v.ToText().size();
    });
    benchmark::DoNotOptimize(chars);
  }
  state.SetItemsProcessed(static_cast<int64_t>(rows * state.iterations()));
}
BENCHMARK(ReadTexts)->Unit(benchmark::kMillisecond);

void ReadHistory(benchmark::State& state) {
  size_t rows = 0;
  for (auto _ : state) {
    size_t bytes = 0;
    rows = ReadAll([&](const std::vector<jet::Value>& row) {
      bytes += row[0].ToText().size() + row[1].ToText().size();
      bytes += Base64Decode(row[2].ToUtf8(), true).size();
    });
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(static_cast<int64_t>(rows * state.iterations()));
}
BENCHMARK(ReadHistory)->Unit(benchmark::kMillisecond);

double TimeMs(const std::string& command) {
  auto t0 = std::chrono::steady_clock::now();
  int rc = std::system(command.c_str());
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  if (rc != 0)
    std::fprintf(stderr, "jet_read_bench: '%s' failed\n", command.c_str());
  return ms;
}

void ToolVsMdbTools(benchmark::State& state) {
  const std::string file = "'" + HistoryFile() + "'";
  const std::string tool = "'" + BinDir() + "/quillet-db'";
  double csv = 0, json = 0, mdbExport = 0, mdbJson = 0, engine = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    size_t chars = 0;
    ReadAll([&](const std::vector<jet::Value>& row) {
      for (const auto& v : row)
        chars += v.ToText().size();
    });
    benchmark::DoNotOptimize(chars);
    engine += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    csv += TimeMs(tool + " dump " + file + " Data --csv > /dev/null");
    mdbExport += TimeMs("mdb-export " + file + " Data > /dev/null");
    json += TimeMs(tool + " dump " + file + " Data --json > /dev/null");
    mdbJson += TimeMs("mdb-json " + file + " Data > /dev/null");
  }
  double n = static_cast<double>(state.iterations());
  state.counters["engine_ms"] = engine / n;
  state.counters["x_engine_vs_mdb_export"] = mdbExport / engine;
  state.counters["quillet_csv_ms"] = csv / n;
  state.counters["mdb_export_ms"] = mdbExport / n;
  state.counters["quillet_json_ms"] = json / n;
  state.counters["mdb_json_ms"] = mdbJson / n;
  state.counters["x_vs_mdb_export"] = mdbExport / csv;
  state.counters["x_vs_mdb_json"] = mdbJson / json;
}
BENCHMARK(ToolVsMdbTools)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  HistoryFile();  // built before any timing starts
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
