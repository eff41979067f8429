#!/usr/bin/env bash
# Builds and runs the benchmark programs (not part of the test run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BIN="${BUILD_DIR:-build}/bin"
export QT_QPA_PLATFORM=offscreen
for bench in "$BIN"/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" "$BIN/kelvor9-sim"
done
