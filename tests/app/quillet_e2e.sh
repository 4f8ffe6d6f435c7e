#!/usr/bin/env bash
# The real Quillet.exe, driven from outside inside a Wine test session (tests/harness/with-wine.sh):
# a second instance shows the notice and ends with 0 while the first runs on untouched; after a kill -9
# a new start works; the real tray icon's popup stops and starts monitoring by keyboard; "退出程序"
# ends with 0 and leaves the clipboard viewer chain working for the viewer behind it.
#
#   quillet_e2e.sh QUILLET_EXE PROBE_EXE [QUILLET_DB_TOOL] [--expect-history]
# Screenshots go to $QUILLET_E2E_SHOTS when set (kept), otherwise into the temporary folder.
set -u
exe=$1 probe=$2 dbtool=${3:-} expect_history=${4:-}
WINE=/usr/lib/wine/wine64
[ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ] || { echo "run me inside tests/harness/with-wine.sh" >&2; exit 2; }

work=$(mktemp -d "${QUILLET_WINE_TMP:-/tmp}/quillet-e2e.XXXXXX")
shots=${QUILLET_E2E_SHOTS:-$work/shots}
mkdir -p "$work/app" "$shots"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.1; done
}

rows() { "$WINE" "$probe" rows 2>/dev/null | tr -d '\r'; }
rows_are() { [ "$(rows)" = "$1" ]; }
texts() { "$WINE" "$probe" texts 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8; }
# has_row TEXT / lacks_row TEXT: whether a row with that text is in the list (one clipboard change may
# be notified twice, so rows are found by their unique texts, never counted)
has_row() { texts | grep -qxF "$1"; }
lacks_row() { ! has_row "$1"; }
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! kill -0 "$1" 2>/dev/null; }
copy() { printf %s "$1" | xclip -selection clipboard >/dev/null 2>&1; }  # its server keeps no pipe of ours
viewer_saw() { iconv -f GBK -t UTF-8 "$work/viewer.log" 2>/dev/null | grep -qxF "$1"; }
main_window() { xdotool search --onlyvisible --name '^Quillet' 2>/dev/null | head -1; }
has_main_window() { [ -n "$(main_window)" ]; }
db_sum() { [ -f "$work/app/Data.mdb" ] && md5sum < "$work/app/Data.mdb" || echo none; }

cp "$exe" "$work/app/Quillet.exe"
if [ -n "$dbtool" ] && [ -e "$dbtool" ]; then
  case "$dbtool" in
    *.exe) "$WINE" "$dbtool" create "$work/app/Data.mdb" </dev/null >/dev/null 2>&1 ;;
    *) "$dbtool" create "$work/app/Data.mdb" >/dev/null 2>&1 ;;
  esac
  [ -f "$work/app/Data.mdb" ] || fail "a fresh Data.mdb is made with $dbtool"
fi
# Automatic monitoring on: every start joins the viewer chain.
"$WINE" reg add 'HKLM\software\Tobrin' /v 自动监视 /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1

start_quillet() {
  (cd "$work/app" && exec "$WINE" "$work/app/Quillet.exe" </dev/null >/dev/null 2>&1) &
  last_pid=$!
  pids+=("$last_pid")
}

# --- first instance, with two captures
start_quillet; first=$last_pid
check "the first instance shows its window" wait_for 15 has_main_window
copy "e2e warm-up"  # the clipboard bridge settles on a first text
wait_for 5 has_row "e2e warm-up"
copy "e2e 第一条 one"
check "a clipboard text gives a row" wait_for 5 has_row "e2e 第一条 one"
copy "e2e 第二条 two"
check "and the next one another" wait_for 5 has_row "e2e 第二条 two"
import -window root "$shots/window-with-rows.png"
rows_before=$(texts | md5sum)

# --- a second instance: the notice, OK, exit code 0; the first one untouched
sum_before=$(db_sum)
start_quillet; second=$last_pid
notice=""
find_notice() { notice=$(xdotool search --onlyvisible --name '^提示$' 2>/dev/null | head -1); [ -n "$notice" ]; }
check "a second instance shows the notice captioned 提示" wait_for 10 find_notice
import -window root "$shots/second-instance-notice.png"
[ -n "$notice" ] && xdotool windowfocus --sync "$notice" key Return
check "the second instance ends after OK" wait_for 10 gone "$second"
rc=none; gone "$second" && { wait "$second"; rc=$?; }
check "the second instance's exit code is 0 (got $rc)" test "$rc" = 0
check "the first instance runs on" alive "$first"
check "the first instance keeps its rows" test "$(texts | md5sum)" = "$rows_before"
check "Data.mdb is untouched by the second instance" test "$(db_sum)" = "$sum_before"
copy "e2e 第三条 three"
check "the first instance still captures" wait_for 5 has_row "e2e 第三条 three"

# --- kill -9, a viewer of our own, and a new start (the abandoned mutex)
kill -9 "$first"; wait "$first" 2>/dev/null
"$WINE" "$probe" viewer "$work/viewer.log" 120 </dev/null >/dev/null 2>&1 &
viewer=$!; pids+=("$viewer")
wait_for 10 test -s "$work/viewer.log"
start_quillet; third=$last_pid
check "after kill -9 a new start shows its window" wait_for 15 has_main_window
sleep 0.5
check "and no notice" test -z "$(xdotool search --onlyvisible --name '^提示$' 2>/dev/null)"
if [ "$expect_history" = --expect-history ]; then
  loaded() { has_row "e2e 第一条 one" && has_row "e2e 第二条 two" && has_row "e2e 第三条 three"; }
  check "the new start loads the rows from Data.mdb" wait_for 10 loaded
fi
copy "e2e 第四条 four"
check "the new instance captures" wait_for 5 has_row "e2e 第四条 four"
check "the viewer behind it sees the change" wait_for 5 viewer_saw "e2e 第四条 four"

# --- the real tray icon: right click, the popup, keyboard
tray=$(xdotool search --name '^Wine System Tray$' 2>/dev/null | head -1)
check "the tray window is there" test -n "$tray"
popup=""
find_popup() {
  popup=""
  for w in $(xdotool search --onlyvisible --class 'Quillet.exe' 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && popup=$w
  done
  [ -n "$popup" ]
}
# open_popup: right click on our icon (the first in the tray), the pointer moved off it at once (so no
# tip shows), then wait for the popup
open_popup() {
  xdotool mousemove --window "$tray" 10 10 click 3 mousemove 700 700
  wait_for 5 find_popup
}
popup_closed() { ! find_popup; }
# choose [--shot] KEYS...: opens the popup and presses the keys in it. The program brings its window
# to the foreground before the popup opens, so while the window is shown the keys go to it; a hidden
# window cannot take the X focus, and the popup itself is given the focus instead.
choose() {
  open_popup || { fail "the popup opens on a right click"; return 1; }
  if [ "${1:-}" = --shot ]; then shift; sleep 0.3; import -window root "$shots/popup.png"; fi
  if [ "$(xdotool getwindowfocus 2>/dev/null)" != "$(main_window)" ]; then
    xdotool windowfocus --sync "$popup"
  fi
  xdotool key --delay 80 "$@"
  wait_for 5 popup_closed || fail "the popup closes after $*"
}
# Items: 显示窗口, 开始监视 (greyed while monitoring), 停止监视, 自动监视, 开机启动, 清空配置, 退出程序
choose --shot Down Down Down Return
copy "e2e 第五条 five"
check "the viewer still sees changes after 停止监视" wait_for 5 viewer_saw "e2e 第五条 five"
sleep 0.5
check "after 停止监视 nothing is captured" lacks_row "e2e 第五条 five"
choose Down Down Return
copy "e2e 第六条 six"
check "after 开始监视 the next change is captured" wait_for 5 has_row "e2e 第六条 six"
check "and the viewer behind sees it" wait_for 5 viewer_saw "e2e 第六条 six"

# --- 退出程序 while monitoring: exit code 0, the viewer chain goes on
choose Up Return
check "退出程序 ends the program" wait_for 10 gone "$third"
rc=none; gone "$third" && { wait "$third"; rc=$?; }
check "its exit code is 0 (got $rc)" test "$rc" = 0
copy "e2e 第七条 seven"
check "after the exit the viewer keeps receiving clipboard changes" wait_for 5 viewer_saw "e2e 第七条 seven"
check "no Quillet window is left" test -z "$(main_window)"

echo "screenshots: $shots"
[ $failures = 0 ] && echo "all checks passed" || echo "$failures check(s) failed"
[ $failures = 0 ]
