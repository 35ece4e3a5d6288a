#!/bin/bash
# The help file of the Windows build, read back with chmls (scripts/build-help --check): the pages are
# inside, the context ids the help button opens (2, and 14/16/18 for the three tabs) name the intended
# pages at the help file's root, and its pages, contents and index are Shift_JIS with links that resolve;
# and a build where namespaces and chroot are refused gives a help file that passes the same checks.
#   tests/scripts/help.sh BUILT.chm
source "$(dirname "$0")/check.sh" help
chm=${1:?usage: help.sh BUILT.chm}
checks=$(mktemp)
scripts/build-help --check "$chm" >"$checks" 2>&1
# Where new namespaces and chroot are refused (containers, CI runners) the help builds all the same:
# here both commands fail at once.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-help.XXXXXX")
mkdir "$scratch/bin"
printf '#!/bin/sh\necho "$0: refused" >&2\nexit 1\n' >"$scratch/bin/unshare"
chmod +x "$scratch/bin/unshare"
cp "$scratch/bin/unshare" "$scratch/bin/chroot"
if PATH=$scratch/bin:$PATH scripts/build-help "$scratch/out" >"$scratch/build.log" 2>&1 &&
  scripts/build-help --check "$scratch/out/Quorvix.chm" >"$scratch/check.log" 2>&1; then
  echo "ok built where namespaces and chroot are refused" >>"$checks"
else
  echo "FAILED built where namespaces and chroot are refused: $(cat "$scratch/build.log" "$scratch/check.log" 2>/dev/null | grep -v '^ok ' | tail -n 3 | tr '\n' ' ')" >>"$checks"
fi
rm -rf "$scratch"
cat "$checks" >>"$log"
grep -v '^ok ' "$checks"
passed=$(grep -c '^ok ' "$checks")
failed=$(grep -c '^FAILED ' "$checks")
rm -f "$checks"
[ "$passed" -gt 0 ] || [ "$failed" -gt 0 ] || fail_now "no checks ran"
check_done
