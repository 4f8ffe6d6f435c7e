#!/usr/bin/env bash
# Fuzzes the Jet engine's reader for SECONDS seconds (default 60): builds build/fuzz with clang and
# libFuzzer (ASan + UBSan), seeds a work corpus under build/fuzz with the fixtures and fuzz/regressions/,
# and runs jet_fuzzer. Exits non-zero on a finding; the input is copied to fuzz/regressions/ so that it
# becomes a regression test (commit it after fixing the engine).
set -u
seconds=${1:-60}
cd "$(dirname "$0")/.."
root=$PWD
fixtures=${QUILLET_FIXTURE_DIR:-$root/../shared/fixtures/jet4}
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" -j "$(nproc)" --target jet_fuzzer >/dev/null || exit 1

corpus=$build/corpus/jet
artifacts=$build/artifacts/jet
mkdir -p "$corpus" "$artifacts"
rm -f "$artifacts"/*
cp -f "$fixtures"/*.mdb "$corpus"/ 2>/dev/null || echo "run-fuzz: no fixtures in $fixtures" >&2
for f in fuzz/regressions/*; do
  case "$f" in *.md) continue ;; esac
  [ -f "$f" ] && cp -f "$f" "$corpus/"
done

echo "run-fuzz: jet_fuzzer for ${seconds}s"
"$build/bin/jet_fuzzer" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=400000 -artifact_prefix="$artifacts/" -print_final_stats=1 2>"$build/jet_fuzzer.log"
status=$?
tail -n 15 "$build/jet_fuzzer.log"
if [ $status -ne 0 ]; then
  for a in "$artifacts"/*; do
    [ -f "$a" ] || continue
    name=$(basename "$a")
    cp -f "$a" "fuzz/regressions/$name"
    echo "run-fuzz: finding kept as fuzz/regressions/$name" >&2
  done
  grep -m1 -A20 "ERROR:\|==ERROR\|runtime error" "$build/jet_fuzzer.log" >&2
  exit 1
fi
exit 0
