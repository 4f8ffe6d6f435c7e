// Timed tool: encode and decode of a 1 MiB code page 936 text under Windows (or Wine), with and
// without the message hook, and the hook's share of decode time. Prints MB/s (1 MB = 2^20 bytes of
// text) as the best of several runs, measured with QueryPerformanceCounter.
#include "history/codec/stored_text_codec.h"

#include "bench/codec/sample_text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr size_t kTextSize = 1 << 20;

double Seconds(const std::function<void()>& work, int runs) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    best = std::min(best, static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
  }
  return best;
}

void Print(const char* name, size_t textBytes, double seconds) {
  std::printf("%-52s %9.2f ms %9.1f MB/s\n", name, seconds * 1e3, textBytes / seconds / (1 << 20));
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::string text = SampleText936(kTextSize);
  const std::string stored = EncodeStoredText(text);
  const std::string utf8 = TextToUtf8(text);
  if (DecodeStoredText(stored) != text) {
    std::fprintf(stderr, "round trip failed\n");
    return 1;
  }
  std::printf("text %zu bytes (code page 936), UTF-8 %zu bytes, stored form %zu characters, %zu groups\n",
              text.size(), utf8.size(), stored.size(), stored.size() / 4);

  std::string sink;
  const double encode = Seconds([&] { sink = EncodeStoredText(text); }, runs);
  const double toUtf8 = Seconds([&] { sink = TextToUtf8(text); }, runs);
  const double base64Encode = Seconds([&] { sink = Base64Encode(utf8); }, runs);
  // The decodes with and without the hook are timed in turn, run after run, so that both see the same
  // machine load; each keeps its best run.
  double decodeNoHook = 1e30, base64Decode = 1e30, decodeStored = 1e30, base64DecodePaced = 1e30;
  for (int i = 0; i < runs; ++i) {
    decodeNoHook = std::min(decodeNoHook, Seconds([&] { sink = Utf8ToText(Base64Decode(stored, true)); }, 1));
    decodeStored = std::min(decodeStored, Seconds([&] { sink = DecodeStoredText(stored); }, 1));
    base64Decode = std::min(base64Decode, Seconds([&] { sink = Base64Decode(stored, true); }, 1));
    base64DecodePaced =
        std::min(base64DecodePaced, Seconds(
                                        [&] {
                                          MessagePumpPacer pacer;
                                          sink = Base64Decode(stored, true, [&pacer] { pacer(); });
                                        },
                                        1));
  }

  // PumpWaitingMessages itself after every group, on a 64 KiB slice (a whole 1 MiB would take long):
  // what the hook costs without the pacing by the system tick.
  const std::string slice = EncodeStoredText(text.substr(0, 64 << 10));
  const std::function<void()> pumpEveryGroup = PumpWaitingMessages;
  const double sliceNoHook = Seconds([&] { sink = Base64Decode(slice, true); }, runs);
  const double sliceEveryGroup = Seconds([&] { sink = Base64Decode(slice, true, pumpEveryGroup); }, 1);

  // The cost of one empty-queue check.
  const int checks = 2000;
  const double emptyChecks = Seconds(
      [&] {
        for (int i = 0; i < checks; ++i)
          PumpWaitingMessages();
      },
      1);

  Print("EncodeStoredText", text.size(), encode);
  Print("  TextToUtf8 (936 -> UTF-16 -> UTF-8)", text.size(), toUtf8);
  Print("  Base64Encode", text.size(), base64Encode);
  Print("decode without hook (Base64Decode + Utf8ToText)", text.size(), decodeNoHook);
  Print("  Base64Decode without hook", text.size(), base64Decode);
  Print("DecodeStoredText (paced PumpWaitingMessages hook)", text.size(), decodeStored);
  Print("  Base64Decode with the paced hook", text.size(), base64DecodePaced);
  std::printf("hook share of decode time (Base64Decode paced vs without): %.1f %%\n",
              100.0 * std::max(0.0, base64DecodePaced - base64Decode) / base64DecodePaced);
  std::printf("hook share of DecodeStoredText time (vs decode without hook): %.1f %%\n",
              100.0 * std::max(0.0, decodeStored - decodeNoHook) / decodeStored);
  std::printf("PumpWaitingMessages with an empty queue: %.2f us per call\n", emptyChecks / checks * 1e6);
  Print("64 KiB Base64Decode without hook", 64 << 10, sliceNoHook);
  Print("64 KiB Base64Decode, PumpWaitingMessages every group", 64 << 10, sliceEveryGroup);
  std::printf("hook share with a pump after every group: %.1f %%\n",
              100.0 * (sliceEveryGroup - sliceNoHook) / sliceEveryGroup);
  return 0;
}
