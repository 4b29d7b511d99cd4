#!/usr/bin/env bash
# Builds Tessaly and starts it under Wine. On your display when DISPLAY is set;
# otherwise on an Xvfb display of its own, where it saves two screenshots
# (the side bar parked, and shown after the pointer rested on the left edge).
# `./run.sh browser` builds and starts the example shell browser instead.
set -euo pipefail
cd "$(dirname "$0")"
program=tessaly
[ "${1:-}" = browser ] && program=shellbrowser
source tools/prepare.sh
tessaly_build "$BUILD_DIR" --target "$program" winekeepalive
envdir=$BUILD_DIR/wine-run
own_display=
[ -z "${DISPLAY:-}" ] && own_display=1
trap 'tessaly_env_down "$envdir"' EXIT
trap 'exit 130' INT TERM
tessaly_env_up "$envdir" "$BUILD_DIR/bin/winekeepalive.exe"

wine "$BUILD_DIR/bin/$program.exe" &
app=$!
echo "$program is running on display $DISPLAY (Wine prefix $WINEPREFIX)."
if [ -n "$own_display" ] && [ "$program" = shellbrowser ]; then
  shots=$(cd "$BUILD_DIR" && pwd)
  sleep 3
  import -display "$DISPLAY" -window root "$shots/screenshot-browser.png"
  echo "Screenshot: $shots/screenshot-browser.png"
elif [ -n "$own_display" ]; then
  shots=$(cd "$BUILD_DIR" && pwd)
  sleep 3
  import -display "$DISPLAY" -window root "$shots/screenshot-parked.png"
  xdotool mousemove 0 300
  sleep 2.5
  import -display "$DISPLAY" -window root "$shots/screenshot-shown.png"
  echo "Screenshots: $shots/screenshot-parked.png and $shots/screenshot-shown.png"
  echo "Look at it live with: DISPLAY=$DISPLAY xwd -root | display   (or any X viewer)"
fi
echo "Press Ctrl+C to end it."
wait "$app" || true
