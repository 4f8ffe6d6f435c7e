#!/usr/bin/env bash
# Copy-back: a real double-click with the mouse on a row of the list puts that row's text on the
# clipboard (what another program reads back with xclip), adds no row to the list nor a record to
# Data.mdb, and monitoring goes on: the next change made elsewhere is captured. With monitoring off the
# double-click writes the clipboard and monitoring stays off.
#
#   copy_back.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin copy_back "$@"

T=$RUN/texts
mkdir -p "$T"
printf '%s' '第一行 plain 中文' >"$T/0"
printf 'several lines\n第二行\n\tthe third, indented\n' >"$T/1"
node -e 'process.stdout.write("超过五百一十二字节的一行 ".repeat(30) + "end")' >"$T/2"
printf '%s' 'Quillet 剪贴板历史' >"$T/3"
printf '%s' '复制回去以后 after the copy-back' >"$T/4"
printf '%s' '停止监视以后 while monitoring is off' >"$T/5"

quillet_start
quillet_wait_window 20 || abort "Quillet shows its window"
choose_item 2 || abort "开始监视 can be chosen"
for i in 0 1 2 3; do
  clip_set_file "$T/$i"
  wait_for 10 list_count_is $((i + 1)) || fail "text $i gives row $i"
done
check "four captures give four rows" list_count_is 4
check "and four records" db_count_is "$APP/Data.mdb" 4
# The screenshot of the README: the window with its rows, Chinese included.
screenshot window-with-rows

# Double-clicks on rows 1 (several lines), 2 (longer than 512 bytes) and 0 (Chinese); the clipboard must
# then hold the row's text as the list shows it.
stored_sum=$(sha "$APP/Data.mdb")
for row in 1 2 0; do
  expected=$(cat "$T/$row"; echo x)
  expected=${expected%x}
  check "a double-click on row $row can be made" double_click_row "$row"
  if wait_for 5 clip_is "$expected"; then
    pass "after the double-click on row $row the clipboard holds the row's text"
  else
    fail "after the double-click on row $row the clipboard holds the row's text (it holds $(clip_get | head -c 80 | od -c | head -3))"
  fi
  check "the copy-back of row $row adds no row" holds_for 1 list_count_is 4
done
check "the copy-backs leave Data.mdb unchanged" test "$(sha "$APP/Data.mdb")" = "$stored_sum"
check_menu "after the copy-backs" "enabled unchecked" "greyed unchecked" "enabled unchecked" \
  "enabled unchecked" "enabled unchecked" "enabled unchecked" "enabled unchecked"

clip_set_file "$T/4"
check "after the copy-backs the next change is captured" wait_for 10 list_count_at_least 5
sleep 1
list_rows >"$RUN/rows.jsonl"
history_check "the list after the copy-backs" --expect 0 "$T/0" --expect 1 "$T/1" --expect 2 "$T/2" \
  --expect 3 "$T/3" --expect 4 "$T/4" --rows "$RUN/rows.jsonl"
# Under Wine, the first change that an X program makes after a Windows program owned the clipboard can
# come as two clipboard updates with the same text (two sequence numbers, the second update nested in the
# viewers' handling of the first),
# and the program rightly records every update that brings a text. So: every new row holds that text.
rows_now=$(list_count)
list_rows 4 >"$RUN/rows-new.jsonl"
if node -e '
    const fs = require("fs");
    const want = fs.readFileSync(process.argv[2], "utf8");
    const rows = fs.readFileSync(process.argv[1], "utf8").split("\n").filter(Boolean).map(JSON.parse);
    process.exit(rows.length >= 1 && rows.every((r) => r.text === want) ? 0 : 1);' "$RUN/rows-new.jsonl" "$T/4"
then
  pass "the rows after the copy-backs are all the one new change"
else
  fail "the rows after the copy-backs are all the one new change: $(head -c 300 "$RUN/rows-new.jsonl")"
fi
[ "$rows_now" -gt 5 ] && info "Wine delivered that change as $((rows_now - 4)) clipboard updates"

# With monitoring off.
check "停止监视 can be chosen" choose_item 3
check "a double-click on row 3 with monitoring off can be made" double_click_row 3
check "with monitoring off the double-click puts the row's text on the clipboard" wait_for 5 clip_is "$(cat "$T/3")"
clip_set_file "$T/5"
check "monitoring stays off after the copy-back: a change gives no row" holds_for 2 list_count_is "$rows_now"
check_menu "with monitoring off after a copy-back" "enabled unchecked" "enabled unchecked" "greyed unchecked" \
  "enabled unchecked" "enabled unchecked" "enabled unchecked" "enabled unchecked"

# A double-click below the rows selects nothing: no row, the program goes on.
eval "$(xdotool getwindowgeometry --shell "$QWIN")"
xdotool mousemove $((X + 200)) $((Y + 300)) sleep 0.1 click --repeat 2 --delay 80 1
check "a double-click below the rows adds no row" holds_for 1 list_count_is "$rows_now"
check "and Quillet runs on" running "$QPID"

check_eq "Data.mdb holds one record per row" "$(db_count "$APP/Data.mdb")" "$rows_now"
read_db "$APP/Data.mdb" "$RUN/db"
history_check "Data.mdb after the copy-backs" --expect 0 "$T/0" --expect 1 "$T/1" --expect 2 "$T/2" \
  --expect 3 "$T/3" --expect 4 "$T/4" --mdb-json "$RUN/db.mdb-json" --mdb-reader "$RUN/db.mdb-reader"
quillet_exit
e2e_end
