#!/bin/bash
# The command line built for Windows, under Wine: a folder with a Japanese file name converted, the
# names reported in UTF-8 JSON, the exit codes of a good run, a bad usage, a missing input and a skipped
# file, the Japanese messages that name them, a run with four jobs against one with one, a folder tree with
# a Japanese sub-folder, and folders and a settings file deeper than MAX_PATH.
#   tests/scripts/win_cli.sh QUORVIX-CLI.EXE [SESSION]
# In the prefix of SESSION when it is ready (scripts/wine-session, the fixture of a ctest run), else in one
# of its own.
source "$(dirname "$0")/check.sh" win-cli
exe=${1:?usage: win_cli.sh QUORVIX-CLI.EXE [SESSION]}
# shellcheck source=../../scripts/wine-env.sh
source scripts/wine-env.sh
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-wincli.XXXXXX")
if [ -n "${2:-}" ] && [ -f "$2/ready" ]; then
  wine_root=$2
  qv_wine_env_for "$wine_root"
  trap 'rm -rf "$scratch"' EXIT
else
  trap 'qv_wine_end; rm -rf "$scratch"' EXIT
  qv_wine_begin || fail_now "a Wine prefix is made"
  wine_root=$QV_WINE_SCRATCH
fi
mkdir -p "$scratch/in" "$scratch/out"
cp tests/data/s002.jpg "$scratch/in/写真 1.jpg"
cp tests/data/s007.jpg "$scratch/in/b.jpg"
in_w=$(qv_winepath "$scratch/in") && out_w=$(qv_winepath "$scratch/out") && ini_w=$(qv_winepath "$scratch/q.ini") ||
  fail_now "winepath"
env "${QV_WINE_ENV[@]}" wine "$exe" --json --settings "$ini_w" --name date -o "$out_w" "$in_w" \
  >"$scratch/run.json" 2>>"$log"
rc=$?
cat "$scratch/run.json" >>"$log"
check_step "exit status 0 for a good run" test "$rc" -eq 0
check_step "Japanese name reported in UTF-8" grep -q '写真 1.jpg' "$scratch/run.json"
check_step "output named by the input" test -f "$scratch/out/写真 1.jpg"
check_step "output named by the date taken" test -f "$scratch/out/20100121_175750.jpg"
check_step "summary line" grep -q '"summary":{"planned":2,"written":2,"cancelled":false}' "$scratch/run.json"
env "${QV_WINE_ENV[@]}" wine "$exe" --quality 0 "$in_w" >>"$log" 2>&1
rc=$?
check_step "exit status 2 for a bad usage" test "$rc" -eq 2
# A missing input is named in the message, in Japanese (the prefix's user interface language).
env "${QV_WINE_ENV[@]}" wine "$exe" --settings "$ini_w" -o "$out_w" 'no-such-folder\' \
  >"$scratch/missing.out" 2>"$scratch/missing.err"
rc=$?
cat "$scratch/missing.err" >>"$log"
check_step "exit status 2 when no input exists" test "$rc" -eq 2
check_step "missing input named in Japanese" grep -qF 'quorvix: no-such-folder\: ファイルまたはフォルダがありません。' \
  "$scratch/missing.err"
# Each skipped file gets a line on standard error; the rest of the run goes on.
printf 'not a photo' >"$scratch/in/notes.jpg"
env "${QV_WINE_ENV[@]}" wine "$exe" --settings "$ini_w" -o "$out_w" "$in_w" \
  >"$scratch/skip.out" 2>"$scratch/skip.err"
rc=$?
cat "$scratch/skip.out" "$scratch/skip.err" >>"$log"
check_step "exit status 1 when a file was skipped" test "$rc" -eq 1
check_step "skipped file reported" grep -qF 'notes.jpg: JPEG ファイルではありません。' "$scratch/skip.err"
check_step "summary with the window's labels" grep -qF '出力ファイル数  2' "$scratch/skip.out"
# Four jobs (more than these machines have processors, so the workers overlap) write and report what
# one job does: the same JSON lines, exit status, names and bytes, a failing file among the others.
mkdir -p "$scratch/many"
n=0
for corpus in s007 s007 s002 s006 s036 s004 s050 s039 s024 s046; do
  n=$((n + 1))
  cp "tests/data/$corpus.jpg" "$scratch/many/p$n.jpg"
done
printf 'not a photo' >"$scratch/many/p0.jpg"
for jobs in 1 4; do
  mkdir -p "$scratch/jobs-out-$jobs"
  many_w=$(qv_winepath "$scratch/many") && jobs_out_w=$(qv_winepath "$scratch/jobs-out-$jobs") ||
    fail_now "winepath"
  env "${QV_WINE_ENV[@]}" wine "$exe" --json --jobs "$jobs" --settings "$ini_w" --name date --limit 3 \
    -o "$jobs_out_w" "$many_w" >"$scratch/jobs-$jobs.json" 2>>"$log"
  echo "exit $?" >>"$scratch/jobs-$jobs.json"
  sed -i "s/jobs-out-$jobs/jobs-out-N/g" "$scratch/jobs-$jobs.json"
done
cat "$scratch/jobs-4.json" >>"$log"
check_step "--jobs 4 reports what --jobs 1 does" cmp "$scratch/jobs-1.json" "$scratch/jobs-4.json"
check_step "--jobs 4 writes what --jobs 1 does" diff -r "$scratch/jobs-out-1" "$scratch/jobs-out-4"
check_step "a run with --jobs 4 wrote its files" test "$(ls "$scratch/jobs-out-4" | wc -l)" -eq 9
# A folder tree with a Japanese sub-folder: the outputs mirror it.
mkdir -p "$scratch/tree/写真/夏" "$scratch/tree-out"
cp tests/data/s002.jpg "$scratch/tree/写真/夏/a.jpg"
cp tests/data/s007.jpg "$scratch/tree/b.jpg"
env "${QV_WINE_ENV[@]}" wine "$exe" --settings "$ini_w" --recursive -o "$(qv_winepath "$scratch/tree-out")" \
  "$(qv_winepath "$scratch/tree")" >>"$log" 2>&1
rc=$?
check_step "--recursive: exit status 0" test "$rc" -eq 0
check_step "--recursive: outputs in the mirrored tree" test -f "$scratch/tree-out/写真/夏/a.jpg" -a -f "$scratch/tree-out/b.jpg"
# Folders and a settings file deeper than MAX_PATH (about 300 characters): converted, named by date and
# by serial number, listed, and the inputs recycled (into the prefix's trash). winepath cuts its answer
# at 260 characters, so the Windows forms are spelled here (Z: is the Unix root).
deep=$scratch/deep
for component in a b c d e; do deep=$deep/$(printf "$component%.0s" {1..60}); done
mkdir -p "$deep/in" "$deep/out"
cp tests/data/s002.jpg "$deep/in/写真 1.jpg"
cp tests/data/s007.jpg "$deep/in/b.jpg"
deep_w="Z:${deep//\//\\}"
env "${QV_WINE_ENV[@]}" wine "$exe" --json --settings "$deep_w\\q.ini" --save --name date \
  -o "$deep_w\\out" "$deep_w\\in" >"$scratch/deep.json" 2>>"$log"
rc=$?
cat "$scratch/deep.json" >>"$log"
check_step "deep folders: exit status 0" test "$rc" -eq 0
check_step "deep folders: output named by the input" test -f "$deep/out/写真 1.jpg"
check_step "deep folders: output named by the date taken" test -f "$deep/out/20100121_175750.jpg"
deep_json=$(printf '%s\\out\\20100121_175750.jpg' "$deep_w" | sed 's/\\/\\\\/g')  # as JSON escapes it
check_step "deep folders: whole output path reported" grep -qF "\"$deep_json\"" "$scratch/deep.json"
check_step "deep folders: settings saved" test -s "$deep/q.ini"
env "${QV_WINE_ENV[@]}" wine "$exe" --settings "$deep_w\\q.ini" --dry-run --name serial --digits 3 \
  -o "$deep_w\\out" "$deep_w\\in" >"$scratch/deep-list.out" 2>>"$log"
cat "$scratch/deep-list.out" >>"$log"
check_step "deep folders: listed with serial names" grep -qF 'b.jpg -> 000.jpg' "$scratch/deep-list.out"
env "${QV_WINE_ENV[@]}" wine "$exe" --settings "$deep_w\\q.ini" --name serial --digits 3 --subfolder web \
  --delete-input recycle -o "$deep_w\\out" "$deep_w\\in" >>"$log" 2>&1
rc=$?
check_step "deep folders: serial run with recycling, exit status 0" test "$rc" -eq 0
check_step "deep folders: serial outputs in the sub-folder" test -f "$deep/out/web/000.jpg" -a -f "$deep/out/web/001.jpg"
check_step "deep folders: inputs gone from their folder" test -z "$(ls "$deep/in")"
check_step "deep folders: inputs in the recycle bin" test -f "$wine_root/xdg/Trash/files/b.jpg"
check_done
