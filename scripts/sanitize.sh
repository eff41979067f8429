#!/usr/bin/env bash
# Builds the whole test suite with sanitizers and runs it. Not part of the
# default test run (it builds everything twice more).
#
#   scripts/sanitize.sh            AddressSanitizer + LeakSanitizer + UBSan, whole suite
#   scripts/sanitize.sh thread     ThreadSanitizer, the link's suites (event thread
#                                  against the window thread) and the simulator's
#   scripts/sanitize.sh all        both
#
# Debian's Qt is not built with the sanitizers. AddressSanitizer works with it
# as it is; ThreadSanitizer cannot see Qt's own synchronisation, so
# scripts/tsan.supp names Qt's internals it may report, each with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
MODE="${1:-address}"
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

run_address() {
  local dir="${ASAN_BUILD_DIR:-$ROOT/build-asan}"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" ${CMAKE_EXTRA:-} >/dev/null
  cmake --build "$dir" -j "$(nproc)"
  KELVOR9_TEST_TIME_SCALE=3 \
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1" \
  LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$dir" --output-on-failure -j 2 --timeout 600
}

run_thread() {
  local dir="${TSAN_BUILD_DIR:-$ROOT/build-tsan}"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" ${CMAKE_EXTRA:-} >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target link_tests sim_tests model_tests kelvor9-sim kelvor9-link
  KELVOR9_TEST_TIME_SCALE=10 \
  TSAN_OPTIONS="suppressions=$ROOT/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1" \
    ctest --test-dir "$dir" --output-on-failure -j 2 --timeout 600 -R '^(Comm|Dialogue|ReceiveHandler|CommReceive|TrafficLog|Wait|PortSearch|SimEndToEnd|LinkProgram|ModelSim|Sim|Device|Batch|Program|Value|FrameReader|CommandLine)'
}

case "$MODE" in
  address) run_address ;;
  thread) run_thread ;;
  all) run_address; run_thread ;;
  *) sed -n '2,13p' "$0"; exit 2 ;;
esac
