# Sourced by the end-to-end tests, the demo and the measurements: starting and
# stopping Quorvane.exe and the target window under Wine, and reading them.
# The caller sets TOOLS (the repository's tools folder), QV_EXE, TARGET_EXE,
# PROBE_EXE and OUT (a folder for logs), and has the Wine environment started.

QV_PID=""
TARGET_PID=""
TLOG=""
GRAB_PID=""

ms_now() { echo $(( $(date +%s%N) / 1000000 )); }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
probe() { timeout 30 "$TOOLS/wine" "$PROBE_EXE" "$@"; }

# The target's recorded events as "EVENT args", without its start line and
# without the F11 presses that start and stop the runs.
target_events() {
  awk '$2 != "READY" && !($2 ~ /KEY/ && $3 == 122) { if ($2 ~ /KEY/) print $2, $3; else print $2, $3, $4 }' "$TLOG"
}
# Number of lines of the target's log that match the expression.
count_target() { grep -cE "$1" "$TLOG"; }

# Waits until the target's log holds `count` lines matching the expression.
wait_target() {
  local pattern=$1 count=$2 timeout_ms=$3 start
  start=$(ms_now)
  while [ "$(count_target "$pattern")" -lt "$count" ]; do
    [ $(( $(ms_now) - start )) -gt "$timeout_ms" ] && return 1
    sleep 0.02
  done
}

# Keeps Wine's pointer moves free of the X pointer's stale echoes for as long
# as the harness runs (see hold_pointer.py).
hold_pointer() {
  local ready=$OUT/hold_pointer.out
  if ! command -v python3 >/dev/null; then
    echo "warning: no python3 to hold the X pointer; clicks may land where the pointer was before" >&2
    return 1
  fi
  python3 "$TOOLS/e2e/hold_pointer.py" > "$ready" 2>&1 &
  GRAB_PID=$!
  for _ in $(seq 100); do grep -q grabbed "$ready" && return 0; sleep 0.02; done
  echo "warning: could not grab the X pointer ($(cat "$ready")); clicks may land where the pointer was before" >&2
  return 1
}
release_pointer() {
  [ -n "$GRAB_PID" ] && kill "$GRAB_PID" 2>/dev/null && wait "$GRAB_PID" 2>/dev/null
  GRAB_PID=""
  return 0
}

# Starts the target (logging to $OUT/<name>.target.log), then the program,
# and waits for the main window.
start_program() {
  local name=$1
  TLOG=$OUT/$name.target.log
  : > "$TLOG"
  "$TOOLS/wine" "$TARGET_EXE" "$(winpath "$TLOG")" >/dev/null 2>&1 &
  TARGET_PID=$!
  wait_target READY 1 20000 || { echo "the target window did not start"; return 1; }
  (cd "$(dirname "$QV_EXE")" && exec "$TOOLS/wine" "$QV_EXE") >"$OUT/$name.program.out" 2>&1 &
  QV_PID=$!
  probe wait-window 30000 >/dev/null || { echo "no main window within 30 s"; return 1; }
  xdotool mousemove 100 1000
}

program_alive() { [ -n "$QV_PID" ] && kill -0 "$QV_PID" 2>/dev/null; }

# Closes the program as a user would, answering "No" if it asks about
# unsaved changes; kills what is left.
stop_program() {
  if program_alive; then
    probe close-answering no 3000 >/dev/null 2>&1
    for _ in $(seq 100); do program_alive || break; sleep 0.03; done
    program_alive && kill -9 "$QV_PID" 2>/dev/null
  fi
  [ -n "$QV_PID" ] && wait "$QV_PID" 2>/dev/null
  QV_PID=""
  if [ -n "$TARGET_PID" ] && kill -0 "$TARGET_PID" 2>/dev/null; then
    kill "$TARGET_PID" 2>/dev/null
    sleep 0.2
    kill -9 "$TARGET_PID" 2>/dev/null
  fi
  [ -n "$TARGET_PID" ] && wait "$TARGET_PID" 2>/dev/null
  TARGET_PID=""
  return 0
}

# F11 as a user presses it. Wine hands the key to the Wine window that has
# the keyboard focus, so the target is brought to the front first.
press_f11() {
  probe focus target >/dev/null 2>&1 || true
  xdotool key F11
}

# Puts a script (UTF-8 text, lines joined with CR LF) into the editor.
set_script() {
  local file=$OUT/script.$$.txt
  printf '%s' "$1" > "$file"
  probe set-script "$(winpath "$file")" || { echo "could not set the editor's text"; return 1; }
}

# Starts a probe that watches for something (watch-log, watch-pane, ...) and
# returns once it is watching; its output goes to the file named first.
# WATCHER holds its process id.
start_watch() {
  local file=$1
  shift
  : > "$file"
  probe "$@" > "$file" &
  WATCHER=$!
  for _ in $(seq 1000); do grep -q ready "$file" && return 0; sleep 0.01; done
  return 1
}

# A session of its own for a script: the Wine environment and the pointer
# grab, both undone on exit whatever happened.
own_session() {
  trap 'stop_program || true; release_pointer || true; wine_env_stop' EXIT
  wine_env_start
  hold_pointer || true
}
