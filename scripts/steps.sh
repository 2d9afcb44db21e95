# Sourced by the build scripts: each step's output goes to a log, and a failure is one line
# that names the step and the log. Usage: source scripts/steps.sh NAME LOG
steps_name=$1
log=$2
mkdir -p "$(dirname "$log")"
rm -f "$log"
fail() {
  if [ -s "$log" ]; then echo "$steps_name: $* (details: $log)"; else echo "$steps_name: $*"; fi >&2
  exit 1
}
quietly() { "$@" >"$log" 2>&1; }
