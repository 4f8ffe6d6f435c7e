#!/usr/bin/env bash
# First start from the package, with no configuration and the package's fresh Data.mdb: the window is
# shown, centred; the tray icon is there; nothing is recorded until "开始监视" is chosen; then ten texts
# (ASCII, Chinese, spaces, several lines, 1 MiB, ...) come into the list and into Data.mdb in order;
# "退出程序" ends with 0; a new start shows all ten rows again with their IDs and times, and the next
# capture continues the IDs. Both independent readers read every record.
#
#   first_start.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin first_start "$@"

# The ten texts, as an X program puts them on the clipboard (UTF-8).
T=$RUN/texts
mkdir -p "$T"
printf '%s' 'plain ASCII text' >"$T/0"
printf '%s' '中文剪贴板历史记录' >"$T/1"
printf '%s' '   ' >"$T/2"
printf 'first line\nsecond line\n\tthird line, indented\n' >"$T/3"
node -e '
  const lines = [];
  let bytes = 0;
  for (let i = 0; bytes < 1048576; i++) {
    const line = `line ${String(i).padStart(6, "0")} 一兆字节的文本 of one MiB\n`;
    lines.push(line);
    bytes += Buffer.byteLength(line);
  }
  const text = Buffer.from(lines.join("")).subarray(0, 1048575).toString("utf8").replace(/\uFFFD+$/, "");
  process.stdout.write(text + ".");
' >"$T/4"
printf '%s' '标点：，。！？“引号”《书名》' >"$T/5"
printf '%s' 'quotes " and \ backslash and 100% and $HOME' >"$T/6"
printf '%s' 'x' >"$T/7"
node -e 'process.stdout.write("长".repeat(150) + " more than 512 bytes " + "y".repeat(200))' >"$T/8"
printf '%s' '  leading and trailing spaces 混合  ' >"$T/9"
echo "INFO: text 4 is $(stat -c %s "$T/4") bytes"

# ---- first start
started=$(date '+%F %T')
quillet_start
check "the window \"$E2E_TITLE\" is shown" quillet_wait_window 20 || abort "Quillet did not show its window"
eval "$(xdotool getwindowgeometry --shell "$QWIN")"
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
# Without a window manager Wine draws the frame itself, so the X window is the whole window, frame included.
check_eq "the window is 495 x 357 with its frame" "${WIDTH}x${HEIGHT}" "495x357"
check_eq "the window is centred on the ${screen_w}x${screen_h} screen" "$X,$Y" \
  "$(((screen_w - 495) / 2)),$(((screen_h - 357) / 2))"
read -r -a rects < <("$WINE" "$LIST_READER" window </dev/null 2>/dev/null | tr -d '\r' | tr '\n' ' ')
check_eq "Windows places the window at the same rectangle" "${rects[*]:0:4}" \
  "$(((screen_w - 495) / 2)) $(((screen_h - 357) / 2)) $(((screen_w - 495) / 2 + 495)) $(((screen_h - 357) / 2 + 357))"
check_eq "the list sits at 8,8 of the client area, 472 x 312" \
  "$((rects[8] - rects[4])),$((rects[9] - rects[5])) $((rects[10] - rects[8]))x$((rects[11] - rects[9]))" "8,8 472x312"
check "the tray window is there" wait_for 10 has_tray
check_eq "the list starts empty" "$(list_count)" 0
check "no switches key is created by a start" not reg_key_exists "$E2E_SWITCHES_KEY"

check_menu "at first start" "enabled unchecked" "enabled unchecked" "greyed unchecked" "enabled unchecked" \
  "enabled unchecked" "enabled unchecked" "enabled unchecked"
cp "$RUN/popup-now.png" "$SHOTS/popup-first-start.png"

# Monitoring is off: a change is not recorded.
printf '%s' 'copied before monitoring was started' >"$T/before"
clip_set_file "$T/before"
check "before 开始监视 a clipboard change gives no row" holds_for 2 list_count_is 0
check "before 开始监视 nothing is stored" db_count_is "$APP/Data.mdb" 0

check "开始监视 can be chosen" choose_item 2
check_menu "while monitoring" "enabled unchecked" "greyed unchecked" "enabled unchecked" "enabled unchecked" \
  "enabled unchecked" "enabled unchecked" "enabled unchecked"
check "the text already on the clipboard when monitoring starts gives no row" list_count_is 0

# ---- the ten captures
for i in 0 1 2 3 4 5 6 7 8 9; do
  clip_set_file "$T/$i"
  limit=10
  [ "$i" = 4 ] && limit=60
  wait_for "$limit" list_count_is $((i + 1)) || fail "text $i gives row $i (the list has $(list_count) rows)"
done
finished=$(date '+%F %T')
list_rows >"$RUN/rows-first.jsonl"
expect=()
for i in 0 1 2 3 4 5 6 7 8 9; do expect+=(--expect "$i" "$T/$i"); done
history_check "the list after ten captures" "${expect[@]}" --all --after "$started" --before "$finished" \
  --rows "$RUN/rows-first.jsonl"
read_db "$APP/Data.mdb" "$RUN/db-first"
history_check "Data.mdb after ten captures" "${expect[@]}" --all --after "$started" --before "$finished" \
  --mdb-json "$RUN/db-first.mdb-json" --mdb-reader "$RUN/db-first.mdb-reader"
screenshot window-first-start
quillet_exit "exit while monitoring"
check "the window is gone after 退出程序" wait_for 5 no_main_window
# The tray shows its window only while it holds an icon: with Quillet's icon removed it goes away.
check "the tray icon is removed by 退出程序" wait_for 5 not has_tray

# ---- restart: the ten rows come back as they were
quillet_start
check "a new start shows its window" quillet_wait_window 60 || abort "Quillet did not start again"
check "the ten rows are loaded" wait_for 30 list_count_is 10
list_rows >"$RUN/rows-again.jsonl"
history_check "the list after the restart" "${expect[@]}" --all --rows "$RUN/rows-again.jsonl" \
  --times-as "$RUN/rows-first.jsonl"
check_menu "after a restart without 自动监视" "enabled unchecked" "enabled unchecked" "greyed unchecked" \
  "enabled unchecked" "enabled unchecked" "enabled unchecked" "enabled unchecked"
check "开始监视 can be chosen again" choose_item 2
printf '%s' '第十一条 the eleventh text' >"$T/10"
clip_set_file "$T/10"
check "the next capture comes as row 10" wait_for 10 list_count_is 11
list_rows 10 >"$RUN/rows-eleventh.jsonl"
history_check "the capture after the restart" --expect 10 "$T/10" --rows "$RUN/rows-eleventh.jsonl"
quillet_exit "the second exit"
read_db "$APP/Data.mdb" "$RUN/db-last"
expect+=(--expect 10 "$T/10")
history_check "Data.mdb at the end" "${expect[@]}" --all --mdb-json "$RUN/db-last.mdb-json" \
  --mdb-reader "$RUN/db-last.mdb-reader"
if [ -n "$QUILLET_DB" ]; then
  "$WINE" "$QUILLET_DB" check "Z:$APP/Data.mdb" </dev/null >"$RUN/check.txt" 2>&1
  check "quillet-db check finds no damage in Data.mdb" test $? -eq 0
fi
e2e_end
