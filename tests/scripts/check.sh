# Shared by the script tests: a scratch folder removed at exit, and check,
# which runs a command, prints ok or FAIL with its description and counts
# the failures. Sourced, not run.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # description command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
