#!/usr/bin/env bash
# Chain citizenship: another clipboard viewer (chain_viewer.exe, its own process) that joined the chain
# before Quillet, and so comes after it, keeps receiving every clipboard change while Quillet starts,
# monitors, stops and starts monitoring again, copies a row back, and exits.
#
#   chain_viewer.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin chain_viewer "$@"

T=$RUN/texts
mkdir -p "$T"
for name in before-start started monitoring stopped restarted after-copy-back after-exit; do
  printf '%s %s 链上的文本\n第二行' "$name" "$RANDOM" >"$T/$name"
done

# seen STEP: the viewer got the notification of the change with the text of step STEP (after the mark).
mark=0
seen() { check "the viewer after Quillet sees the change: $1" wait_for 10 viewer_saw "$T/$1" "$mark"; }
# change STEP: an X program puts the text of STEP on the clipboard.
change() {
  mark=$(viewer_mark)
  clip_set_file "$T/$1"
}

viewer_start "$RUN/viewer.log" || abort "the chain viewer joins the chain"
change before-start
seen before-start

quillet_start
quillet_wait_window 20 || abort "Quillet shows its window"
change started
seen started
check "with monitoring off Quillet records nothing" list_count_is 0

choose_item 2 || fail "开始监视 can be chosen"
change monitoring
seen monitoring
check "while monitoring Quillet records the change" wait_for 10 list_count_at_least 1
rows_after_first=$(list_count)

choose_item 3 || fail "停止监视 can be chosen"
change stopped
seen stopped
check "after 停止监视 Quillet records nothing" holds_for 1 list_count_is "$rows_after_first"

choose_item 2 || fail "开始监视 can be chosen again"
change restarted
seen restarted
check "after 开始监视 again Quillet records the change" wait_for 10 list_count_at_least $((rows_after_first + 1))

# The copy-back writes the clipboard: the viewer gets that change too.
mark=$(viewer_mark)
check "a double-click on row 0 can be made" double_click_row 0
check "the viewer sees the copy-back's change" wait_for 10 viewer_saw "$T/monitoring" "$mark"
change after-copy-back
seen after-copy-back

quillet_exit "exit while monitoring"
change after-exit
seen after-exit
check "the viewer leaves the chain at its end" viewer_stop
check "the viewer wrote its last line" grep -qx left "$RUN/viewer.log"
cp "$RUN/viewer.log" "$SHOTS/chain-viewer.log" 2>/dev/null
e2e_end
