# Sourced by the scripts that run the viewer on a private Xvfb: every wait has a bound and
# ends, when it runs out, in one line naming what did not happen. Usage: source it, then
# start_xvfb; window=$(viewer_window); ...; await_exit PID
start_xvfb() {
  exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
  xvfb=$!
  local number
  read -r -t 30 number <&3 && [ -n "$number" ] ||
    { echo "$(basename "$0"): Xvfb did not start within 30 s" >&2; exit 1; }
  export DISPLAY=":$number"
  trap 'kill "$xvfb" 2>/dev/null || true' EXIT
}

viewer_window() {
  local window
  window=$(timeout 30 xdotool search --sync --name '^Spirelle$' | head -n 1)
  [ -n "$window" ] || { echo "$(basename "$0"): the viewer's window did not appear within 30 s" >&2; exit 1; }
  echo "$window"
}

# Waits for the viewer to end and returns its status.
await_exit() {
  timeout 30 tail --pid="$1" -f /dev/null ||
    { echo "$(basename "$0"): the viewer did not end within 30 s" >&2; kill "$1"; exit 1; }
  wait "$1"
}
