#!/usr/bin/env bash
# Runs every test of the native tree and, under Wine, of the win64 tree. The win32 tree is only built.
set -u
cd "$(dirname "$0")/.."
status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure || status=1
echo "== win64 tests (under Wine)"
tests/harness/with-wine.sh --keeper build/win64/bin/wine-keeper.exe -- \
  ctest --test-dir build/win64 --output-on-failure || status=1
[ -x build/win32/bin/Quillet.exe ] || [ -f build/win32/bin/Quillet.exe ] || echo "note: build/win32/bin/Quillet.exe not built yet"
exit $status
