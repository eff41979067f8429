#!/usr/bin/env bash
# Builds the programs for /usr without the tests and makes the Debian package
# kelvor9_<version>_amd64.deb in the package build folder (default:
# build-package/), which it prints at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR="${PACKAGE_BUILD_DIR:-build-package}"
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DBUILD_TESTING=OFF "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
(cd "$BUILD_DIR" && cpack -G DEB)
ls -l "$BUILD_DIR"/kelvor9_*.deb
