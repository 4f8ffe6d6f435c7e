#!/usr/bin/env bash
# Builds the release packages dist/Quillet-1.0-win32.zip and dist/Quillet-1.0-win64.zip: Quillet.exe,
# a freshly created empty Data.mdb and README.txt (Chinese and English, UTF-8 with a byte-order mark so
# that Notepad shows it right).
set -eu
cd "$(dirname "$0")/.."
version=1.0
db_tool=build/native/bin/quillet-db
[ -x "$db_tool" ] || { echo "make-dist: $db_tool is missing (make native)" >&2; exit 1; }
mkdir -p dist
for arch in win32 win64; do
  exe=build/$arch/bin/Quillet.exe
  [ -f "$exe" ] || { echo "make-dist: $exe is missing (make $arch)" >&2; exit 1; }
  stage=$(mktemp -d)
  mkdir "$stage/Quillet"
  cp "$exe" "$stage/Quillet/Quillet.exe"
  "$db_tool" create "$stage/Quillet/Data.mdb" >/dev/null
  { printf '\xef\xbb\xbf'; sed 's/$/\r/' res/dist/README.txt; } > "$stage/Quillet/README.txt"
  zip_path="$PWD/dist/Quillet-$version-$arch.zip"
  rm -f "$zip_path"
  (cd "$stage" && zip -q -X -r "$zip_path" Quillet)
  rm -rf "$stage"
  echo "dist/Quillet-$version-$arch.zip"
done
