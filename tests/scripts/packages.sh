#!/bin/bash
# Every package that scripts/bootstrap may install must be available from the configured archives, whether
# or not this machine already has it (one check per package, so a broken availability check fails here
# instead of on a user's fresh machine); and scripts/apt-get-wait, through which every apt-get call goes,
# must tell a held lock from a free one (it waits while a package lock is held).
source "$(dirname "$0")/check.sh" packages
scripts/bootstrap check >>"$log" 2>&1
available=$(grep -c '^available ' "$log")
unavailable=$(grep -c '^unavailable ' "$log")
grep '^unavailable ' "$log"
[ "$available" -gt 0 ] || [ "$unavailable" -gt 0 ] || fail_now "scripts/bootstrap check reported nothing"
passed=$available
failed=$unavailable
lock=$(mktemp "${TMPDIR:-/tmp}/quorvix-lock.XXXXXX")
check_step "apt-get-wait sees a held lock" flock "$lock" scripts/apt-get-wait --lock-held /nonexistent "$lock"
check_step "apt-get-wait sees a free lock" test "$(scripts/apt-get-wait --lock-held "$lock"; echo $?)" = 1
rm -f "$lock"
check_done
