# Wine environment for running the Windows builds in tests. Source this file from bash.
#
# One Wine prefix per test run, in a scratch folder of its own (HOME and XDG_DATA_HOME inside it, so the
# recycle bin and user folders never touch the real home), Japanese locale (code page 932), no debug
# output, nothing that could reach the network (Mono and Gecko installers disabled). The prefix is copied
# from a template made once by `wineboot` and kept under ${QV_CACHE:-$HOME/.cache/quorvix}/wine.
#
#   qv_wine_begin              make this run's prefix and start its wineserver (idempotent)
#   qv_wine_make ROOT          the same in the folder ROOT, which the caller ends (scripts/wine-session)
#   qv_wine CMD ARGS...        run CMD (wine, winepath, a Windows exe via `qv_wine wine x.exe` …) in it
#   qv_winepath UNIX_PATH      print the Windows form of a path (Z:\…)
#   qv_wine_graphics null|x11  choose the graphics driver for processes started from now on
#   qv_wine_end                end this prefix's wineserver and delete the scratch folder
#   qv_xvfb_start / qv_xvfb_stop   a private X display (Xvfb) for tests that draw; sets DISPLAY
# qv_wine_begin does not set traps; callers end the prefix from their own EXIT trap.
# Wine starts helper processes on demand (e.g. the desktop process with the first window) that inherit
# the stdout of the program that needed them: send a Windows program's output to a file, not a pipe.

qv_cache=${QV_CACHE:-$HOME/.cache/quorvix}
QV_WINE_SCRATCH=${QV_WINE_SCRATCH:-}
QV_WINE_ENV=()

# Writes the registry settings every prefix gets, as a UTF-16LE .reg file with BOM (the only encoding
# `wine reg import` reads Japanese names from).
#  - Font replacements: without them Wine falls back to a font with no Latin glyphs for the Japanese UI
#    fonts; IPA(P)Gothic has nearly the metrics of MS UI Gothic.
#  - X11 Driver Managed=N: without a window manager, windows get a caption drawn by Wine, closing and
#    hiding do not wait 2 s, and synthetic key presses get through.
#  - No debugger on a crash: a crashing program ends at once with the exception code as its exit status
#    (0xC0000005 gives 5). Left to winedbg --auto, a crashed program that had started a thread exited
#    with status 0. For a backtrace, run the program under winedbg by hand.
qv_wine_settings_reg() {
  local out=$1
  {
    printf '\xff\xfe'
    sed 's/$/\r/' <<'EOF' | iconv -f UTF-8 -t UTF-16LE
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS UI Gothic"="IPAPGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""

EOF
  } >"$out"
}

# Environment of every Wine process of a prefix rooted at $1 (the scratch folder).
qv_wine_env_for() {
  local root=$1
  QV_WINE_ENV=(
    HOME="$root/home" XDG_DATA_HOME="$root/xdg" XDG_CONFIG_HOME="$root/home/.config"
    XDG_CACHE_HOME="$root/home/.cache" WINEPREFIX="$root/prefix" USER="$(id -un)"
    LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all WINEARCH=win64
    WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  )
}

# Prints the template prefix's path, making it first if needed (wineboot, about 10 s). The template's
# name carries the Wine version, the user and the settings, so a change of any makes a new one.
qv_wine_template() {
  local reg key dir tmp
  reg=$(mktemp) || return 1
  qv_wine_settings_reg "$reg"
  key=$({ wine --version; id -un; cat "$reg"; } 2>/dev/null | sha1sum | cut -c1-12)
  dir=$qv_cache/wine/template-$key
  if [ -d "$dir/drive_c" ]; then
    rm -f "$reg"
    printf '%s\n' "$dir"
    return 0
  fi
  mkdir -p "$qv_cache/wine"
  tmp=$(mktemp -d "$qv_cache/wine/.new.XXXXXX") || { rm -f "$reg"; return 1; }
  mkdir -p "$tmp/home" "$tmp/xdg"
  echo "wine-env: making the Wine prefix template (once)" >&2
  local -a env_
  qv_wine_env_for "$tmp"
  env_=("${QV_WINE_ENV[@]}")
  QV_WINE_ENV=()
  if ! env -u DISPLAY "${env_[@]}" wineboot -i >"$tmp/wineboot.log" 2>&1 ||
     ! env -u DISPLAY "${env_[@]}" wine reg import "$reg" >>"$tmp/wineboot.log" 2>&1; then
    echo "wine-env: wineboot failed:" >&2
    cat "$tmp/wineboot.log" >&2
    env "${env_[@]}" wineserver -k 2>/dev/null
    rm -rf "$tmp" "$reg"
    return 1
  fi
  # Let the server write the registry to disk and exit.
  env "${env_[@]}" wineserver -w
  rm -f "$reg"
  # The user folders (Desktop, Documents, Pictures …) are symlinks into the template's HOME: make them
  # plain empty folders so each copy is self-contained.
  local link
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir "$link"
  done < <(find "$tmp/prefix/drive_c/users" -maxdepth 3 -type l -print0)
  if mv -T "$tmp/prefix" "$dir" 2>/dev/null; then
    rm -rf "$tmp"
    # Templates of other Wine versions or settings (~700 MB each); copies made from them stand alone.
    find "$qv_cache/wine" -mindepth 1 -maxdepth 1 -name 'template-*' ! -name "${dir##*/}" -exec rm -rf {} +
  else
    rm -rf "$tmp"   # another run made it meanwhile
    [ -d "$dir/drive_c" ] || return 1
  fi
  printf '%s\n' "$dir"
}

# A prefix is ~700 MB, almost all of it Wine's PE modules, which Wine only reads (it would rewrite them
# only to update a prefix made by another Wine version, and the template's name carries the version).
# They are hard-linked; everything else (registry, .ini files, user folders) is copied. Hard links cannot
# cross file systems (the cache under the home folder, the scratch folder on a /tmp of its own): then the
# whole prefix is copied.
qv_wine_copy_template() {
  local from=$1 to=$2
  if [ "$(stat -c %d "$from")" != "$(stat -c %d "$(dirname "$to")")" ]; then
    cp -a "$from" "$to"
    return
  fi
  cp -al "$from" "$to" || return 1
  (cd "$from" && find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.nls' -o -iname '*.sys' \
     -o -iname '*.drv' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.tlb' \
     -o -iname '*.ds' -o -iname '*.ax' -o -iname '*.com' -o -iname '*.msstyles' -o -iname '*.icm' \) -print0 |
   xargs -0 -r cp -a --parents --remove-destination -t "$to")
}

qv_wine_begin() {
  [ -n "$QV_WINE_SCRATCH" ] && return 0
  QV_WINE_SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-wine.XXXXXX") || return 1
  qv_wine_make "$QV_WINE_SCRATCH" || { qv_wine_end; return 1; }
}

# qv_wine_make ROOT: a prefix in the folder ROOT with HOME and XDG_DATA_HOME beside it, its server started
# and QV_WINE_ENV set for it (qv_wine_begin's work in a folder the caller chose; ending it is the caller's).
qv_wine_make() {
  local root=$1 template
  command -v wine >/dev/null || { echo "wine-env: wine is not installed (run scripts/bootstrap)" >&2; return 1; }
  template=$(qv_wine_template) || return 1
  qv_wine_env_for "$root"
  mkdir -p "$root/home" "$root/xdg"
  qv_wine_copy_template "$template" "$root/prefix" || return 1
  # One server for the whole run: processes start in ~0.02 s instead of ~0.4 s. The first Wine process
  # also starts the prefix's background processes (services, device drivers), which inherit its stdout
  # and stderr and keep them open until the end: start them here with /dev/null, so that a later
  # `qv_wine … | reader` ends when the program does.
  qv_wine wineserver -p </dev/null >/dev/null 2>&1 || return 1
  qv_wine_graphics "$([ -n "${DISPLAY:-}" ] && echo x11 || echo null)"
}

qv_wine() {
  [ ${#QV_WINE_ENV[@]} -gt 0 ] || { echo "wine-env: qv_wine_begin first" >&2; return 1; }
  env "${QV_WINE_ENV[@]}" "$@"
}

qv_winepath() {
  local p
  p=$(qv_wine winepath -w "$1" 2>/dev/null) || return 1
  p=${p%$'\r'}
  [ -n "$p" ] || return 1
  printf '%s\n' "$p"
}

# Graphics=null: windows, messages, dialogs and GDI metrics work but nothing is drawn; needed when there
# is no X display at all. x11 (the default) draws on $DISPLAY.
qv_wine_graphics() {
  case $1 in
    null) qv_wine wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 ;;
    x11) qv_wine wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f </dev/null >/dev/null 2>&1 || true ;;
    *) echo "wine-env: qv_wine_graphics null|x11" >&2; return 2 ;;
  esac
}

qv_wine_end() {
  [ -n "$QV_WINE_SCRATCH" ] || return 0
  if [ -d "$QV_WINE_SCRATCH/prefix" ]; then
    env "${QV_WINE_ENV[@]}" wineserver -k >/dev/null 2>&1
    env "${QV_WINE_ENV[@]}" wineserver -w >/dev/null 2>&1
  fi
  rm -rf "$QV_WINE_SCRATCH"
  QV_WINE_SCRATCH=
  QV_WINE_ENV=()
}

QV_XVFB_PID=${QV_XVFB_PID:-}

# Starts Xvfb on a free display number and exports DISPLAY (screen size: $1, default 1280x1024x24).
qv_xvfb_start() {
  [ -n "$QV_XVFB_PID" ] && return 0
  local fifo display
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/quorvix-xvfb.XXXXXX")
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  QV_XVFB_PID=$!
  display=$(timeout 10 head -n 1 "$fifo")
  rm -f "$fifo"
  if [ -z "$display" ]; then
    echo "wine-env: Xvfb did not start" >&2
    kill "$QV_XVFB_PID" 2>/dev/null
    QV_XVFB_PID=
    return 1
  fi
  export DISPLAY=":$display"
}

qv_xvfb_stop() {
  [ -n "$QV_XVFB_PID" ] || return 0
  kill "$QV_XVFB_PID" 2>/dev/null
  wait "$QV_XVFB_PID" 2>/dev/null
  QV_XVFB_PID=
  unset DISPLAY
}
