// Encode and decode of a 1 MiB text by the portable Base64 core, with and without a decode hook.
// Bytes processed are the 1 MiB of text in every case.
#include "history/codec/stored_text_codec.h"

#include "bench/codec/sample_text.h"

#include <benchmark/benchmark.h>

namespace {

constexpr size_t kTextSize = 1 << 20;

void BM_Base64Encode(benchmark::State& state) {
  const std::string text = SampleUtf8(kTextSize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Base64Encode(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kTextSize);
}
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);

void BM_Base64DecodeNoHook(benchmark::State& state) {
  const std::string stored = Base64Encode(SampleUtf8(kTextSize));
  for (auto _ : state) {
    benchmark::DoNotOptimize(Base64Decode(stored, true));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kTextSize);
}
BENCHMARK(BM_Base64DecodeNoHook)->Unit(benchmark::kMillisecond);

void BM_Base64DecodeWithHook(benchmark::State& state) {
  // A hook as cheap as a hook can be: the cost of calling one after every group.
  const std::string stored = Base64Encode(SampleUtf8(kTextSize));
  int64_t groups = 0;
  const std::function<void()> hook = [&groups] { benchmark::DoNotOptimize(++groups); };
  for (auto _ : state) {
    benchmark::DoNotOptimize(Base64Decode(stored, true, hook));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kTextSize);
}
BENCHMARK(BM_Base64DecodeWithHook)->Unit(benchmark::kMillisecond);

void BM_Base64DecodeSpacedInput(benchmark::State& state) {
  // The same stored form with a CR LF every 76 characters (the cleaning passes do work).
  const std::string plain = Base64Encode(SampleUtf8(kTextSize));
  std::string stored;
  for (size_t i = 0; i < plain.size(); i += 76) {
    stored += plain.substr(i, 76);
    stored += "\r\n";
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(Base64Decode(stored, true));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kTextSize);
}
BENCHMARK(BM_Base64DecodeSpacedInput)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
