#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated stimulator and then
# the console, which finds the simulator by its port search. Arguments are
# passed to the console (for example COM5 to name a real port).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BIN="${BUILD_DIR:-build}/bin"

SIM_LOG="$(mktemp -t kelvor9-sim.XXXXXX.log)"
"$BIN/kelvor9-sim" >"$SIM_LOG" 2>&1 &
SIM_PID=$!
XVFB_PID=""
cleanup() {
  kill "$SIM_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

# Wait (at most 10 s) for the simulator to announce its port.
for _ in $(seq 100); do
  grep -q "serving" "$SIM_LOG" && break
  kill -0 "$SIM_PID" 2>/dev/null || break
  sleep 0.1
done
cat "$SIM_LOG"
echo "Simulator log: $SIM_LOG"

# Without a display, start a virtual one so the console can still run.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :99 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=:99
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  echo "No display was set: the console runs on the virtual display :99."
fi
"$BIN/kelvor9" "$@"
