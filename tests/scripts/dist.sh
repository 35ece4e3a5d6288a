#!/bin/bash
# The release files of the Windows build (scripts/make-dist into a scratch folder), under Wine on a private
# X display: the zip holds exactly the intended files and its Quorvix.exe starts from a folder with a
# Japanese name and a space; the installer, silent and per user, puts the files, the Start menu shortcut
# and the uninstall entry in place, the installed program starts, a second install over the first works,
# and the silent uninstaller removes the files, the shortcuts (the program's Send To one too) and the
# entry but keeps the settings file, unless asked to remove it; installed for every user (/ALLUSERS), the
# files go to Program Files, unless /D= chooses a folder, with the common shortcut and the HKLM entry.
#   tests/scripts/dist.sh WIN_BUILD_DIR
source "$(dirname "$0")/check.sh" dist
win_dir=${1:?usage: dist.sh WIN_BUILD_DIR}
# shellcheck source=../../scripts/wine-env.sh
source scripts/wine-env.sh
# dist_program_starts EXE: EXE's main window appears (within 20 s); the program is ended afterwards.
dist_program_starts() {
  local exe_w pid found=1 i
  exe_w=$(qv_winepath "$1") || return 1
  qv_wine wine "$exe_w" </dev/null >/dev/null 2>&1 &
  pid=$!
  for ((i = 0; i < 100; i++)); do
    if xdotool search --classname 'quorvix.exe' >/dev/null 2>&1 || xdotool search --name '^Quorvix$' >/dev/null 2>&1; then
      found=0
      break
    fi
    sleep 0.2
  done
  qv_wine wine taskkill /F /IM Quorvix.exe </dev/null >/dev/null 2>&1
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $found
}

# dist_link_targets LNK PATH: the shell link LNK names PATH (its target as stored in the link, in the
# link's ANSI or UTF-16 strings).
dist_link_targets() {
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read().lower()
path = sys.argv[2].lower()
sys.exit(0 if path.encode("cp932") in data or path.encode("utf-16-le") in data else 1)
PY
}

# dist_product_version EXE VERSION: EXE's version resource has ProductVersion VERSION (the UTF-16 strings
# of a VS_VERSIONINFO: key, padding to 32 bits, value).
dist_product_version() {
  python3 - "$1" "$2" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
key = "ProductVersion\0".encode("utf-16-le")
value = (sys.argv[2] + "\0").encode("utf-16-le")
sys.exit(0 if re.search(re.escape(key) + b"(\0\0)?" + re.escape(value), data) else 1)
PY
}

# dist_wait_gone PATH: the uninstaller runs as a copy of itself in the temporary folder after the first
# process exits: wait (up to 30 s) for PATH to disappear.
dist_wait_present() {
  local i
  for ((i = 0; i < 50; i++)); do
    [ -e "$1" ] && return 0
    sleep 0.2
  done
  return 1
}

dist_wait_gone() {
  local i
  for ((i = 0; i < 150; i++)); do
    [ -e "$1" ] || return 0
    sleep 0.2
  done
  return 1
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-dist.XXXXXX")
version=$(sed -n 's/^project(Quorvix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Called as in a container, with no locale at all.
if ! env -u LANG -u LC_ALL -u LANGUAGE scripts/make-dist "$win_dir" "$scratch/dist" >>"$log" 2>&1; then
  rm -rf "$scratch"
  fail_now "scripts/make-dist"
fi
zip=$scratch/dist/Quorvix-$version-win64.zip setup=$scratch/dist/Quorvix-$version-setup.exe
check_step "source tarball" tar -tzf "$scratch/dist/quorvix-$version.tar.gz" "quorvix-$version/CMakeLists.txt"

readme=はじめにお読みください.txt
expected=(Quorvix.chm Quorvix.exe licenses/CLI11.txt licenses/gcc-runtime-libraries.txt
  licenses/libjpeg-turbo.txt licenses/mingw-w64-runtime.txt licenses/nlohmann-json.txt quorvix-cli.exe "$readme")
listed=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
check_step "zip holds exactly the intended files" diff <(printf '%s\n' "${expected[@]}" | sort) <(echo "$listed")
unpacked="$scratch/展開 先"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$unpacked"
check_step "read-me is UTF-8 with a byte-order mark" test "$(head -c 3 "$unpacked/$readme" | od -An -tx1 | tr -d ' ')" = efbbbf
check_step "read-me is valid UTF-8" iconv -f UTF-8 -t UTF-8 "$unpacked/$readme" -o /dev/null
check_step "libjpeg-turbo licence" grep -q 'Independent JPEG Group' "$unpacked/licenses/libjpeg-turbo.txt"
check_step "program's version resource says $version" dist_product_version "$unpacked/Quorvix.exe" "$version"
check_step "command line's version resource says $version" dist_product_version "$unpacked/quorvix-cli.exe" "$version"
check_step "installer's version resource says $version" dist_product_version "$setup" "$version"

# A prefix and a display of its own: the installer changes the prefix, which no other test should see.
trap 'qv_wine_end; qv_xvfb_stop; rm -rf "$scratch"' EXIT
qv_xvfb_start || fail_now "Xvfb starts"
qv_wine_begin || fail_now "a Wine prefix is made"
check_step "Quorvix.exe from the unpacked zip starts" dist_program_starts "$unpacked/Quorvix.exe"

user_dir=$QV_WINE_SCRATCH/prefix/drive_c/users/$(id -un)
instdir=$user_dir/AppData/Local/Programs/Quorvix roaming=$user_dir/AppData/Roaming
menu_link="$roaming/Microsoft/Windows/Start Menu/Programs/Quorvix.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvix'
for round in install upgrade; do
  check_step "silent per-user $round exits 0" qv_wine wine "$setup" /S
  for f in Quorvix.exe quorvix-cli.exe Quorvix.chm "$readme" uninstall.exe licenses/libjpeg-turbo.txt; do
    check_step "$round: $f in place" test -f "$instdir/$f"
  done
  check_step "$round: installed program is the built one" cmp "$instdir/Quorvix.exe" "$unpacked/Quorvix.exe"
  check_step "$round: Start menu shortcut points at the program" dist_link_targets "$menu_link" \
    'C:\users\'"$(id -un)"'\AppData\Local\Programs\Quorvix\Quorvix.exe'
  qv_wine wine reg query "$key" >"$scratch/key.txt" 2>&1 </dev/null
  check_step "$round: uninstall entry: name" grep -qE 'DisplayName +REG_SZ +Quorvix\b' "$scratch/key.txt"
  check_step "$round: uninstall entry: version" grep -qE "DisplayVersion +REG_SZ +$version\b" "$scratch/key.txt"
  check_step "$round: uninstall entry: publisher" grep -qE 'Publisher +REG_SZ +Quorvix\b' "$scratch/key.txt"
  check_step "$round: uninstall entry: icon" grep -qE 'DisplayIcon +REG_SZ +.*Quorvix.exe,0' "$scratch/key.txt"
  check_step "$round: uninstall entry: command" grep -qF 'UninstallString    REG_SZ    "C:\users\'"$(id -un)"'\AppData\Local\Programs\Quorvix\uninstall.exe"' "$scratch/key.txt"
done
cat "$scratch/key.txt" >>"$log"
check_step "the installed program starts" dist_program_starts "$instdir/Quorvix.exe"

# What the program leaves behind: its settings file, and the Send To shortcut of its options tab.
mkdir -p "$roaming/Quorvix" "$roaming/Microsoft/Windows/SendTo"
printf '\xff\xfe' >"$roaming/Quorvix/Quorvix.ini"
cp "$menu_link" "$roaming/Microsoft/Windows/SendTo/Quorvix.lnk"
check_step "silent uninstall exits 0" qv_wine wine "$instdir/uninstall.exe" /S
check_step "uninstall removes the program's folder" dist_wait_gone "$instdir"
check_step "uninstall removes the Start menu shortcut" test ! -e "$menu_link"
check_step "uninstall removes the Send To shortcut" test ! -e "$roaming/Microsoft/Windows/SendTo/Quorvix.lnk"
check_step "uninstall removes the uninstall entry" \
  test "$(qv_wine wine reg query "$key" >/dev/null 2>&1 </dev/null; echo $?)" -ne 0
check_step "uninstall keeps the settings file" test -f "$roaming/Quorvix/Quorvix.ini"

# Asked to, the uninstaller removes the settings file too. The first uninstaller's process can still be
# ending when its folder is gone: the install is tried again when it left no uninstaller behind.
for attempt in 1 2 3; do
  qv_wine wine "$setup" /S >>"$log" 2>&1
  dist_wait_present "$instdir/uninstall.exe" && break
  echo "install attempt $attempt left no uninstaller" >>"$log"
  sleep 2
done
check_step "uninstall /REMOVESETTINGS exits 0" qv_wine wine "$instdir/uninstall.exe" /S /REMOVESETTINGS
dist_wait_gone "$instdir"
check_step "uninstall /REMOVESETTINGS removes the settings file" test ! -e "$roaming/Quorvix"

# For every user (/ALLUSERS; Wine's user is an administrator): Program Files, the common Start menu
# and HKLM, all pointing into Program Files; the uninstaller named by the entry removes them again.
drive_c=$QV_WINE_SCRATCH/prefix/drive_c
machine_dir="$drive_c/Program Files/Quorvix" machine_exe='C:\Program Files\Quorvix\Quorvix.exe'
common_link="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvix.lnk"
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvix'
check_step "silent install for every user exits 0" qv_wine wine "$setup" /S /ALLUSERS
for f in Quorvix.exe quorvix-cli.exe uninstall.exe; do
  check_step "every user: $f in Program Files" test -f "$machine_dir/$f"
done
check_step "every user: nothing in the user's own folder" test ! -e "$instdir"
check_step "every user: common Start menu shortcut points into Program Files" \
  dist_link_targets "$common_link" "$machine_exe"
qv_wine wine reg query "$machine_key" >"$scratch/machine-key.txt" 2>&1 </dev/null
cat "$scratch/machine-key.txt" >>"$log"
check_step "every user: uninstall entry's folder" \
  grep -qF 'InstallLocation    REG_SZ    C:\Program Files\Quorvix' "$scratch/machine-key.txt"
check_step "every user: uninstall entry's command" \
  grep -qF 'UninstallString    REG_SZ    "C:\Program Files\Quorvix\uninstall.exe" /ALLUSERS' "$scratch/machine-key.txt"
check_step "silent uninstall for every user exits 0" qv_wine wine "$machine_dir/uninstall.exe" /S /ALLUSERS
check_step "every user: uninstall removes the program's folder" dist_wait_gone "$machine_dir"
check_step "every user: uninstall removes the common shortcut" test ! -e "$common_link"
check_step "every user: uninstall removes the uninstall entry" \
  test "$(qv_wine wine reg query "$machine_key" >/dev/null 2>&1 </dev/null; echo $?)" -ne 0
# /D= still chooses the folder.
check_step "for every user into a chosen folder exits 0" qv_wine wine "$setup" /S /ALLUSERS '/D=C:\Apps\Quorvix'
check_step "for every user into a chosen folder: the program is there" test -f "$drive_c/Apps/Quorvix/Quorvix.exe"
check_step "for every user into a chosen folder: uninstall" qv_wine wine "$drive_c/Apps/Quorvix/uninstall.exe" /S /ALLUSERS
dist_wait_gone "$drive_c/Apps/Quorvix"

check_done
