#!/usr/bin/env bash
# Start at log-on and the switches, seen in the registry (`reg query`) and in the popup: "开机启动"
# writes the Run value "Clipboard" with the executable's full path and takes it away again, with its
# check mark; both switches are stored as REG_DWORD under HKLM\software\Tobrin; "清空配置" removes the
# switches and the Run value; the next start shows no check marks and does not monitor.
#
#   autostart.sh --package ZIP --list-reader EXE ... (see lib.sh)
. "$(dirname "$0")/lib.sh"
e2e_begin autostart "$@"

# expect_value WHAT KEY NAME "TYPE DATA": waits (5 s at most) for the value; "" expects it missing.
expect_value() {
  if wait_for 5 reg_value_is "$2" "$3" "$4"; then
    pass "$1: $3 is ${4:-missing}"
  else
    fail "$1: $3 is '$(reg_value "$2" "$3")', expected '${4:-missing}'"
  fi
}
all_unchecked=("enabled unchecked" "enabled unchecked" "greyed unchecked" "enabled unchecked"
  "enabled unchecked" "enabled unchecked" "enabled unchecked")

quillet_start
quillet_wait_window 20 || abort "Quillet shows its window"
info "the executable's path, as Windows sees it: $EXE_WINPATH"
check "a start creates no switches key" not reg_key_exists "$E2E_SWITCHES_KEY"
expect_value "at start" "$E2E_RUN_KEY" Clipboard ""

check "开机启动 can be chosen" choose_item 5
expect_value "开机启动 on" "$E2E_RUN_KEY" Clipboard "REG_SZ $EXE_WINPATH"
expect_value "开机启动 on" "$E2E_SWITCHES_KEY" 开机启动 "REG_DWORD 0x1"
expect_value "开机启动 on" "$E2E_SWITCHES_KEY" 自动监视 "REG_DWORD 0x0"
check_menu "开机启动 on" "enabled unchecked" "enabled unchecked" "greyed unchecked" "enabled unchecked" \
  "enabled checked" "enabled unchecked" "enabled unchecked"
cp "$RUN/popup-now.png" "$SHOTS/popup-start-at-boot-checked.png"

check "开机启动 can be chosen again" choose_item 5
expect_value "开机启动 off" "$E2E_RUN_KEY" Clipboard ""
expect_value "开机启动 off" "$E2E_SWITCHES_KEY" 开机启动 "REG_DWORD 0x0"
check_menu "开机启动 off" "${all_unchecked[@]}"

# An entry left from an older place of the program is overwritten with the current path.
"$WINE" reg add "$E2E_RUN_KEY" /v Clipboard /t REG_SZ /d 'C:\旧的位置\Quillet.exe' /f </dev/null >/dev/null 2>&1
check "开机启动 can be chosen a third time" choose_item 5
expect_value "开机启动 on over an old entry" "$E2E_RUN_KEY" Clipboard "REG_SZ $EXE_WINPATH"
check "自动监视 can be chosen" choose_item 4
expect_value "both on" "$E2E_SWITCHES_KEY" 开机启动 "REG_DWORD 0x1"
expect_value "both on" "$E2E_SWITCHES_KEY" 自动监视 "REG_DWORD 0x1"
check_menu "both on" "enabled unchecked" "enabled unchecked" "greyed unchecked" "enabled checked" \
  "enabled checked" "enabled unchecked" "enabled unchecked"
printf '%s' '切换自动监视以后 after the toggle' >"$RUN/toggle-text"
clip_set_file "$RUN/toggle-text"
check "toggling 自动监视 does not start monitoring: a change gives no row" holds_for 1 list_count_is 0

check "清空配置 can be chosen" choose_item 6
check "清空配置 removes the switches key" wait_for 5 not reg_key_exists "$E2E_SWITCHES_KEY"
expect_value "清空配置" "$E2E_RUN_KEY" Clipboard ""
check_menu "清空配置 leaves the check marks as they were" "enabled unchecked" "enabled unchecked" \
  "greyed unchecked" "enabled checked" "enabled checked" "enabled unchecked" "enabled unchecked"
quillet_exit

quillet_start
quillet_wait_window 20 || abort "Quillet starts again"
check_menu "the start after 清空配置" "${all_unchecked[@]}"
check "the start after 清空配置 creates no switches key" not reg_key_exists "$E2E_SWITCHES_KEY"
printf '%s' '不应记录 must not be recorded' >"$RUN/text"
clip_set_file "$RUN/text"
check "the start after 清空配置 does not monitor" holds_for 2 list_count_is 0

# A start with both switches stored as on: the check marks, monitoring from the start, and the Run value
# is neither written nor repaired by a start.
"$WINE" reg add "$E2E_SWITCHES_KEY" /v 开机启动 /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$E2E_SWITCHES_KEY" /v 自动监视 /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
quillet_exit "exit before the start with both switches on"
quillet_start
quillet_wait_window 20 || abort "Quillet starts with both switches on"
check_menu "a start with both switches stored as 1" "enabled unchecked" "greyed unchecked" "enabled unchecked" \
  "enabled checked" "enabled checked" "enabled unchecked" "enabled unchecked"
expect_value "a start with 开机启动 stored as 1" "$E2E_RUN_KEY" Clipboard ""
quillet_exit "the last exit"
e2e_end
