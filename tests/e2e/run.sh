#!/usr/bin/env bash
# End-to-end tests: the real Quorvane.exe under Wine on a virtual X display,
# started and stopped with F11 pressed through xdotool, clicking and typing
# into a target window that records every button and key message it gets.
# The program's windows are read from outside by a probe program.
#
#   run.sh <Quorvane.exe> <e2e_target.exe> <e2e_probe.exe> [scenario...]
#
# Uses the X display and Wine prefix of the environment when DISPLAY and
# WINEPREFIX are both set (the test command starts them); otherwise starts
# its own with tools/lib/wine-env.sh (QV_DISPLAY, QV_PREFIX). Prints a PASS or
# FAIL line per scenario and ends with "N passed, N failed".
#   E2E_OUT   folder for logs and the screenshot (default: next to the target)
set -u

if [ $# -lt 3 ]; then
  echo "usage: $0 <Quorvane.exe> <e2e_target.exe> <e2e_probe.exe> [scenario...]" >&2
  exit 2
fi
QV_EXE=$(realpath "$1")
TARGET_EXE=$(realpath "$2")
PROBE_EXE=$(realpath "$3")
shift 3
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TOOLS=$ROOT/tools
OUT=${E2E_OUT:-$(dirname "$TARGET_EXE")/e2e-out}
mkdir -p "$OUT"
OUT=$(realpath "$OUT")

# ---------------------------------------------------------------- environment
OWN_ENV=0
if [ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  QV_DISPLAY=${DISPLAY#:}
  QV_PREFIX=$WINEPREFIX
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  source "$TOOLS/lib/wine-env.sh"
else
  : "${QV_PREFIX:=$ROOT/build/wine-prefix}"
  source "$TOOLS/lib/wine-env.sh"
  OWN_ENV=1
  wine_env_start
fi

SAVE_DIR=""
source "$TOOLS/e2e/harness.sh"

cleanup() {
  stop_program || true
  release_pointer || true
  [ -n "$SAVE_DIR" ] && rm -rf "$SAVE_DIR"
  [ "$OWN_ENV" = 1 ] && wine_env_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM
hold_pointer

log_text() { probe get-log; }

# Expected sequences are compared as lists, printed side by side on a mismatch.
expect_sequence() {
  local what=$1 expected=$2 actual=$3
  if [ "$expected" != "$actual" ]; then
    echo "$what differs (expected | actual):"
    diff -y -W 90 <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/    /'
    return 1
  fi
}

# ------------------------------------------------------------------ scenarios
# Each prints its findings and returns non-zero on failure. NOTE is what the
# PASS line reports.
NOTE=""

# What the user sees at start: the centred window, the built-in script whole
# (its GBK length), an empty log box and the status bar's texts.
scenario_start_state() {
  local rect editor bytes pane log
  rect=$(probe rect)
  [ "$rect" = "627 256 666 567" ] || { echo "main window at $rect, expected 627 256 666 567"; return 1; }
  editor=$(probe get-editor)
  bytes=$(printf '%s' "$editor" | iconv -f UTF-8 -t GBK | wc -c)
  [ "$bytes" -eq 899 ] || { echo "the editor holds $bytes GBK bytes, expected the built-in script's 899"; return 1; }
  [ "${editor:0:1}" = "'" ] || { echo "the editor does not start with the built-in script's comment"; return 1; }
  log=$(probe get-log)
  [ -z "$log" ] || { echo "the log box is not empty: $log"; return 1; }
  pane=$(probe pane 1)
  [ "$pane" = " 运行/停止 F11" ] || { echo "pane 1 reads '$pane'"; return 1; }
  probe wait-pane 2 " 当前鼠标位置：X" 2000 >/dev/null || { echo "pane 2 reads '$(probe pane 2)'"; return 1; }
}

# The run command of the menu starts a run as F11 does; F11 stops it. The
# help command opens the about and help window.
scenario_menu_commands() {
  set_script $'M|200|100|0\r\nT|60000' || return 1
  probe menu "运行" || { echo "no menu item 运行"; return 1; }
  probe wait-log "代码运行中..." 5000 >/dev/null || { echo "运行 did not start a run"; return 1; }
  wait_target 'LUP 200 100 ' 1 5000 || { echo "the run did not click"; return 1; }
  press_f11
  probe wait-log "代码运行完毕！" 3000 >/dev/null || { echo "F11 did not stop the run started from the menu"; return 1; }
  probe menu "帮助" || { echo "no menu item 帮助"; return 1; }
  probe wait-window 5000 QuorvaneAbout >/dev/null || { echo "帮助 did not open the about and help window"; return 1; }
  probe close QuorvaneAbout
}

scenario_builtin_script() {
  press_f11
  probe wait-log "代码运行中..." 5000 >/dev/null || { echo "the run did not start"; return 1; }
  # Two passes: the second tap of A ends them.
  wait_target 'KEYUP 65$' 2 12000 || { echo "two passes did not finish within 12 s"; return 1; }
  import -window root "$OUT/builtin-script.png" 2>/dev/null
  press_f11
  probe wait-log "代码运行完毕！" 5000 >/dev/null || { echo "the run did not end after F11"; return 1; }
  local pass expected actual log
  pass=$'LDOWN 200 100\nLUP 200 100\nLDOWN 300 600\nLUP 300 600\nLDBL 300 600\nLUP 300 600\nKEYDOWN 65\nKEYUP 65'
  expected="$pass"$'\n'"$pass"
  actual=$(target_events | head -16)
  expect_sequence "the target's events" "$expected" "$actual" || return 1
  # The waits between the actions: 1000 ms, then a draw between 1000 and 1500.
  local gaps
  gaps=$(awk '$2 == "LDOWN" && $3 == 200 && !a { a = $1 } $2 == "LDOWN" && $3 == 300 && !b { b = $1 }
              $2 == "KEYDOWN" && $3 == 65 && !k { k = $1 } END { printf "%d %d", b - a, k - b }' "$TLOG")
  set -- $gaps
  if [ "$1" -lt 950 ] || [ "$1" -gt 1600 ] || [ "$2" -lt 950 ] || [ "$2" -gt 2000 ]; then
    echo "waits between actions: $1 ms (expected about 1000) and $2 ms (expected 1000 to 1500)"
    return 1
  fi
  log=$(log_text)
  expect_sequence "the log box" $'代码运行中...\r\n代码运行完毕！\r' "$log" || return 1
  NOTE="waits $1 ms and $2 ms"
}

scenario_faulty_script() {
  # Comment and blank lines count in the line numbers.
  set_script $'\' several faults\r\nM|200|100\r\n\r\nK|65|3\r\nM|5000|100|0\r\nT|1000\r\nM|200|100|9\r\nK|65|0' || return 1
  press_f11
  probe wait-log "代码中有错误，已停止运行！" 5000 >/dev/null || { echo "no closing message"; log_text; return 1; }
  sleep 0.5
  local expected log
  expected=$'第2行：代码数组数量错误！\r\n第4行：键盘事件代码错误，只能为 0单击 1按下 2放开 ！\r\n第5行：x值超出屏幕宽度！\r\n第7行：鼠标事件代码错误，只能为 0左击 1双击 2右击 3右键双击！\r\n代码中有错误，已停止运行！\r'
  log=$(log_text)
  expect_sequence "the log box" "$expected" "$log" || return 1
  if [ -n "$(target_events)" ]; then
    echo "the target received input although the script did not run:"
    target_events | head -5
    return 1
  fi
}

# A run inside a 60-second wait, stopped with F11: the time from the key to
# the closing log line.
scenario_stop_in_long_wait() {
  set_script $'M|200|100|0\r\nT|60000' || return 1
  press_f11
  wait_target 'LUP 200 100 ' 1 5000 || { echo "the run did not click"; return 1; }
  local watch=$OUT/$CURRENT.watch seen pressed latency
  start_watch "$watch" watch-log "代码运行完毕！" 5000 || { echo "the probe did not start"; return 1; }
  probe focus target >/dev/null 2>&1
  pressed=$(ms_now)
  xdotool key F11
  wait "$WATCHER" || { echo "the run did not end within 5 s of F11"; return 1; }
  seen=$(tail -1 "$watch")
  latency=$(( seen - pressed ))
  NOTE="stop latency ${latency} ms (goal under 100 ms)"
  if [ "$latency" -gt 2000 ]; then echo "$NOTE"; return 1; fi
}

# A script with no delay at all: the window still answers, the status bar
# still follows the pointer, and F11 still stops it.
scenario_no_delay_script() {
  set_script 'M|200|100|0' || return 1
  xdotool mousemove 900 950
  probe wait-pane 2 "X900  Y950" 3000 >/dev/null || { echo "status bar does not follow the pointer"; return 1; }
  press_f11
  # The runner keeps placing the pointer at 200, 100; the timer must show it.
  probe wait-pane 2 "X200  Y100" 3000 >/dev/null || { echo "status bar frozen during the run"; return 1; }
  probe wait-log "代码运行中..." 3000 >/dev/null || { echo "the window does not answer during the run"; return 1; }
  local before after rate
  before=$(count_target 'LUP 200 100 ')
  sleep 1
  after=$(count_target 'LUP 200 100 ')
  rate=$(( after - before ))
  [ "$rate" -gt 0 ] || { echo "no clicks reach the target during the run"; return 1; }
  press_f11
  probe wait-log "代码运行完毕！" 3000 >/dev/null || { echo "F11 does not stop a delay-free run"; return 1; }
  # The target may still be working off clicks queued before the stop; once
  # it has, no new ones may come.
  before=-1
  for _ in $(seq 12); do
    after=$(count_target 'LUP 200 100 ')
    [ "$after" -eq "$before" ] && break
    before=$after
    sleep 0.5
  done
  [ "$after" -eq "$before" ] || { echo "clicks go on after the run ended"; return 1; }
  NOTE="the target took $rate clicks in one second of the run"
}

# A key held down by the script is let go when F11 stops the run, also when
# the held key is a modifier (F11 then arrives with Shift down).
scenario_held_key_released() {
  local vk failed=0
  for vk in 65 16; do
    if [ "$vk" = 16 ]; then stop_program; start_program "$CURRENT-16" || return 1; fi
    set_script "K|$vk|1"$'\r\nT|60000' || return 1
    press_f11
    wait_target "KEYDOWN $vk\$" 1 5000 || { echo "key $vk: the target never saw it pressed"; failed=1; continue; }
    sleep 0.3
    probe focus target >/dev/null 2>&1
    xdotool key F11
    if ! probe wait-log "代码运行完毕！" 3000 >/dev/null; then
      echo "key $vk held: F11 does not stop the run"
      failed=1
      continue
    fi
    wait_target "KEYUP $vk\$" 1 2000 || { echo "key $vk: still held after the run ended"; failed=1; }
  done
  return $failed
}

# Closing the main window during a long wait ends the program at once.
scenario_close_in_long_wait() {
  set_script $'M|200|100|0\r\nT|60000' || return 1
  press_f11
  wait_target 'LUP 200 100 ' 1 5000 || { echo "the run did not click"; return 1; }
  local last ended rc
  last=$(probe close-answering no 3000)
  for _ in $(seq 300); do program_alive || break; sleep 0.01; done
  ended=$(ms_now)
  if program_alive; then echo "still running 3 s after the close"; return 1; fi
  wait "$QV_PID"
  rc=$?
  QV_PID=""
  NOTE="ended $(( ended - last )) ms after the close, exit code $rc"
  [ "$rc" -eq 0 ] || { echo "exit code $rc"; return 1; }
  [ $(( ended - last )) -le 1000 ] || { echo "$NOTE"; return 1; }
}

# The pointer moved by the user shows in the status bar.
scenario_pointer_in_status_bar() {
  local watch=$OUT/$CURRENT.watch moved seen text
  for point in "1500 900" "3 7"; do
    set -- $point
    start_watch "$watch" watch-pane 2 "X$1  Y$2" 3000 || { echo "the probe did not start"; return 1; }
    moved=$(ms_now)
    xdotool mousemove "$1" "$2"
    wait "$WATCHER" || { echo "pane 2 never showed X$1 Y$2: $(probe pane 2)"; return 1; }
    seen=$(tail -1 "$watch")
    text=$(probe pane 2)
    [ "$text" = " 当前鼠标位置：X$1  Y$2" ] || { echo "pane 2 reads '$text'"; return 1; }
    NOTE="${NOTE:+$NOTE, }shown after $(( seen - moved )) ms"
    [ $(( seen - moved )) -le 1500 ] || { echo "$NOTE"; return 1; }
  done
}

# Types a full path into the open file dialog and confirms it.
answer_file_dialog() {
  probe wait-dialog 10000 >/dev/null || { echo "no file dialog"; return 1; }
  sleep 0.5
  xdotool key End shift+Home
  xdotool type --delay 20 "$1"
  xdotool key Return
  for _ in $(seq 300); do probe dialog-text >/dev/null 2>&1 || return 0; sleep 0.05; done
  echo "the file dialog stayed open:"
  probe dialog-text
  return 1
}

# A script saved and opened again through the menu and the file dialog keeps
# its bytes: GBK text with CR LF, no byte-order mark, nothing added.
scenario_save_and_open() {
  local script=$'\' 保存与打开\r\nM|200|100|0\r\nT|500-800     \'随机等待\r\nK|65|0'
  SAVE_DIR=$(mktemp -d /tmp/qv-e2e-files.XXXXXX)
  local file=$SAVE_DIR/script.txt
  set_script "$script" || return 1
  probe menu "保存" || { echo "no menu item 保存"; return 1; }
  answer_file_dialog "$(winpath "$file")" || return 1
  for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.05; done
  [ -f "$file" ] || { echo "no file was written"; return 1; }
  if ! cmp -s "$file" <(printf '%s' "$script" | iconv -f UTF-8 -t GBK); then
    echo "the saved bytes differ from the script's GBK text:"
    cmp "$file" <(printf '%s' "$script" | iconv -f UTF-8 -t GBK)
    od -c "$file" | head -5
    return 1
  fi
  probe menu "新建" || return 1
  local text=""
  for _ in $(seq 50); do text=$(probe get-editor); [ -z "$text" ] && break; sleep 0.1; done
  [ -z "$text" ] || { echo "新建 left text in the editor: $text"; return 1; }
  probe menu "打开" || return 1
  answer_file_dialog "$(winpath "$file")" || return 1
  for _ in $(seq 50); do text=$(probe get-editor); [ "$text" = "$script" ] && break; sleep 0.1; done
  expect_sequence "the editor after opening" "$script" "$text" || return 1
}

ALL=(start_state builtin_script menu_commands faulty_script stop_in_long_wait no_delay_script held_key_released
     close_in_long_wait pointer_in_status_bar save_and_open)
SELECTED=("$@")
[ ${#SELECTED[@]} -eq 0 ] && SELECTED=("${ALL[@]}")

passed=0
failed=0
for CURRENT in "${SELECTED[@]}"; do
  NOTE=""
  started=$(ms_now)
  if ! declare -F "scenario_$CURRENT" >/dev/null; then
    echo "FAIL $CURRENT: no such scenario"
    failed=$((failed + 1))
    continue
  fi
  report=$OUT/$CURRENT.report
  if start_program "$CURRENT" > "$report" 2>&1 && "scenario_$CURRENT" >> "$report" 2>&1; then
    echo "PASS $CURRENT ($(( $(ms_now) - started )) ms)${NOTE:+: $NOTE}"
    passed=$((passed + 1))
  else
    echo "FAIL $CURRENT ($(( $(ms_now) - started )) ms)"
    sed 's/^/  /' "$report"
    echo "  log box: $(probe get-log 2>/dev/null | tr -d '\r' | tr '\n' '|')"
    echo "  target: $(target_events 2>/dev/null | head -20 | tr '\n' '|')"
    failed=$((failed + 1))
  fi
  stop_program
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
