#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need (dpkg-dev and file
# build the Debian package; lintian, devscripts for hardening-check, desktop-file-utils,
# appstream, man-db and groff-base check it as Debian does, fakeroot installs it when not run
# as root; qt6-svg-dev draws the scalable icon in tools/make-icons). Quick when they are all
# there already: apt is only asked about the missing ones.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-qpa-plugins libgl-dev libglx-dev
  libsqlite3-dev sqlite3
  poppler-utils fonts-dejavu-core clang
  adb
  dpkg-dev file appstream
  lintian devscripts desktop-file-utils man-db groff-base fakeroot qt6-svg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
