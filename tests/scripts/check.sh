# Shared by the shell tests that cmake/Testing.cmake registers with ctest: one locale whatever the
# caller's, the repository as the working folder, and checks counted into one exit status.
#
#   source "$(dirname "$0")/check.sh" NAME    the log goes to $QV_TEST_RESULTS/NAME.log
#   check_step DESCRIPTION COMMAND...        one check; its output goes to the log
#   check_done                               prints "N checks passed, M failed", exits non-zero on a failure
#
# C.UTF-8, present on every Debian system: UTF-8 text, code-point order in sort and English messages.
# Checks that run programs in Japanese set LANG for them.
unset LC_ALL LC_CTYPE LC_COLLATE LC_MESSAGES LC_NUMERIC LC_TIME LC_MONETARY LC_PAPER LC_NAME LC_ADDRESS \
  LC_TELEPHONE LC_MEASUREMENT LC_IDENTIFICATION LANGUAGE
export LANG=C.UTF-8
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$repo" || exit 1
results=${QV_TEST_RESULTS:-$repo/build/test-results}
mkdir -p "$results"
log=$results/$1.log
: >"$log"
passed=0
failed=0
# The make that runs these must not pass its job server and flags to the makes they start.
unset MAKEFLAGS MFLAGS MAKELEVEL

check_step() {
  if "${@:2}" >>"$log" 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}

# fail_now DESCRIPTION: a step the rest cannot go on without failed.
fail_now() {
  failed=$((failed + 1))
  echo "FAILED: $1"
  check_done
}

check_done() {
  if [ "$failed" -gt 0 ]; then
    echo "---- end of ${log#"$repo"/} ----"
    tail -n 30 "$log"
  fi
  echo "$passed checks passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
