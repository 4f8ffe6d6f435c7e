#!/usr/bin/env bash
# `make run`: starts the win64 Quillet.exe under Wine in the run folder run/ (kept between runs, not in
# git), with a Wine prefix of its own there and the zh_CN.UTF-8 locale (code page 936). Quillet.exe is
# copied in on every run; Data.mdb is made fresh only when run/Data.mdb does not exist yet.
# With DISPLAY set, Quillet shows on that display; otherwise on an Xvfb started here, and the script
# says how to look at it. The script waits until Quillet exits (its menu's "退出程序") or Ctrl-C.
set -u
cd "$(dirname "$0")/.."
root=$PWD
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
exe=build/win64/bin/Quillet.exe
[ -f "$exe" ] || { echo "run-quillet: $exe is missing (make win64)" >&2; exit 1; }

run=$root/run
mkdir -p "$run/prefix"
export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 LANGUAGE=en
export WINEPREFIX=$run/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

xvfb_pid=""
stop() {
  [ -n "${quillet_pid:-}" ] && kill "$quillet_pid" 2>/dev/null
  if [ -n "$xvfb_pid" ]; then
    "$WINESERVER" -k 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
  fi
  wait 2>/dev/null
}
trap stop EXIT
trap 'exit 130' INT TERM

managed=Y
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$run/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.05; done
  [ -s "$run/display" ] || { echo "run-quillet: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$run/display")"
  managed=N  # no window manager on the Xvfb
fi

"$WINESERVER" -p
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run-quillet: making the Wine prefix run/prefix (once, about 10 s)"
fi
"$WINE" wineboot -i </dev/null >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f </dev/null >/dev/null 2>&1

cp "$exe" "$run/Quillet.exe"
if [ ! -f "$run/Data.mdb" ]; then
  if [ -x build/native/bin/quillet-db ]; then
    build/native/bin/quillet-db create "$run/Data.mdb" >/dev/null
  elif [ -f build/win64/bin/quillet-db.exe ]; then
    "$WINE" build/win64/bin/quillet-db.exe create "Z:$(printf %s "$run/Data.mdb" | tr / '\\')" </dev/null >/dev/null 2>&1
  fi
  [ -f "$run/Data.mdb" ] && echo "run-quillet: made a fresh run/Data.mdb" ||
    echo "run-quillet: no quillet-db to make Data.mdb with yet; the history will not be stored" >&2
fi

(cd "$run" && exec "$WINE" "$run/Quillet.exe" </dev/null >/dev/null 2>&1) &
quillet_pid=$!
echo "run-quillet: Quillet runs on DISPLAY=$DISPLAY (run folder: run/, Wine prefix: run/prefix)"
if [ -n "$xvfb_pid" ]; then
  cat <<HOW
  Look at it:       import -display $DISPLAY -window root shot.png
  Copy a text:      printf %s 'some text' | DISPLAY=$DISPLAY xclip -selection clipboard
  Open the tray menu: DISPLAY=$DISPLAY xdotool search --name 'Wine System Tray' mousemove --window %1 10 10 click 3
  Stop with Ctrl-C, or choose "退出程序" in the tray menu.
HOW
fi
wait "$quillet_pid"
rc=$?
quillet_pid=""
echo "run-quillet: Quillet exited with code $rc"
exit $rc
