#!/usr/bin/env bash
# Installs the Debian packages Quillpad needs to build and test, when they are
# missing. Safe to run again; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev libgl-dev
  python3 python3-dbf python3-dbfread
  # Qt draws the SVG application icon through these plugins
  libqt6svg6
  # end-to-end test: X server, window manager, tray host, input, screenshots
  xvfb openbox tint2 xdotool x11-utils imagemagick
  # checks the desktop entry
  desktop-file-utils
  # the .deb: CPack's dependency scan and file checks, then the checks of
  # the installed files (AppStream, manual pages) and of the package
  dpkg-dev file appstream groff-base lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
