#!/usr/bin/env bash
# Installs what the build and the tests need, on Debian 12, idempotently: only what is missing is
# installed. Needs root for the apt part (CI and the developers' machines run as root).
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)

packages=(
  cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 xvfb xdotool xclip xxd locales
  imagemagick fonts-wqy-microhei mdbtools zip unzip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js and npm may come from another source than Debian's packages; only add them when absent.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [ "$(id -u)" != 0 ]; then echo "install-deps: run as root to install packages" >&2; exit 1; fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Wine runs need the zh_CN.UTF-8 locale (ANSI code page 936).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  echo "install-deps: generating zh_CN.UTF-8"
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# The independent reader mdb-reader (npm), used by the tests to check the files we write.
if [ -f "$here/tests/readers/package.json" ] && [ ! -d "$here/tests/readers/node_modules/mdb-reader" ]; then
  echo "install-deps: npm packages for tests/readers"
  (cd "$here/tests/readers" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
exit 0
