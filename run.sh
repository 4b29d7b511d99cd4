#!/usr/bin/env bash
# Builds Tessaly and starts it under Wine. On your display when DISPLAY is set;
# otherwise on an Xvfb display of its own, where it saves two screenshots
# (the side bar parked, and shown after the pointer rested on the left edge).
set -euo pipefail
cd "$(dirname "$0")"
source tools/prepare.sh
tessaly_build "$BUILD_DIR" --target tessaly winekeepalive
envdir=$BUILD_DIR/wine-run
own_display=
[ -z "${DISPLAY:-}" ] && own_display=1
trap 'tessaly_env_down "$envdir"' EXIT
trap 'exit 130' INT TERM
tessaly_env_up "$envdir" "$BUILD_DIR/bin/winekeepalive.exe"

wine "$BUILD_DIR/bin/tessaly.exe" &
app=$!
echo "Tessaly is running on display $DISPLAY (Wine prefix $WINEPREFIX)."
if [ -n "$own_display" ]; then
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
