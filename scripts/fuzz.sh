#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs
# each for a bounded time. Not part of the normal build or test run.
#
#   scripts/fuzz.sh                  all targets, FUZZ_SECONDS each (default 30)
#   scripts/fuzz.sh sim_batch        only the named targets
#   FUZZ_SECONDS=60 scripts/fuzz.sh
#   scripts/fuzz.sh --build-only     build, do not run
#   scripts/fuzz.sh --coverage       line coverage of the corpora gathered so
#                                    far (build-fuzz/coverage/), no fuzzing
#
# New corpus inputs go to build-fuzz/corpus/<target>/ (the seeds in
# fuzz/corpus/<target>/ are only read); a crashing input is written to
# build-fuzz/artifacts/<target>/. The script fails when any target found
# something.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_EACH="${FUZZ_SECONDS:-30}"
JOBS="${FUZZ_JOBS:-2}"
ALL_TARGETS=(model_replies paradigm_file sim_batch reply_frame script_reader channel9_csv sector_reply remote_calls)

BUILD_ONLY=0
COVERAGE=0
TARGETS=()
for arg in "$@"; do
  case "$arg" in
    --build-only) BUILD_ONLY=1 ;;
    --coverage) COVERAGE=1 ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) TARGETS+=("$arg") ;;
  esac
done
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=("${ALL_TARGETS[@]}")

# clang and its libFuzzer runtime come from Debian packages.
fuzzer_runtime() {
  ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n1
}
if ! command -v clang++ >/dev/null || [ -z "$(fuzzer_runtime)" ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
fi

if [ "$COVERAGE" -eq 1 ]; then
  if ! command -v llvm-profdata >/dev/null || ! command -v llvm-cov >/dev/null; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends llvm-14
    export PATH="/usr/lib/llvm-14/bin:$PATH"
  fi
  COV_DIR="$BUILD_DIR/coverage"
  cmake -S "$ROOT/fuzz" -B "$COV_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DFUZZ_COVERAGE=ON >/dev/null
  cmake --build "$COV_DIR" -j "$JOBS" --target "${TARGETS[@]}"
  for t in "${TARGETS[@]}"; do
    mkdir -p "$BUILD_DIR/corpus/$t"
    rm -f "$COV_DIR/$t.profraw"
    LLVM_PROFILE_FILE="$COV_DIR/$t.profraw" "$COV_DIR/$t" -runs=0 -artifact_prefix="$COV_DIR/" \
        "$BUILD_DIR/corpus/$t" "$ROOT/fuzz/corpus/$t" >"$COV_DIR/$t.log" 2>&1 \
        || echo "note: an input of $t fails a check; coverage counts up to it (see $COV_DIR/$t.log)"
    llvm-profdata merge -sparse "$COV_DIR/$t.profraw" -o "$COV_DIR/$t.profdata"
    echo "== $t"
    llvm-cov report "$COV_DIR/$t" -instr-profile="$COV_DIR/$t.profdata" \
        -ignore-filename-regex='^/usr/|/fuzz/'
  done
  exit 0
fi

cmake -S "$ROOT/fuzz" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target "${TARGETS[@]}"
[ "$BUILD_ONLY" -eq 0 ] || exit 0

# No allocation stacks while fuzzing: through the Qt libraries, built without
# frame pointers, every stack looks new, and recording them takes most of the
# time and memory. To see them for a reproducer, run it alone with
# ASAN_OPTIONS=malloc_context_size=30:fast_unwind_on_malloc=0.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:malloc_context_size=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for t in "${TARGETS[@]}"; do
  corpus="$BUILD_DIR/corpus/$t"
  artifacts="$BUILD_DIR/artifacts/$t/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $t: ${SECONDS_EACH}s"
  log="$BUILD_DIR/$t.log"
  status=0
  "$BUILD_DIR/$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  grep -E '^(#[0-9]+ +DONE|stat::|==[0-9]+==ERROR|SUMMARY|FUZZ_CHECK|.*runtime error|artifact_prefix|Test unit written)' "$log" || true
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    echo "!! $t found something: see $BUILD_DIR/$t.log and $artifacts"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: no findings in ${TARGETS[*]}"
