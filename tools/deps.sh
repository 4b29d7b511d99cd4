#!/usr/bin/env bash
# Installs what building and testing Tessaly needs on Debian, and nothing when
# all of it is already there.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix   # the cross compiler with the posix thread model
  googletest                   # sources under /usr/src/googletest, built with the cross compiler
  wine wine64                  # the Windows API the program runs and is tested on
  xvfb xauth x11-utils         # a private X display, xwininfo/xdpyinfo to wait for windows
  imagemagick                  # screenshots of the virtual desktop (import)
  xdotool                      # moves the pointer for the screenshot of the shown side bar
  fonts-ipafont-gothic         # Japanese font for the user interface texts
  fonts-wine                   # Wine's Marlett, the glyphs of the caption buttons
  perl-base                    # the storm tests run a Perl script beside Wine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
