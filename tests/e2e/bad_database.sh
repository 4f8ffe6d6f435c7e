#!/usr/bin/env bash
# Data.mdb damaged (cut off in the middle; not a database at all), locked (another process holds it open
# with share mode 0), protected by a database password, or missing: Quillet starts without a crash and
# without a message box, captures still come into the list with rising IDs, and the file's contents stay
# as they were (or it stays missing). Once a locked or missing file is back, the next capture is stored
# under the ID of its position in the list.
#
#   bad_database.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin bad_database "$@"

# Monitoring from the start, so each case needs no menu before its captures.
"$WINE" reg add "$E2E_SWITCHES_KEY" /v 自动监视 /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
T=$RUN/texts
mkdir -p "$T"
DB=$APP/Data.mdb

# A history of 300 records, and from it the damaged files.
node -e 'for (let i = 0; i < 300; i++)
  console.log(JSON.stringify({ id: String(i), time: "2025-03-01 09:00:00", text: `记录 ${i} ` + "x".repeat(150) }));' \
  >"$RUN/history.jsonl"
cp "$FRESH_DB" "$RUN/history.mdb"
import_history "$RUN/history.mdb" <"$RUN/history.jsonl" || abort "quillet-db import makes a history"
size=$(stat -c %s "$RUN/history.mdb")
head -c $((size / 2 / 4096 * 4096)) "$RUN/history.mdb" >"$RUN/truncated.mdb"
{ printf 'This is not a Jet database.\r\n'; head -c 65536 /dev/zero | tr '\0' 'Q'; } >"$RUN/not-a-database.mdb"

# captures CASE N: N clipboard changes, each must come into the list as the next row; no message box.
captures() {
  local name=$1 n=$2 base k
  base=$(list_count)
  for k in $(seq 1 "$n"); do
    printf '%s %s 第%s条\n' "$name" "$RANDOM" "$k" >"$T/$name-$k"
    clip_set_file "$T/$name-$k"
    if ! wait_for 10 list_count_is $((base + k)); then
      fail "$name: capture $k comes into the list as row $((base + k - 1))"
      return 1
    fi
  done
  list_rows "$base" >"$RUN/$name-rows.jsonl"
  local expect=()
  for k in $(seq 1 "$n"); do expect+=(--expect $((base + k - 1)) "$T/$name-$k"); done
  history_check "$name: the captures in the list" --from 0 --all "${expect[@]}" --rows "$RUN/$name-rows.jsonl"
}

# start_case CASE: starts Quillet on the prepared Data.mdb and checks the start.
start_case() {
  local name=$1
  quillet_start
  if ! quillet_wait_window 30; then
    fail "$name: Quillet starts and shows its window (exit status: $(quillet_wait_exit 1; echo "$QUILLET_RC"))"
    return 1
  fi
  check "$name: no message box at start" holds_for 1 no_message_box
}

# end_case CASE: exit through the menu (exit code 0: the program did not crash) and no message box.
end_case() {
  check "$1: no message box" no_message_box
  check "$1: Quillet is still running" running "$QPID"
  quillet_exit "$1"
}

# ---- damaged: the second half of the file is missing
for kind in truncated not-a-database; do
  name="damaged ($kind)"
  cp "$RUN/$kind.mdb" "$DB"
  before=$(sha "$DB")
  if start_case "$name"; then
    info "$name: the start listed $(list_count) rows"
    captures "$name" 2
    # A file the reader refuses (its maps name pages past the end) must not be written to either.
    check "$name: the file is unchanged (nothing is appended to a file that cannot be read)" \
      test "$(sha "$DB")" = "$before"
    end_case "$name"
  fi
done

# ---- password-protected: a file Access made (password "password"), and our 300-record history given
# the password "secret" (the header's password field is stored XOR-ed, so XOR-ing the password's UTF-16
# bytes into it sets it; mdbtools and mdb-reader still read the records).
cp "$RUN/history.mdb" "$RUN/history-with-password.mdb"
node -e '
  const fs = require("fs"), file = process.argv[1], bytes = fs.readFileSync(file);
  const password = Buffer.from("secret", "utf16le");
  for (let i = 0; i < password.length; i++) bytes[0x42 + i] ^= password[i];
  fs.writeFileSync(file, bytes);' "$RUN/history-with-password.mdb"
cp "$FIXTURES/10-password.mdb" "$RUN/access-with-password.mdb"
chmod u+w "$RUN/access-with-password.mdb"
for kind in access history; do
  name="password-protected ($kind)"
  cp "$RUN/$kind-with-password.mdb" "$DB"
  before=$(sha "$DB")
  if start_case "$name"; then
    check "$name: nothing is loaded from it" list_count_is 0
    captures "$name" 2
    check "$name: the file is unchanged" test "$(sha "$DB")" = "$before"
    end_case "$name"
  fi
done
[ "$(db_count "$RUN/history-with-password.mdb")" = 300 ] ||
  fail "the history with a password still holds its 300 records for mdb-json"

# ---- locked: a valid history held open exclusively by another process, released later
name="locked"
cp "$RUN/history.mdb" "$DB"
before=$(sha "$DB")
if lock_start "$DB"; then
  pass "$name: another process holds Data.mdb open with share mode 0"
  if start_case "$name"; then
    check "$name: nothing is loaded while the file is held" list_count_is 0
    captures "$name" 2
    check "$name: the file is unchanged while held" test "$(sha "$DB")" = "$before"
    check "$name: the other process lets the file go" lock_stop
    captures "$name-released" 1
    read_db "$DB" "$RUN/locked"
    history_check "$name: the file after the release" --expect-jsonl "$RUN/history.jsonl" \
      --expect 2 "$T/$name-released-1" --all --mdb-json "$RUN/locked.mdb-json" --mdb-reader "$RUN/locked.mdb-reader"
    end_case "$name"
  fi
else
  fail "$name: another process holds Data.mdb open with share mode 0"
fi

# ---- missing: no file is made; once it is back, the next capture is stored
name="missing"
rm -f "$DB"
if start_case "$name"; then
  captures "$name" 2
  check "$name: no Data.mdb is created" test ! -e "$DB"
  cp "$FRESH_DB" "$DB"
  captures "$name-restored" 1
  read_db "$DB" "$RUN/restored"
  history_check "$name: the file put back" --expect 2 "$T/$name-restored-1" --all \
    --mdb-json "$RUN/restored.mdb-json" --mdb-reader "$RUN/restored.mdb-reader"
  end_case "$name"
fi
e2e_end
