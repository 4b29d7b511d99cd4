# Private Wine environment for Tessaly: its own prefix, a Wine virtual desktop
# named "shell" (the only kind that shows Wine's taskbar) of 1280x800, and an
# Xvfb display when none is set. Source this file, then call
#   tessaly_env_up ENVDIR KEEPALIVE_EXE   (idempotent)
#   tessaly_env_down ENVDIR
# Everything the environment keeps lives in ENVDIR.

TESSALY_DESKTOP_SIZE=1280x800
# Raise it whenever the prefix's settings change: a prefix made before then
# gets them the next time the environment comes up.
TESSALY_PREFIX_VERSION=3

_tessaly_log() { echo "[winenv] $*" >&2; }

_tessaly_display_alive() { xdpyinfo -display "$1" >/dev/null 2>&1; }

_tessaly_start_xvfb() {
  local envdir=$1 n
  for n in $(seq 90 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 ${TESSALY_DESKTOP_SIZE}x24 -nolisten tcp >/dev/null 2>&1 &
    local pid=$!
    local i
    for i in $(seq 100); do
      _tessaly_display_alive ":$n" && { echo "$pid" >"$envdir/xvfb.pid"; echo ":$n" >"$envdir/display"; return 0; }
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null
  done
  _tessaly_log "no free X display for Xvfb"; return 1
}

# A wineserver that outlived its display keeps a desktop on the dead display,
# and no new desktop comes up while it runs.
_tessaly_end_wineserver() {
  [ -d "$WINEPREFIX" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  timeout 20 wineserver -w >/dev/null 2>&1 || true
}

_tessaly_choose_display() {
  local envdir=$1
  if [ -f "$envdir/display" ] && _tessaly_display_alive "$(cat "$envdir/display")"; then
    export DISPLAY=$(cat "$envdir/display"); return 0
  fi
  _tessaly_end_wineserver
  rm -f "$envdir/display" "$envdir/xvfb.pid"
  if [ -n "${DISPLAY:-}" ] && _tessaly_display_alive "$DISPLAY"; then
    echo "$DISPLAY" >"$envdir/display"; return 0
  fi
  _tessaly_start_xvfb "$envdir" && export DISPLAY=$(cat "$envdir/display")
}

# Registry settings of the prefix: every program joins the virtual desktop
# "shell", the fonts the forms ask for render with the IPA Gothic fonts (and
# so does "MS UI Gothic", which Wine's menu, caption and message-box font
# falls back to for Japanese characters), and a program that crashes ends at
# once with Wine's one-line reason on stderr: no debugger (it cannot start an
# empty command) and no crash dialog, which would wait for a click that never
# comes.
_tessaly_write_registry() {
  local regfile=$WINEPREFIX/tessaly.reg
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="shell"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"shell"="$TESSALY_DESKTOP_SIZE"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Debugger"=""
"Auto"="1"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

REG
  } >"$regfile"
  wine regedit /S "$regfile" >/dev/null 2>&1
}

# A new prefix links the Desktop to the Unix home folder; tests fill and empty
# the Desktop, so it becomes a directory of the prefix's own.
_tessaly_private_desktop() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/Desktop; do
    if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
  done
}

# Wine's own Marlett draws the caption buttons; without it the close box is
# the letter "r" of some other font.
_tessaly_install_fonts() {
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ]; then
    cp -f "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
  else
    _tessaly_log "$marlett is missing (package fonts-wine): caption buttons draw as letters"
  fi
}

# Settings of this environment; applied to a new prefix and again to one made
# with an older TESSALY_PREFIX_VERSION.
_tessaly_configure_prefix() {
  _tessaly_write_registry
  _tessaly_install_fonts
  _tessaly_private_desktop
  echo "$TESSALY_PREFIX_VERSION" >"$WINEPREFIX/.tessaly-ready"
}

_tessaly_create_prefix() {
  _tessaly_log "creating Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  _tessaly_configure_prefix
  wineserver -w
}

_tessaly_prefix_current() {
  [ "$(cat "$WINEPREFIX/.tessaly-ready" 2>/dev/null)" = "$TESSALY_PREFIX_VERSION" ]
}

_tessaly_desktop_window() {
  local tree
  tree=$(xwininfo -display "$DISPLAY" -root -tree 2>/dev/null) || return 1
  [[ $tree == *'"shell - Wine desktop"'* ]]
}

tessaly_env_up() {
  local envdir keepalive
  envdir=$(mkdir -p "$1" && cd "$1" && pwd)
  keepalive=$2
  export WINEPREFIX=$envdir/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  _tessaly_choose_display "$envdir" || return 1
  [ -f "$WINEPREFIX/.tessaly-ready" ] || _tessaly_create_prefix
  # A persistent wineserver makes each wine call fast and keeps the desktop's
  # state between the programs of one run.
  wineserver -p >/dev/null 2>&1 || true  # fails harmlessly when one already runs
  if ! _tessaly_prefix_current; then
    _tessaly_log "updating the settings of Wine prefix $WINEPREFIX"
    _tessaly_configure_prefix
  fi
  if ! _tessaly_desktop_window; then
    # The desktop goes away with its last program, and a program that starts
    # while it is torn down can get a dead X window: keep one program in it.
    (wine "$keepalive" >/dev/null 2>&1 &)
    local i
    for i in $(seq 150); do _tessaly_desktop_window && break; sleep 0.2; done
    _tessaly_desktop_window || { _tessaly_log "the Wine desktop did not come up"; return 1; }
  fi
}

# Ends everything the environment started: the wineserver takes every Wine
# process of the prefix with it (the keepalive, the desktop, the programs).
tessaly_env_down() {
  local envdir
  # wineserver refuses a relative prefix.
  envdir=$(cd "$1" 2>/dev/null && pwd) || return 0
  if [ -d "$envdir/prefix" ]; then
    WINEPREFIX=$envdir/prefix _tessaly_end_wineserver
  fi
  if [ -f "$envdir/xvfb.pid" ]; then
    kill "$(cat "$envdir/xvfb.pid")" 2>/dev/null || true
    rm -f "$envdir/xvfb.pid" "$envdir/display"
  fi
}
