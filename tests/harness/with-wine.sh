#!/usr/bin/env bash
# Runs a command inside a Wine session of its own: a private Xvfb display, a fresh Wine prefix under
# /tmp, a running wineserver and one keeper process. Everything it starts is stopped afterwards, and the
# command's exit code is returned.
#
#   tests/harness/with-wine.sh [--keeper PATH] -- COMMAND [ARGS...]
#
# Inside, these are set: DISPLAY, WINEPREFIX, WINEDEBUG, WINEARCH, WINEDLLOVERRIDES, LC_ALL/LANG
# (zh_CN.UTF-8, so the ANSI code page is 936), QUILLET_WINE_TMP (a scratch folder removed at the end).
set -u
keeper=""
while [ $# -gt 0 ]; do
  case "$1" in
    --keeper) keeper="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--keeper PATH] -- COMMAND..." >&2; exit 2; }

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 LANGUAGE=en
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
tmp=$(mktemp -d /tmp/quillet-wine.XXXXXX)
export QUILLET_WINE_TMP="$tmp"
export WINEPREFIX="$tmp/prefix"
mkdir -p "$WINEPREFIX"

xvfb_pid=""
keeper_pid=""
cleanup() {
  [ -n "$keeper_pid" ] && kill "$keeper_pid" 2>/dev/null
  "$WINESERVER" -k 2>/dev/null
  sleep 0.2
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${QUILLET_USE_DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
  [ -s "$tmp/display" ] || { echo "with-wine: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$tmp/display")"
fi

"$WINESERVER" -p
"$WINE" wineboot -i </dev/null >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
if [ -n "$keeper" ]; then
  "$WINE" "$keeper" </dev/null >/dev/null 2>&1 &
  keeper_pid=$!
fi
sleep 0.5

"$@"
rc=$?
exit $rc
