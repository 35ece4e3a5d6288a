#!/bin/bash
# HEIF photos through the command line built for Windows, under Wine: a folder with a phone-style
# IMG_0001.HEIC (turned by its file) and a damaged one converted to IMG_0001.jpg upright and the damaged
# one skipped with its reason; a HEIF file's Exif date names its output.
#   tests/scripts/win_heif.sh QUORVIX-CLI.EXE HEIF-SAMPLES-DIR [SESSION]
# In the prefix of SESSION when it is ready (scripts/wine-session, the fixture of a ctest run), else in one
# of its own.
source "$(dirname "$0")/check.sh" win-heif
exe=${1:?usage: win_heif.sh QUORVIX-CLI.EXE HEIF-SAMPLES-DIR [SESSION]}
samples=${2:?usage: win_heif.sh QUORVIX-CLI.EXE HEIF-SAMPLES-DIR [SESSION]}
# shellcheck source=../../scripts/wine-env.sh
source scripts/wine-env.sh
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-winheif.XXXXXX")
if [ -n "${3:-}" ] && [ -f "$3/ready" ]; then
  qv_wine_env_for "$3"
  trap 'rm -rf "$scratch"' EXIT
else
  trap 'qv_wine_end; rm -rf "$scratch"' EXIT
  qv_wine_begin || fail_now "a Wine prefix is made"
fi
mkdir -p "$scratch/in" "$scratch/out"
cp "$samples/rotated.heic" "$scratch/in/IMG_0001.HEIC"
cp "$samples/damaged.heic" "$scratch/in/IMG_0002.heic"
cp "$samples/exif.heic" "$scratch/date.heif"
in_w=$(qv_winepath "$scratch/in") && out_w=$(qv_winepath "$scratch/out") && date_w=$(qv_winepath "$scratch/date.heif") ||
  fail_now "winepath"
env "${QV_WINE_ENV[@]}" wine "$exe" --json --scale 8 --keep-exif -o "$out_w" "$in_w" >"$scratch/run.json" 2>>"$log"
rc=$?
cat "$scratch/run.json" >>"$log"
check_step "exit status 1: one file skipped" test "$rc" -eq 1
check_step "HEIC converted to IMG_0001.jpg" test -f "$scratch/out/IMG_0001.jpg"
check_step "upright: 91 x 150" grep -q '"width":91,"height":150' "$scratch/run.json"
check_step "damaged file skipped with its reason" grep -q '"reason":"decode-failed"' "$scratch/run.json"
check_step "summary counts both" grep -q '"summary":{"planned":2,"written":1' "$scratch/run.json"
env "${QV_WINE_ENV[@]}" wine "$exe" --name date -o "$out_w" "$date_w" >>"$log" 2>&1
rc=$?
check_step "Exif date run: exit status 0" test "$rc" -eq 0
check_step "output named by the HEIF file's date taken" test -f "$scratch/out/20060802_215301.jpg"
check_done
