#!/usr/bin/env bash
# Outside-in check of the two switches, the autostart entry and the clear command: Quillet.exe runs under
# Wine, its tray popup is opened with a real right click and items are chosen with the keyboard, and after
# every choice `reg query` (whose output is GBK, read through iconv) must show the registry as expected.
#
#   tests/settings/menu_registry_check.sh PATH/TO/Quillet.exe
#
# Runs inside tests/harness/with-wine.sh (DISPLAY, WINEPREFIX and QUILLET_WINE_TMP set). Exits 77 (CTest's
# "skipped") while Quillet.exe has not been built yet.
set -u
exe="${1:?usage: $0 PATH/TO/Quillet.exe}"
if [ ! -f "$exe" ]; then
  echo "SKIPPED: $exe is not built yet; this check runs once it exists"
  exit 77
fi
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ] || [ -z "${QUILLET_WINE_TMP:-}" ]; then
  echo "FAIL: run this inside tests/harness/with-wine.sh" >&2
  exit 1
fi

WINE=/usr/lib/wine/wine64
TOBRIN='HKLM\software\Tobrin'
RUN='HKLM\software\microsoft\windows\CurrentVersion\Run'
work=$(mktemp -d "$QUILLET_WINE_TMP/settings-menu.XXXXXX")
cp "$exe" "$work/Quillet.exe"
failures=0
pid=""
main_window=""

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
}
trap cleanup EXIT

reg() { "$WINE" reg "$@" </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r'; }

# "TYPE DATA" of a value as `reg query` shows it, or nothing when the key or the value is missing.
value_of() {
  local key="$1" name="$2"
  reg query "$key" | sed -n "s/^    ${name}    \(REG_[A-Z_]*\)    \(.*\)\$/\1 \2/p"
}

key_exists() { "$WINE" reg query "$1" </dev/null >/dev/null 2>&1; }

# Waits (at most 5 s) until the value reads as expected; "" expects the value to be missing.
expect_value() {
  local key="$1" name="$2" expected="$3" what="$4" actual=""
  for _ in $(seq 50); do
    actual=$(value_of "$key" "$name")
    [ "$actual" = "$expected" ] && { echo "ok: $what: $name = ${expected:-(none)}"; return 0; }
    sleep 0.1
  done
  fail "$what: $name is '${actual:-(none)}', expected '${expected:-(none)}'"
}

expect_no_key() {
  local key="$1" what="$2"
  for _ in $(seq 50); do
    key_exists "$key" || { echo "ok: $what: no key $key"; return 0; }
    sleep 0.1
  done
  fail "$what: key $key still exists"
}

start_quillet() {
  (cd "$work" && exec "$WINE" ./Quillet.exe </dev/null >/dev/null 2>&1) &
  pid=$!
  main_window=""
  for _ in $(seq 100); do
    main_window=$(xdotool search --onlyvisible --name '^Quillet　1\.0$' 2>/dev/null | head -n1)
    [ -n "$main_window" ] && break
    sleep 0.1
  done
  [ -n "$main_window" ] || { fail "Quillet's window did not appear"; exit 1; }
}

tray_window() { xdotool search --name '^Wine System Tray$' 2>/dev/null | head -n1; }

# The popup: a visible window of class Quillet.exe other than the main window.
popup_window() {
  local w
  for w in $(xdotool search --onlyvisible --class 'Quillet.exe' 2>/dev/null); do
    [ "$w" != "$main_window" ] && { echo "$w"; return; }
  done
}

# Opens the tray popup with a right click on the icon and chooses an item. Items 4 to 7 ("自动监视",
# "开机启动", "清空配置", "退出程序") are always enabled; they are reached with Up from the bottom of
# the menu, so the greyed monitoring items above them never matter.
choose() {
  local item="$1" ups tray popup=""
  case "$item" in
    自动监视) ups=4 ;;
    开机启动) ups=3 ;;
    清空配置) ups=2 ;;
    退出程序) ups=1 ;;
    *) echo "no such item: $item" >&2; exit 2 ;;
  esac
  for _ in $(seq 50); do
    tray=$(tray_window)
    [ -n "$tray" ] && break
    sleep 0.1
  done
  [ -n "$tray" ] || { fail "no tray window"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  for _ in 1 2 3; do
    # Right click on the icon, then the pointer leaves it at once: the icon's tip showing up under the
    # pointer would take the keyboard away from the menu.
    xdotool mousemove $((X + 10)) $((Y + 10)) click 3 mousemove 1000 900
    for _ in $(seq 30); do
      popup=$(popup_window)
      [ -n "$popup" ] && break 2
      sleep 0.1
    done
  done
  [ -n "$popup" ] || { fail "the tray popup did not open for $item"; exit 1; }
  local keys=()
  for _ in $(seq "$ups"); do keys+=(Up); done
  # The menu takes the keys that reach its owner, the main window, which the shell brings to the
  # foreground before it shows the popup.
  xdotool key "${keys[@]}" Return
  for _ in $(seq 50); do
    [ -z "$(popup_window)" ] && return 0
    sleep 0.1
  done
  fail "the popup did not close after choosing $item"
}

stop_quillet() {
  choose 退出程序
  local code
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "Quillet did not end after 退出程序"
    return
  fi
  wait "$pid"
  code=$?
  pid=""
  [ "$code" -eq 0 ] || fail "Quillet ended with exit code $code"
}

exe_path=$("$WINE" winepath -w "$work/Quillet.exe" </dev/null 2>/dev/null | tr -d '\r')
reg delete "$TOBRIN" /f >/dev/null
reg delete "$RUN" /v Clipboard /f >/dev/null

echo "== first start, no switches key"
start_quillet
expect_no_key "$TOBRIN" "start without a key creates none"
choose 自动监视
expect_value "$TOBRIN" 自动监视 "REG_DWORD 0x1" "自动监视 on"
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x0" "自动监视 on"
expect_value "$RUN" Clipboard "" "自动监视 on"
choose 自动监视
expect_value "$TOBRIN" 自动监视 "REG_DWORD 0x0" "自动监视 off"
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x0" "自动监视 off"

reg add "$RUN" /v Clipboard /t REG_SZ /d 'C:\旧目录\Quillet.exe' /f >/dev/null
choose 开机启动
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x1" "开机启动 on"
expect_value "$RUN" Clipboard "REG_SZ $exe_path" "开机启动 on overwrites the old path"
choose 开机启动
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x0" "开机启动 off"
expect_value "$RUN" Clipboard "" "开机启动 off"

choose 开机启动
choose 自动监视
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x1" "both on"
expect_value "$TOBRIN" 自动监视 "REG_DWORD 0x1" "both on"
expect_value "$RUN" Clipboard "REG_SZ $exe_path" "both on"
choose 清空配置
expect_no_key "$TOBRIN" "清空配置"
expect_value "$RUN" Clipboard "" "清空配置 removes the autostart entry"
choose 自动监视
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x1" "toggle after 清空配置 re-creates the key, old check mark"
expect_value "$TOBRIN" 自动监视 "REG_DWORD 0x0" "toggle after 清空配置 re-creates the key, flipped check mark"
stop_quillet

echo "== start with 自动监视 stored as 1 and 开机启动 as the text 1"
reg delete "$TOBRIN" /f >/dev/null
reg add "$TOBRIN" /v 自动监视 /t REG_DWORD /d 1 /f >/dev/null
reg add "$TOBRIN" /v 开机启动 /t REG_SZ /d 1 /f >/dev/null
start_quillet
choose 自动监视
expect_value "$TOBRIN" 自动监视 "REG_DWORD 0x0" "a stored 1 was loaded as a check mark"
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x0" "a stored text 1 was loaded as no check mark"
stop_quillet

echo "== start with both switches stored as 2"
reg add "$TOBRIN" /v 自动监视 /t REG_DWORD /d 2 /f >/dev/null
reg add "$TOBRIN" /v 开机启动 /t REG_DWORD /d 2 /f >/dev/null
start_quillet
choose 开机启动
expect_value "$TOBRIN" 开机启动 "REG_DWORD 0x1" "a stored 2 was loaded as no check mark"
expect_value "$TOBRIN" 自动监视 "REG_DWORD 0x0" "a stored 2 was loaded as no check mark"
expect_value "$RUN" Clipboard "REG_SZ $exe_path" "开机启动 on"
stop_quillet

reg delete "$TOBRIN" /f >/dev/null
reg delete "$RUN" /v Clipboard /f >/dev/null
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
