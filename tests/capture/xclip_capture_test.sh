#!/usr/bin/env bash
# Captures seen from outside the process: capture_probe.exe (a hidden main window with `列表框`,
# monitoring on, a fresh Data.mdb beside it) runs under Wine while xclip, an X program, puts texts on
# the clipboard; then the records are read with mdb-json (mdbtools) and quillet-db, and the probe's
# rows are compared with them.
#
#   xclip_capture_test.sh PROBE_EXE [QUILLET_DB_EXE]
# Runs inside the session of tests/harness/with-wine.sh (DISPLAY, WINEPREFIX); exits 77 (skipped) outside.
set -u
probe=$1
quillet_db=${2:-}
WINE=/usr/lib/wine/wine64
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "skipped: needs the Wine session of tests/harness/with-wine.sh" >&2
  exit 77
fi
for tool in xclip mdb-json node; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

dir=$(mktemp -d "${QUILLET_WINE_TMP:-/tmp}/xclip-capture.XXXXXX")
probe_pid=""
xclip_pids=()
cleanup() {
  [ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null
  for p in "${xclip_pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; [ -f "$dir/probe.log" ] && cat "$dir/probe.log" >&2; exit 1; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.05
  done
}

cp "$probe" "$dir/capture_probe.exe"
# A first X change that is not part of the test: the bridge may report it twice.
printf '%s' 'warm-up' >"$dir/warm-up"
xclip -selection clipboard -quiet -i "$dir/warm-up" >/dev/null 2>&1 &
xclip_pids+=($!)
started=$(date '+%F %T')
"$WINE" "$dir/capture_probe.exe" --create --settle </dev/null >"$dir/probe.log" 2>&1 &
probe_pid=$!
wait_for 30 test -f "$dir/ready" || fail "the probe did not start"

# The texts, as UTF-8 files: ASCII, Chinese, three spaces, several lines, 100 KiB.
printf '%s' 'plain ASCII text' >"$dir/text0"
printf '%s' '中文剪贴板历史' >"$dir/text1"
printf '%s' '   ' >"$dir/text2"
printf 'first line\nsecond line\n\tthird line, indented' >"$dir/text3"
for i in $(seq 1 4000); do printf 'line %05d of a long text 长文本\n' "$i"; done | head -c 102400 >"$dir/text4"
count=5

record_count() { mdb-json "$dir/Data.mdb" Data 2>/dev/null | grep -c '^{' ; }
has_records() { [ "$(record_count)" -ge "$1" ]; }
for i in $(seq 0 $((count - 1))); do
  xclip -selection clipboard -quiet -i "$dir/text$i" >/dev/null 2>&1 &
  xclip_pids+=($!)
  wait_for 30 has_records $((i + 1)) || fail "text $i was not stored"
done

touch "$dir/stop"
wait_for 30 test -f "$dir/rows.txt" || fail "the probe did not write its rows"
wait "$probe_pid"
probe_pid=""
finished=$(date '+%F %T')

mdb-json "$dir/Data.mdb" Data >"$dir/records.json" || fail "mdb-json could not read Data.mdb"
if [ -n "$quillet_db" ]; then
  "$WINE" "$quillet_db" history "Z:$dir/Data.mdb" </dev/null >"$dir/history.txt" 2>"$dir/history.err" ||
    fail "quillet-db history failed: $(cat "$dir/history.err")"
fi

# The checks, in node (part of the test tools already): the stored IDs, times and texts, the probe's rows,
# and the quillet-db listing.
node - "$dir" "$count" "$started" "$finished" <<'JS' || fail "records do not match"
const fs = require('fs');
const [dir, countText, started, finished] = process.argv.slice(2);
const count = Number(countText);
let ok = true;
const check = (cond, what) => { if (!cond) { ok = false; console.error('mismatch: ' + what); } };
// Wine hands an X text to CF_TEXT with CR LF line ends.
const expected = [...Array(count).keys()].map(i =>
  fs.readFileSync(`${dir}/text${i}`, 'utf8').replace(/\r?\n/g, '\r\n'));
const records = fs.readFileSync(`${dir}/records.json`, 'utf8').trim().split('\n').map(l => Object.values(JSON.parse(l)));
check(records.length === count, `${records.length} records, expected ${count}`);
const timePattern = /^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}$/;
records.forEach(([id, time, stored], i) => {
  check(id === String(i), `record ${i} id ${id}`);
  check(timePattern.test(time) && time >= started && time <= finished, `record ${i} time ${time}`);
  const bytes = Buffer.from(stored, 'base64');
  check(bytes[bytes.length - 1] === 0, `record ${i} lacks the terminating zero`);
  const text = bytes.subarray(0, bytes.length - 1).toString('utf8');
  check(text === expected[i], `record ${i} text ${JSON.stringify(text.slice(0, 60))}`);
});
const rows = fs.readFileSync(`${dir}/rows.txt`, 'utf8').split('\n').filter(Boolean).map(l => l.split('\t'));
check(rows.length === count, `${rows.length} rows in the list`);
rows.forEach(([id, time, text], i) => {
  check(id === String(i), `row ${i} id ${id}`);
  check(Buffer.from(text, 'base64').toString('utf8') === expected[i], `row ${i} text`);
  const stored = records[i] ? records[i][1] : '';
  check(time === stored || (time < stored && Date.parse(stored.replace(' ', 'T')) - Date.parse(time.replace(' ', 'T')) <= 1000),
        `row ${i} time ${time} vs stored ${stored}`);
});
if (fs.existsSync(`${dir}/history.txt`)) {
  const listed = fs.readFileSync(`${dir}/history.txt`, 'utf8').split('\n').filter(l => l.startsWith('{')).map(l => JSON.parse(l));
  check(listed.length === count, `quillet-db history lists ${listed.length} records`);
  listed.forEach((r, i) => {
    check(r.id === String(i), `quillet-db record ${i} id ${r.id}`);
    check(records[i] && r.time === records[i][1], `quillet-db record ${i} time ${r.time}`);
    check(r.text === expected[i], `quillet-db record ${i} text`);
  });
}
process.exit(ok ? 0 : 1);
JS
echo "ok: $count captures stored and listed"
