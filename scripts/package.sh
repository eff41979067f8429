#!/usr/bin/env bash
# Builds the programs for /usr without the tests, makes the Debian package
# kelvor9_<version>_amd64.deb in the package build folder (default:
# build-package/), which it prints, and checks it with lintian, Debian's own
# checker: any error or warning fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR="${PACKAGE_BUILD_DIR:-build-package}"
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DBUILD_TESTING=OFF "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
rm -f "$BUILD_DIR"/kelvor9_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
ls -l "$BUILD_DIR"/kelvor9_*.deb
lintian --fail-on error,warning "$BUILD_DIR"/kelvor9_*.deb
echo "lintian: no errors, no warnings"
