# Sourced by the tools: a private Wine prefix with the Chinese locale on a
# virtual X display of 1920 x 1080. Call wine_env_start, then wine_env_stop
# (the scripts trap it on exit).
#   QV_DISPLAY   X display number to use (default 97)
#   QV_PREFIX    Wine prefix (default build/wine-prefix)
: "${QV_DISPLAY:=97}"
: "${QV_PREFIX:=$PWD/build/wine-prefix}"
QV_TOOLS="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The build whose programs this machine's Wine can run: win32 where 32-bit
# Linux binaries execute, win64 otherwise.
qv_runnable_preset() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

wine_env_start() {
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  export WINEPREFIX="$QV_PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export DISPLAY=":$QV_DISPLAY"
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    rm -f "/tmp/.X${QV_DISPLAY}-lock" "/tmp/.X11-unix/X${QV_DISPLAY}"
    Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    QV_XVFB_PID=$!
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$QV_TOOLS/wine" wineboot --init >/dev/null 2>&1 || true
    # Every program of this prefix runs in one Wine virtual desktop of the
    # screen's size: Wine draws the frames itself and owns the focus rules.
    "$QV_TOOLS/wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
    "$QV_TOOLS/wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1920x1080 /f >/dev/null 2>&1 || true
    "$QV_TOOLS/wineserver" -w || true
  fi
  # A program that lives as long as the session and keeps the server and
  # the virtual desktop up. Left alone, both close once the last program
  # has ended, and a program started right then races their shutdown: its
  # start is slow, and it may meet a closing desktop and fail to create its
  # window. The keeper is a command prompt waiting for
  # input that never comes; Wine's own services start with it, detached
  # from the output of whatever program comes next.
  exec {QV_KEEPER_FD}< <(exec sleep 2147483647)
  QV_KEEPER_SLEEP=$!
  "$QV_TOOLS/wine" cmd <&"$QV_KEEPER_FD" >/dev/null 2>&1 &
  exec {QV_KEEPER_FD}<&-
  for _ in $(seq 100); do pgrep -f 'explorer.exe /desktop' >/dev/null && break; sleep 0.1; done
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && "$QV_TOOLS/wineserver" -k >/dev/null 2>&1 || true
  [ -n "${QV_KEEPER_SLEEP:-}" ] && kill "$QV_KEEPER_SLEEP" 2>/dev/null || true
  [ -n "${QV_XVFB_PID:-}" ] && kill "$QV_XVFB_PID" 2>/dev/null || true
  QV_XVFB_PID="" QV_KEEPER_SLEEP=""
}
