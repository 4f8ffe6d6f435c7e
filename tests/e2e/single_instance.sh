#!/usr/bin/env bash
# One instance at a time: a second start while Quillet runs shows the notice (caption "提示"), ends with
# exit code 0 once it is closed, and leaves the first instance, its window, its list and Data.mdb as
# they were. After a kill -9 of the running instance a new start runs normally (no notice) and loads
# what had been stored.
#
#   single_instance.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin single_instance "$@"

T=$RUN/texts
mkdir -p "$T"
# Texts a user might copy (the window with them is the README's picture).
printf '%s' '会议纪要：周五下午三点，二楼会议室' >"$T/0"
printf '%s' 'https://example.com/quillet/download' >"$T/1"
printf '%s' 'Hello from Quillet — 剪贴板历史，双击一行即可复制回去' >"$T/2"
printf '%s' '收件人：张三，北京市海淀区中关村大街 1 号' >"$T/3"

notice_window() { xdotool search --onlyvisible --name '^提示$' 2>/dev/null | head -n1; }
has_notice() { [ -n "$(notice_window)" ]; }
main_windows() { xdotool search --onlyvisible --name "$E2E_TITLE_PATTERN" 2>/dev/null | wc -l; }

quillet_start
first=$QPID
quillet_wait_window 20 || abort "the first instance shows its window"
first_window=$QWIN
choose_item 2 || fail "开始监视 can be chosen"
clip_set_file "$T/0"
check "the first instance captures" wait_for 10 list_count_is 1
db_sum=$(sha "$APP/Data.mdb")
rows_before=$(list_rows)

# ---- the second start
(cd "$APP" && exec "$WINE" ./Quillet.exe </dev/null >>"$RUN/second.log" 2>&1) &
second=$!
e2e_pids+=("$second")
check "a second start shows the notice captioned 提示" wait_for 15 has_notice
notice=$(notice_window)
screenshot second-instance-notice
check "the second instance shows no window of its own" test "$(main_windows)" = 1
check "the second instance waits while its notice is open" running "$second"
if [ -n "$notice" ]; then
  eval "$(xdotool getwindowgeometry --shell "$notice")"
  info "the notice is ${WIDTH}x${HEIGHT} at $X,$Y"
  xdotool windowfocus --sync "$notice" key Return
fi
if wait_for 10 ended "$second"; then
  wait "$second"
  check_eq "after OK the second instance ends with exit code 0" "$?" 0
else
  fail "after OK the second instance ends"
fi
check "the first instance runs on" running "$first"
check "its window is the same" test "$(main_window)" = "$first_window"
check "its list is unchanged" test "$(list_rows)" = "$rows_before"
check "Data.mdb is untouched by the second instance" test "$(sha "$APP/Data.mdb")" = "$db_sum"
clip_set_file "$T/1"
check "the first instance still captures" wait_for 10 list_count_is 2

# ---- kill -9, then a new start: the mutex left behind by the killed owner is no obstacle
quillet_kill
check_eq "kill -9 ends the first instance (exit status 137)" "$QUILLET_RC" 137
check "its window is gone" wait_for 10 no_main_window
quillet_start
check "after kill -9 a new start shows its window" quillet_wait_window 20
check "and no notice" not has_notice
check "the new instance loads the two stored rows" wait_for 10 list_count_is 2
list_rows >"$RUN/rows.jsonl"
history_check "the list after the restart" --expect 0 "$T/0" --expect 1 "$T/1" --all --rows "$RUN/rows.jsonl"
choose_item 2 || fail "开始监视 can be chosen in the new instance (its tray icon answers)"
clip_set_file "$T/2"
check "the new instance captures" wait_for 10 list_count_is 3
clip_set_file "$T/3"
check "and again" wait_for 10 list_count_is 4
# The window as the user sees it, cut out of the screen.
eval "$(xdotool getwindowgeometry --shell "$QWIN")"
screenshot screen-with-window
convert "$SHOTS/screen-with-window.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOTS/window.png" 2>/dev/null
quillet_exit
read_db "$APP/Data.mdb" "$RUN/db"
history_check "Data.mdb at the end" --expect 0 "$T/0" --expect 1 "$T/1" --expect 2 "$T/2" --expect 3 "$T/3" --all \
  --mdb-json "$RUN/db.mdb-json" --mdb-reader "$RUN/db.mdb-reader"

# ---- after a normal exit, a start shows no notice
quillet_start
check "after a normal exit a new start shows its window" quillet_wait_window 20
check "and no notice" not has_notice
quillet_exit "the last exit"
e2e_end
