#!/usr/bin/env bash
# Builds the benchmarks without sanitizers and runs them all: the native Google Benchmark executables,
# the Windows timed tools under Wine, and any bench/*/*.sh script (comparisons with other tools).
set -u
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQUILLET_BENCH=ON -DQUILLET_TESTS=OFF >/dev/null || exit 1
cmake --build build/bench -j "$jobs" || exit 1
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake -DQUILLET_BENCH=ON >/dev/null || exit 1
cmake --build build/win64 -j "$jobs" || exit 1
status=0
for b in build/bench/bin/*_bench; do
  [ -x "$b" ] || continue
  echo "== $b"
  "$b" --benchmark_counters_tabular=true || status=1
done
wine_benches=(build/win64/bin/*_bench.exe)
if [ -e "${wine_benches[0]}" ]; then
  tests/harness/with-wine.sh --keeper build/win64/bin/wine-keeper.exe -- bash -c '
    s=0; for b in "$@"; do echo "== $b (Wine)"; /usr/lib/wine/wine64 "$b" || s=1; done; exit $s' _ "${wine_benches[@]}" || status=1
fi
for s in bench/*/*.sh; do
  [ -f "$s" ] || continue
  echo "== $s"
  bash "$s" || status=1
done
exit $status
