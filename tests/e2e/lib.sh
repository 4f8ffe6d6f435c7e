# shellcheck shell=bash disable=SC2034
# Shared steps of the acceptance scenarios (sourced, not run). A scenario calls e2e_begin with its name
# and its arguments, then drives Quillet only from outside: xclip (clipboard), xdotool (tray icon,
# popup menu, window, message box), `reg` (registry), mdb-json and mdb-reader (Data.mdb), and the small
# helper programs of this folder (list_reader, file_locker, chain_viewer) playing other programs.
#
# Every check prints one line, "PASS: ..." or "FAIL: ..."; e2e_end prints the summary and gives the
# scenario's exit code (0 only when every check passed; 77, CTest's "skipped", when the session or the
# package is missing). Every wait is bounded; every process started here is ended and waited for.
#
# QUILLET_E2E_SHOTS=DIR keeps the screenshots there (window.png is the README's picture), and the run
# folder of a scenario that failed.
set -u

WINE=/usr/lib/wine/wine64
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_TITLE='Quillet　1.0'
E2E_TITLE_PATTERN='^Quillet　1\.0$'
E2E_SWITCHES_KEY='HKLM\software\Tobrin'
E2E_RUN_KEY='HKLM\software\microsoft\windows\CurrentVersion\Run'

e2e_failures=0
e2e_checks=0
e2e_popups=0
e2e_pids=()        # every background process started here
e2e_xclip_pids=()  # the xclip processes that serve the clipboard texts
QPID=""            # the running Quillet.exe (the wine64 process)
QWIN=""            # its main window (X window id)

# ---------------------------------------------------------------- results

pass() {
  e2e_checks=$((e2e_checks + 1))
  echo "PASS: $*"
}
fail() {
  e2e_checks=$((e2e_checks + 1))
  e2e_failures=$((e2e_failures + 1))
  echo "FAIL: $*"
}
info() { echo "INFO: $*"; }
# check DESCRIPTION COMMAND...: one result line from the command's exit status.
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
not() { ! "$@"; }
# check_eq DESCRIPTION ACTUAL EXPECTED
check_eq() {
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1 (got '$2', expected '$3')"; fi
}
# A failed step after which the scenario cannot go on.
abort() {
  fail "$*"
  e2e_end
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails after SECONDS.
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

# holds_for SECONDS COMMAND...: COMMAND keeps succeeding for SECONDS (checked every 0.2 s). Used only
# where nothing must happen, after a change that would have shown within that time.
holds_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    "$@" || return 1
    sleep 0.2
  done
  "$@"
}

# ---------------------------------------------------------------- set-up and clean-up

# e2e_begin NAME ARGS...: reads the scenario's arguments, makes the run folder, unpacks the package into
# it ($APP holds Quillet.exe and the package's fresh Data.mdb) and resets the program's registry values.
e2e_begin() {
  E2E_NAME=$1
  shift
  PACKAGE="" LIST_READER="" FILE_LOCKER="" CHAIN_VIEWER="" QUILLET_DB="" QUILLET_DB_NATIVE="" FIXTURES=""
  READERS=""
  while [ $# -gt 0 ]; do
    case "$1" in
      --package) PACKAGE=$2 ;;
      --list-reader) LIST_READER=$2 ;;
      --file-locker) FILE_LOCKER=$2 ;;
      --chain-viewer) CHAIN_VIEWER=$2 ;;
      --quillet-db) QUILLET_DB=$2 ;;
      --quillet-db-native) QUILLET_DB_NATIVE=$2 ;;
      --fixtures) FIXTURES=$2 ;;
      --readers) READERS=$2 ;;
      *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
    shift 2
  done
  echo "== $E2E_NAME"
  if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ] || [ -z "${QUILLET_WINE_TMP:-}" ]; then
    echo "SKIPPED: needs the Wine session of tests/harness/with-wine.sh (make e2e)"
    exit 77
  fi
  if [ ! -f "$PACKAGE" ]; then
    echo "SKIPPED: the package $PACKAGE is not built (make dist)"
    exit 77
  fi
  local tool
  for tool in xclip xdotool mdb-json node unzip iconv sha256sum import convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing tool $tool (tools/setup/install-deps.sh)"; exit 1; }
  done
  RUN=$(mktemp -d "$QUILLET_WINE_TMP/e2e-$E2E_NAME.XXXXXX")
  SHOTS=${QUILLET_E2E_SHOTS:-$RUN/shots}
  mkdir -p "$SHOTS"
  trap e2e_cleanup EXIT
  trap 'exit 143' TERM
  trap 'exit 130' INT
  unzip -q "$PACKAGE" -d "$RUN" || abort "the package unpacks"
  APP=$RUN/Quillet
  [ -f "$APP/Quillet.exe" ] && [ -f "$APP/Data.mdb" ] || abort "the package holds Quillet.exe and Data.mdb"
  FRESH_DB=$RUN/fresh-Data.mdb
  cp "$APP/Data.mdb" "$FRESH_DB"
  EXE_WINPATH=$(win_path "$APP/Quillet.exe")
  clear_configuration
}

e2e_cleanup() {
  local p
  [ -n "${VIEWER_STOP:-}" ] && touch "$VIEWER_STOP"
  [ -n "${LOCK_STOP:-}" ] && touch "$LOCK_STOP"
  [ -n "$QPID" ] && e2e_pids+=("$QPID")
  for p in "${e2e_pids[@]}" "${e2e_xclip_pids[@]}"; do
    kill "$p" 2>/dev/null
  done
  for p in "${e2e_pids[@]}" "${e2e_xclip_pids[@]}"; do
    for _ in $(seq 30); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  clear_configuration
  [ -n "${E2E_SCRATCH:-}" ] && rm -rf "$E2E_SCRATCH"
  # With QUILLET_E2E_SHOTS set, a failed scenario's run folder is kept there for a look.
  if [ -n "${QUILLET_E2E_SHOTS:-}" ] && [ "$e2e_failures" -gt 0 ]; then
    rm -rf "$SHOTS/run-$E2E_NAME"
    cp -r "$RUN" "$SHOTS/run-$E2E_NAME" 2>/dev/null
  fi
  rm -rf "$RUN"
}

# e2e_end: the summary line and the exit code.
e2e_end() {
  if [ "$e2e_failures" -eq 0 ]; then
    echo "== $E2E_NAME: all $e2e_checks checks passed"
    exit 0
  fi
  echo "== $E2E_NAME: $e2e_failures of $e2e_checks checks FAILED"
  exit 1
}

# screenshot NAME: the whole screen, kept as $SHOTS/NAME.png.
screenshot() { import -window root "$SHOTS/$1.png" 2>/dev/null; }

# ---------------------------------------------------------------- Quillet itself

# quillet_start: starts $APP/Quillet.exe as a user would (its folder as the working directory). Does not
# wait: see quillet_wait_window.
quillet_start() {
  QWIN=""
  (cd "$APP" && exec "$WINE" ./Quillet.exe </dev/null >>"$RUN/quillet.log" 2>&1) &
  QPID=$!
}

main_window() { xdotool search --onlyvisible --name "$E2E_TITLE_PATTERN" 2>/dev/null | head -n1; }
no_main_window() { [ -z "$(main_window)" ]; }
has_main_window() {
  QWIN=$(main_window)
  [ -n "$QWIN" ]
}
quillet_wait_window() { wait_for "${1:-20}" has_main_window; }
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! kill -0 "$1" 2>/dev/null; }

# quillet_wait_exit SECONDS: waits for $QPID to end; sets QUILLET_RC (or "running").
quillet_wait_exit() {
  QUILLET_RC=running
  wait_for "$1" ended "$QPID" || return 1
  wait "$QPID"
  QUILLET_RC=$?
  QPID=""
  return 0
}

# quillet_exit: "退出程序" from the tray popup; checks that the process ends with exit code 0.
quillet_exit() {
  local what=${1:-"退出程序"}
  if ! choose_item 7; then
    fail "$what: the item 退出程序 could be chosen"
    return 1
  fi
  if ! quillet_wait_exit 15; then
    fail "$what: Quillet ends after 退出程序"
    return 1
  fi
  check_eq "$what: Quillet ends with exit code 0" "$QUILLET_RC" 0
}

# quillet_kill: kill -9, as a crash or the task manager would; returns the exit status seen.
quillet_kill() {
  kill -9 "$QPID" 2>/dev/null
  wait "$QPID" 2>/dev/null
  QUILLET_RC=$?
  QPID=""
}

# list_rows [FIRST [END [STEP]]]: Quillet's list as JSON lines (list_reader.exe), "" when it cannot be read.
list_rows() { "$WINE" "$LIST_READER" rows "$@" </dev/null 2>/dev/null | tr -d '\r'; }
list_count() { "$WINE" "$LIST_READER" count </dev/null 2>/dev/null | tr -d '\r\n'; }
list_count_is() { [ "$(list_count)" = "$1" ]; }
list_count_at_least() {
  local n
  n=$(list_count)
  [ -n "$n" ] && [ "$n" -ge "$1" ]
}
# row_centre ROW: screen coordinates "X Y" of the middle of the row's first cell.
row_centre() {
  local left top right bottom
  read -r left top right bottom < <("$WINE" "$LIST_READER" rect "$1" </dev/null 2>/dev/null | tr -d '\r')
  [ -n "${bottom:-}" ] || return 1
  echo "$(((left + right) / 2)) $(((top + bottom) / 2))"
}
# double_click_row ROW: a real double-click with the mouse on the row.
double_click_row() {
  local xy
  xy=$(row_centre "$1") || return 1
  # shellcheck disable=SC2086
  xdotool mousemove $xy sleep 0.1 click --repeat 2 --delay 80 1
}

# ---------------------------------------------------------------- tray icon and popup menu

tray_window() { xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -n1; }
has_tray() { [ -n "$(tray_window)" ]; }

# The popup: a visible window of class Quillet.exe without a name (the main window and the message box
# have theirs).
popup_window() {
  local w
  for w in $(xdotool search --onlyvisible --class 'Quillet.exe' 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && { echo "$w"; return 0; }
  done
  return 1
}
popup_open() { [ -n "$(popup_window)" ]; }
popup_closed() { ! popup_open; }

# open_popup: a right click on the program's icon, the first one in the tray window; sets POPUP and the
# popup's geometry (PX PY PW PH). A click on an icon left behind by a killed process makes the tray drop
# it, and the next click then reaches the icon of the running program.
open_popup() {
  local tray attempt
  POPUP=""
  wait_for 10 has_tray || return 1
  for attempt in 1 2 3 4; do
    tray=$(tray_window)
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    xdotool mousemove $((X + 10)) $((Y + 10)) click 3
    if wait_for 3 popup_open; then
      POPUP=$(popup_window)
      eval "$(xdotool getwindowgeometry --shell "$POPUP")"
      PX=$X PY=$Y PW=$WIDTH PH=$HEIGHT
      # The pointer leaves the icon, so that its tip does not cover the menu.
      xdotool mousemove $((PX + PW + 150)) $((PY + PH + 150))
      return 0
    fi
  done
  return 1
}

# The middle of item N (1..7) of the open popup. The seven items are of equal height.
item_y() { echo $((PY + PH * (2 * $1 - 1) / 14)); }

# close_popup: Escape, as a user would.
close_popup() {
  [ -n "$POPUP" ] && xdotool windowfocus --sync "$POPUP" key Escape 2>/dev/null
  wait_for 3 popup_closed
}

# click_item N: clicks item N of the open popup; succeeds when the popup closes, i.e. the item was
# enabled and its command ran.
click_item() {
  xdotool mousemove $((PX + PW / 2)) "$(item_y "$1")" sleep 0.1 click 1
  wait_for 3 popup_closed
}

# choose_item N: opens the popup and chooses item N (a disabled item leaves the popup open: then the
# popup is closed with Escape and the result is failure).
choose_item() {
  open_popup || return 1
  if click_item "$1"; then
    sleep 0.2  # the command runs as the popup closes
    return 0
  fi
  close_popup
  return 1
}

# The popup as the user sees it: `popup_shot` keeps a picture of the open popup; `item_states` then tells
# from its pixels, for each of the seven items, whether it is enabled or greyed and whether it has a
# check mark: "enabled unchecked", "greyed checked", ... Enabled text is drawn black (anti-aliased: many
# pixels darker than 45 % grey); greyed text in mid grey, none of it darker than 50 %; a check mark is
# black, left of the text.
popup_shot() {
  sleep 0.3
  import -window root "$RUN/popup-now.png" 2>/dev/null
  [ -n "${QUILLET_E2E_SHOTS:-}" ] && cp "$RUN/popup-now.png" "$SHOTS/popup-$E2E_NAME-$((++e2e_popups)).png"
  convert "$RUN/popup-now.png" -crop "${PW}x${PH}+${PX}+${PY}" +repage -colorspace Gray -depth 8 \
    "gray:$RUN/popup-now.gray" 2>/dev/null
}
item_states() {
  node -e '
    const [file, w, h] = [process.argv[1], Number(process.argv[2]), Number(process.argv[3])];
    const px = require("fs").readFileSync(file);
    const dark = (x0, y0, cw, ch) => {
      let n = 0;
      for (let y = y0; y < y0 + ch; y++) for (let x = x0; x < x0 + cw; x++) if (px[y * w + x] < 115) n++;
      return n;
    };
    const itemH = Math.floor(h / 7);
    for (let i = 1; i <= 7; i++) {
      const top = Math.floor(h * (2 * i - 1) / 14) - Math.floor(itemH / 2) + 1;
      const text = dark(20, top, w - 24, itemH - 2), mark = dark(3, top, 15, itemH - 2);
      console.log(`${text > 10 ? "enabled" : "greyed"} ${mark > 4 ? "checked" : "unchecked"}`);
    }' "$RUN/popup-now.gray" "$PW" "$PH" 2>/dev/null
}
# check_menu WHAT "STATE1" ... "STATE7": opens the popup, compares each item's state, closes it.
check_menu() {
  local what=$1 actual expected
  shift
  if ! open_popup; then
    fail "$what: the tray popup opens"
    return 1
  fi
  expected=$(printf '%s|' "$@")
  # A popup still being painted reads wrong: up to three pictures, a moment apart.
  for _ in 1 2 3; do
    popup_shot
    actual=$(item_states | tr '\n' '|')
    [ "$actual" = "$expected" ] && break
  done
  close_popup
  check_eq "$what: the popup's items" "$actual" "$expected"
}

# ---------------------------------------------------------------- the clipboard

# clip_set_file FILE: an X program (xclip) takes the clipboard with the UTF-8 text of FILE and serves it.
clip_set_file() {
  xclip -selection clipboard -quiet -i "$1" >/dev/null 2>&1 &
  e2e_xclip_pids+=($!)
}
clip_set() {
  local file
  file=$(mktemp "$RUN/clip.XXXXXX")
  printf '%s' "$1" >"$file"
  clip_set_file "$file"
}
# clip_get: the clipboard's text as an X program reads it (UTF-8), within 5 s.
clip_get() { timeout 5 xclip -selection clipboard -o 2>/dev/null; }
clip_is() { [ "$(clip_get; echo x)" = "$1"x ]; }

# ---------------------------------------------------------------- the registry

reg_cmd() { "$WINE" reg "$@" </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r'; }
# reg_value KEY NAME: "TYPE DATA" as `reg query` shows it, "" when the key or the value is missing.
reg_value() {
  reg_cmd query "$1" | sed -n "s/^    $2    \(REG_[A-Z_]*\)    \(.*\)\$/\1 \2/p"
}
reg_key_exists() { "$WINE" reg query "$1" </dev/null >/dev/null 2>&1; }
reg_value_is() { [ "$(reg_value "$1" "$2")" = "$3" ]; }
clear_configuration() {
  "$WINE" reg delete "$E2E_SWITCHES_KEY" /f </dev/null >/dev/null 2>&1
  "$WINE" reg delete "$E2E_RUN_KEY" /v Clipboard /f </dev/null >/dev/null 2>&1
}
win_path() { "$WINE" winepath -w "$1" </dev/null 2>/dev/null | tr -d '\r'; }

# ---------------------------------------------------------------- Data.mdb

sha() { if [ -e "$1" ]; then sha256sum <"$1" | cut -c1-64; else echo missing; fi; }
# db_count FILE: the records of table Data, as mdb-json counts them ("" when it cannot read the file).
db_count() { mdb-json "$1" Data 2>/dev/null | grep -c '^{'; }
db_count_is() { [ "$(db_count "$1")" = "$2" ]; }

# read_db FILE OUT: what both independent readers see of table Data: OUT.mdb-json, OUT.mdb-reader.
read_db() {
  mdb-json "$1" Data >"$2.mdb-json" 2>/dev/null
  node "$READERS/dump.mjs" "$1" Data >"$2.mdb-reader" 2>/dev/null
}

# history_check LABEL ARGS...: history_check.mjs, its PASS and FAIL lines counted as checks here.
history_check() {
  local line
  while IFS= read -r line; do
    case "$line" in
      PASS:*) e2e_checks=$((e2e_checks + 1)); echo "$line" ;;
      FAIL:*) e2e_checks=$((e2e_checks + 1)); e2e_failures=$((e2e_failures + 1)); echo "$line" ;;
      *) echo "$line" ;;
    esac
  done < <(node "$E2E_DIR/history_check.mjs" "$@" 2>&1)
}

# import_history FILE: appends the JSON lines of stdin ({"id","time","text"}) with quillet-db (the native
# build when it is there, else this tree's under Wine). The engine flushes the file after every record;
# the import runs on a RAM disk when there is one, where a flush costs nothing, and the result is copied
# into place.
import_history() {
  local scratch=$RUN/import rc
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch=$(mktemp -d /dev/shm/quillet-e2e.XXXXXX)
    E2E_SCRATCH=$scratch
  fi
  mkdir -p "$scratch"
  cp "$1" "$scratch/import.mdb"
  if [ -x "$QUILLET_DB_NATIVE" ]; then
    "$QUILLET_DB_NATIVE" import "$scratch/import.mdb" >/dev/null 2>"$RUN/import.err"
  else
    "$WINE" "$QUILLET_DB" import "Z:$scratch/import.mdb" >/dev/null 2>"$RUN/import.err"
  fi
  rc=$?
  [ $rc -eq 0 ] && cp "$scratch/import.mdb" "$1"
  rm -rf "$scratch"
  return $rc
}

# ---------------------------------------------------------------- other programs on the desktop

# viewer_start LOG: a clipboard viewer of its own process joins the chain (chain_viewer.exe).
viewer_start() {
  VIEWER_LOG=$1
  VIEWER_STOP=$1.stop
  "$WINE" "$CHAIN_VIEWER" "$(win_path "$VIEWER_LOG")" "$(win_path "$VIEWER_STOP")" 170 \
    </dev/null >/dev/null 2>&1 &
  VIEWER_PID=$!
  e2e_pids+=("$VIEWER_PID")
  wait_for 15 grep -qx ready "$VIEWER_LOG" 2>/dev/null
}
viewer_stop() {
  touch "$VIEWER_STOP"
  wait_for 10 ended "$VIEWER_PID"
}
# viewer_mark: how many lines the viewer has logged so far (for viewer_saw's AFTER).
viewer_mark() { wc -l <"$VIEWER_LOG"; }
# viewer_saw TEXT_FILE [AFTER]: the viewer has logged a notification (after its first AFTER lines)
# whose text is that of the file, line breaks as Windows has them (CR LF).
viewer_saw() {
  node -e '
    const fs = require("fs");
    const want = fs.readFileSync(process.argv[2], "utf8").replace(/\r?\n/g, "\r\n");
    const seen = fs.readFileSync(process.argv[1], "utf8").split("\n").slice(Number(process.argv[3]))
      .filter(l => l.startsWith("{")).map(l => JSON.parse(l).text);
    process.exit(seen.includes(want) ? 0 : 1);' "$VIEWER_LOG" "$1" "${2:-0}" 2>/dev/null
}

# lock_start FILE: another process holds FILE open with share mode 0 (file_locker.exe).
lock_start() {
  LOCK_READY=$RUN/lock.ready
  LOCK_STOP=$RUN/lock.stop
  rm -f "$LOCK_READY" "$LOCK_STOP"
  "$WINE" "$FILE_LOCKER" "$(win_path "$1")" "$(win_path "$LOCK_READY")" "$(win_path "$LOCK_STOP")" 170 \
    </dev/null >/dev/null 2>&1 &
  LOCK_PID=$!
  e2e_pids+=("$LOCK_PID")
  wait_for 15 test -f "$LOCK_READY"
}
lock_stop() {
  touch "$LOCK_STOP"
  wait_for 10 ended "$LOCK_PID"
}

# no_message_box: no "提示" box and no other window of the program than its main window and popup.
no_message_box() {
  local w
  for w in $(xdotool search --onlyvisible --class 'Quillet.exe' 2>/dev/null); do
    [ "$w" = "$QWIN" ] && continue
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && continue
    return 1
  done
  [ -z "$(xdotool search --onlyvisible --name '^提示$' 2>/dev/null)" ]
}
