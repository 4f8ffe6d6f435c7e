#!/usr/bin/env bash
# Automatic monitoring stored as on ("自动监视" = 1): Quillet captures from the first clipboard change
# after its start, also while a history of 20 000 records is still being loaded into its list; the load
# still shows every record, in order, with its stored ID and time; the capture is stored once, under the
# ID of its row; the menu shows "开始监视" greyed, "停止监视" enabled and "自动监视" checked.
#
#   auto_monitor.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin auto_monitor "$@"

records=20000
# The history: 20 000 records made with quillet-db import (varied texts: Chinese, several lines, long).
node -e '
  const n = Number(process.argv[1]);
  const base = Date.UTC(2025, 5, 1, 8, 0, 0);
  for (let i = 0; i < n; i++) {
    const t = new Date(base + i * 37000).toISOString().replace("T", " ").slice(0, 19);
    let text = `历史记录 ${i} history entry`;
    if (i % 7 === 3) text += "\r\nsecond line 第二行";
    if (i % 101 === 50) text += " " + "长文本".repeat(120);
    console.log(JSON.stringify({ id: String(i), time: t, text }));
  }' "$records" >"$RUN/history.jsonl"
began=$SECONDS
import_history "$APP/Data.mdb" <"$RUN/history.jsonl" || abort "quillet-db import makes the history: $(cat "$RUN/import.err")"
info "quillet-db import wrote $records records in $((SECONDS - began)) s"
check "Data.mdb holds the $records records" db_count_is "$APP/Data.mdb" "$records"

"$WINE" reg add "$E2E_SWITCHES_KEY" /v 自动监视 /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
check "自动监视 is stored as 1" reg_value_is "$E2E_SWITCHES_KEY" 自动监视 "REG_DWORD 0x1"

T=$RUN/texts
mkdir -p "$T"
printf '%s' '启动后的第一次复制 first change after the start' >"$T/first"
printf '%s' '加载之后 after the load' >"$T/second"

# ---- start; the first change is made as soon as the list has begun to fill
started=$(date '+%F %T')
quillet_start
check "the load begins (the list gets rows)" wait_for 60 list_count_at_least 1
seen=$(list_count)
clip_set_file "$T/first"
if [ -n "$seen" ] && [ "$seen" -lt "$records" ]; then
  info "the change was made while the list held $seen of $records rows"
else
  info "the load had already ended when the change was made ($seen rows)"
fi
began=$SECONDS
check "the window is shown once the load has ended" quillet_wait_window 120
info "the window was shown $((SECONDS - began)) s after the change"
check "the list holds the $records records and the capture" wait_for 30 list_count_is $((records + 1))
finished=$(date '+%F %T')

# Where the capture's row stands: this program holds a capture back until the load has ended, so it is
# the last row. (Were it anywhere else, the whole list is read to find it.) Every other row is a record
# of the file, in the file's order, with its stored ID, time and text: the first and last 300 rows and
# every 23rd in between are read and compared.
list_rows "$records" >"$RUN/rows-last.jsonl"
if grep -q '"text":' "$RUN/rows-last.jsonl" && node -e '
    const fs = require("fs");
    const row = JSON.parse(fs.readFileSync(process.argv[1], "utf8"));
    process.exit(row.text === fs.readFileSync(process.argv[2], "utf8") ? 0 : 1);' "$RUN/rows-last.jsonl" "$T/first"
then
  { list_rows 0 300; list_rows 300 $((records - 300)) 23; list_rows $((records - 300)) "$records"; } >"$RUN/rows.jsonl"
  cat "$RUN/rows-last.jsonl" >>"$RUN/rows.jsonl"
else
  info "the capture is not the last row: reading the whole list"
  list_rows >"$RUN/rows.jsonl"
fi

node - "$RUN/rows.jsonl" "$RUN/history.jsonl" "$T/first" "$started" "$finished" "$records" >"$RUN/split.txt" <<'JS'
const fs = require("fs");
const [rowsFile, historyFile, firstFile, started, finished, records] = process.argv.slice(2);
const rows = fs.readFileSync(rowsFile, "utf8").split("\n").filter(Boolean).map(JSON.parse);
const history = fs.readFileSync(historyFile, "utf8").split("\n").filter(Boolean).map(JSON.parse);
const first = fs.readFileSync(firstFile, "utf8");
const out = (ok, what) => console.log(`${ok ? "PASS" : "FAIL"}: ${what}`);
const at = rows.filter((r) => r.text === first);
out(at.length === 1, `the first change after the start is in the list exactly once (found ${at.length} times)`);
let captureRow = -1;
if (at.length === 1) {
  const r = at[0];
  captureRow = r.row;
  out(r.id === String(r.row), `its row ${r.row} shows the ID ${r.id} (its position)`);
  out(r.time >= started && r.time <= finished, `its time ${r.time} is the time of the capture`);
  console.log(`ROW ${r.row} ${r.id} ${r.time}`);
}
// Record k is row k before the capture's row and row k + 1 after it.
const wrong = rows.filter((r) => r.row !== captureRow).filter((r) => {
  const h = history[captureRow >= 0 && r.row > captureRow ? r.row - 1 : r.row];
  return !h || r.id !== h.id || r.time !== h.time || r.text !== h.text;
});
out(wrong.length === 0, wrong.length === 0
  ? `the ${rows.length - at.length} rows read (of ${records}, spread over the whole list) are the records in order, with their stored IDs, times and texts`
  : `${wrong.length} rows differ from their records, the first: ${JSON.stringify(wrong[0]).slice(0, 160)}`);
JS
while IFS= read -r line; do
  case "$line" in
    PASS:*) pass "${line#PASS: }" ;;
    FAIL:*) fail "${line#FAIL: }" ;;
    ROW*) read -r _ _ capture_id _ <<<"$line" ;;
  esac
done <"$RUN/split.txt"

check_menu "with 自动监视 stored as 1" "enabled unchecked" "greyed unchecked" "enabled unchecked" \
  "enabled checked" "enabled unchecked" "enabled unchecked" "enabled unchecked"

clip_set_file "$T/second"
check "a change after the load is captured as the next row" wait_for 10 list_count_is $((records + 2))
list_rows $((records + 1)) >"$RUN/rows-second.jsonl"
history_check "the change after the load" --expect $((records + 1)) "$T/second" --rows "$RUN/rows-second.jsonl"
quillet_exit

# Data.mdb: the records as they were, then the two captures, each under the ID of its row.
if [ -n "${capture_id:-}" ]; then
  # The record's time is the row's, or one second later when the clock turned in between.
  node -e 'const [id, file] = process.argv.slice(1);
    console.log(JSON.stringify({ id, text: require("fs").readFileSync(file, "utf8") }));' \
    "$capture_id" "$T/first" >"$RUN/captures.jsonl"
  read_db "$APP/Data.mdb" "$RUN/db"
  history_check "Data.mdb after the load" --expect-jsonl "$RUN/history.jsonl" --expect-jsonl "$RUN/captures.jsonl" \
    --expect $((records + 1)) "$T/second" --all --mdb-json "$RUN/db.mdb-json" --mdb-reader "$RUN/db.mdb-reader"
fi
e2e_end
