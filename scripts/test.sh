#!/usr/bin/env bash
# Installs, builds and runs the default test suite (slow stress and benchmark
# work is not part of it: see scripts/bench.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j 2 --timeout 300
