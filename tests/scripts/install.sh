#!/bin/bash
# The Linux installation: `make install-files` of the native build into a scratch DESTDIR puts the program,
# the manual page and the bash completion under PREFIX where the README says; the manual page renders
# without warnings and names exactly the options of `quorvix --help` (and so does the completion); the
# completion completes options and their values; after installs into two more places (another DESTDIR
# and PREFIX, and the first again), one `make uninstall` removes every file of all of them.
#   tests/scripts/install.sh NATIVE_BUILD_DIR
source "$(dirname "$0")/check.sh" install
native_dir=${1:?usage: install.sh NATIVE_BUILD_DIR}
prefix=/usr/local
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-install.XXXXXX")
dest=$scratch/first
root=$dest$prefix installed=$scratch/installed-files.txt
# `make install` without its build of build/release: from the tests' build tree, recorded in a scratch
# file instead of this tree's own record.
install_files() {
  make --no-print-directory install-files \
    RELEASE_DIR="$native_dir" INSTALL_RECORD="$installed" "$@"
}
check_step "make install-files" install_files DESTDIR="$dest" PREFIX="$prefix"
bin=$root/bin/quorvix page=$root/share/man/man1/quorvix.1
completion=$root/share/bash-completion/completions/quorvix
check_step "program installed" test -x "$bin"
check_step "manual page installed" test -f "$page"
check_step "bash completion installed" test -f "$completion"
for rel in bin/quorvix share/man/man1/quorvix.1 share/bash-completion/completions/quorvix; do
  check_step "README names $rel" grep -qF "$rel" README.md
done
check_step "nothing else installed" test "$(find "$dest" -type f | wc -l)" -eq 3

version=$(sed -n 's/^project(Quorvix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
check_step "installed program runs and has the project's version" \
  test "$(ASAN_OPTIONS=detect_leaks=0 "$bin" --version 2>>"$log")" = "quorvix $version"
check_step "manual page carries the project's version" grep -q "^\.TH QUORVIX 1 .*\"Quorvix $version\"" "$page"

# man with groff's warnings on: any warning on standard error fails.
warnings=$(LC_ALL=C.UTF-8 MANROFFOPT=-ww MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null)
check_step "man -l renders the page without warnings" test -z "$warnings"
[ -z "$warnings" ] || printf '%s\n' "$warnings" | head -n 5
check_step "lexgrog reads the NAME section" lexgrog "$page"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' FILES EXAMPLES; do
  check_step "manual page section $section" grep -qx "\.SH \"\?$section\"\?" "$page"
done

# The option lists of --help, of the manual page's OPTIONS section and of the completion are the same.
from_help=$(ASAN_OPTIONS=detect_leaks=0 "$bin" --help 2>/dev/null | grep -E '^ +-' |
  grep -oE '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u)
from_page=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | grep -E '^\.(B|BR) ' | sed 's/\\-/-/g' |
  grep -oE '(^|[ "])--?[a-z][a-z-]*' | tr -d ' "' | sort -u)
from_completion=$(bash --norc --noprofile -c 'source "$1"; COMP_WORDS=(quorvix -); COMP_CWORD=1; _quorvix;
  printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" | sort -u)
echo "options of --help: $(echo $from_help)" >>"$log"
check_step "--help names options" test "$(wc -l <<<"$from_help")" -ge 20
check_step "manual page names the options of --help" diff <(echo "$from_help") <(echo "$from_page")
check_step "completion offers the options of --help" diff <(echo "$from_help") <(echo "$from_completion")

# complete WORDS...: what the completion offers for the last word.
complete_words() {
  bash --norc --noprofile -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quorvix;
    echo "${COMPREPLY[*]}"' _ "$completion" "$@"
}
check_step "completion: --sa" test "$(complete_words quorvix --sa)" = "--sampling --save"
check_step "completion: --name values" test "$(complete_words quorvix --name '')" = "input date serial"
check_step "completion: --delete-input r" test "$(complete_words quorvix -q 80 --delete-input r)" = "recycle"

# make uninstall removes what every install from here put in place, each file listed once.
check_step "make install-files, second place" install_files DESTDIR="$scratch/second/" PREFIX=/opt/quorvix
check_step "make install-files, first place again" install_files DESTDIR="$dest" PREFIX="$prefix"
check_step "the record lists both installs, each file once" test "$(sort -u "$installed" | wc -l)" -eq 6 -a \
  "$(wc -l <"$installed")" -eq 6
check_step "make uninstall" \
  make --no-print-directory uninstall INSTALL_RECORD="$installed"
check_step "make uninstall removes every file of both installs" test "$(find "$scratch" -type f | wc -l)" -eq 0
rm -rf "$scratch"
check_done
