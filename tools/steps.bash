# Sourced by the project's commands (run-demo, make-release): a step's output kept aside
# and shown only when it fails, and no way out of the command without a word.

trap 'echo "$(basename "$0"): stopped at line $LINENO: \"$BASH_COMMAND\" failed" >&2' ERR

# Runs a command with its output in a log; on failure prints the log and the command,
# then ends the script with the command's exit code.
quietly() {
  local log code=0
  log=$(mktemp)
  "$@" >"$log" 2>&1 || code=$?
  if [ "$code" -ne 0 ]; then
    trap - ERR
    cat "$log" >&2
    echo "$(basename "$0"): failed (exit code $code): $*" >&2
  fi
  rm -f "$log"
  [ "$code" -eq 0 ] || exit "$code"
}
