#!/usr/bin/env bash
# Installs every Debian 12 package the console, the simulator, the tests, the
# benchmarks and the Debian package (dpkg-dev and file: cpack reads the
# programs' library needs through dpkg-shlibdeps; lintian checks the package;
# appstream validates its AppStream metadata; dbus and libglib2.0-bin give the
# remote-control tests a private session bus and gdbus) need. Runs as root,
# or through sudo when it is available.
set -euo pipefail
PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-multimedia-dev qt6-svg-dev libqt6svg6
          qt6-base-private-dev
          xvfb xauth xdotool imagemagick poppler-utils fonts-dejavu-core locales
          dpkg-dev file lintian appstream
          dbus libglib2.0-bin)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The tests check number handling in a locale whose decimal separator is a
# comma; generate one when the system has none.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: no de_DE.UTF-8 locale; its tests will be skipped"
fi
