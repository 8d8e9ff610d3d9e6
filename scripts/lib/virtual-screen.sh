# Sourced by the scripts that open programs on a virtual screen and wait for their windows (bash, with
# set -euo pipefail). Every failure ends the script with one line naming what failed, prefixed by the
# script's name; the caller's EXIT trap still runs (and calls stop_virtual_screen).
#
#   start_virtual_screen WxHxDEPTH    starts Xvfb on a free display, checks that it is up, exports DISPLAY
#   stop_virtual_screen               ends it (safe to call when none was started)
#   wait_for WHAT SECONDS COMMAND...  runs COMMAND (e.g. `xdotool search --sync ...`), passing its output
#                                     on; if it has not finished after SECONDS, or fails, says what it
#                                     waited for and ends the script with status 1. In $(...) the message
#                                     still shows and, with set -e, the script still ends.

virtual_screen_pid=
virtual_screen_dir=

virtual_screen_fail() {
  echo "scripts/${0##*/}: $*" >&2
  exit 1
}

start_virtual_screen() {
  local screen=$1
  virtual_screen_dir=$(mktemp -d)
  # -displayfd: Xvfb picks a free display and writes its number once it accepts connections.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$virtual_screen_dir/display" \
    >"$virtual_screen_dir/log" 2>&1 &
  virtual_screen_pid=$!
  local _
  for _ in $(seq 300); do
    [ -s "$virtual_screen_dir/display" ] && break
    kill -0 "$virtual_screen_pid" 2>/dev/null || break  # Xvfb ended
    sleep 0.1
  done
  local display
  display=$(head -n 1 "$virtual_screen_dir/display")
  if ! [[ "$display" =~ ^[0-9]+$ ]] || ! kill -0 "$virtual_screen_pid" 2>/dev/null; then
    local log
    log=$(tail -n 3 "$virtual_screen_dir/log" | tr '\n' ' ')
    virtual_screen_fail "the virtual screen (Xvfb, $screen) did not start${log:+: $log}"
  fi
  export DISPLAY=":$display"
}

stop_virtual_screen() {
  if [ -n "$virtual_screen_pid" ]; then
    kill "$virtual_screen_pid" 2>/dev/null || true
    wait "$virtual_screen_pid" 2>/dev/null || true
  fi
  virtual_screen_pid=
  if [ -n "$virtual_screen_dir" ]; then rm -rf "$virtual_screen_dir"; fi
  virtual_screen_dir=
}

wait_for() {
  local what=$1 seconds=$2
  shift 2
  local status=0
  timeout "$seconds" "$@" || status=$?
  if [ "$status" -eq 124 ]; then
    virtual_screen_fail "gave up waiting for $what after $seconds s"
  elif [ "$status" -ne 0 ]; then
    virtual_screen_fail "waiting for $what failed: $1 ended with status $status"
  fi
}
