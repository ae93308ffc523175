#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, whose installed desktop files are
# then validated, and one under AddressSanitizer and UndefinedBehaviorSanitizer, where any
# report fails the run. Then each fuzzer runs for twenty seconds under the same sanitizers.
# Last, the tests that run download workers are built and run under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
# Seconds, so a badly laid out file fails the run before minutes of building.
bash tools/formato.sh

jobs=$(nproc)

# -O1 and line tables only (-g1): optimised code, every backtrace, and a quarter less compile
# time than -O2 -g. Unity builds parse the Qt headers once per eight sources instead of once
# per source, which more than halves the compile time.
cmake -S . -B build/tests -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLIN_WERROR=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_UNITY_BUILD=ON
cmake --build build/tests
ctest --test-dir build/tests --output-on-failure -j "$jobs"

# The desktop entry and the metainfo as the package installs them, through the checks that
# software centres make; a warning fails the run as an error does.
inst=$(mktemp -d)
trap 'rm -rf "$inst"' EXIT
cmake --install build/tests --prefix "$inst" >/dev/null
if ! out=$(desktop-file-validate "$inst/share/applications/tarvolin.desktop" 2>&1) ||
  [ -n "$out" ]; then
  echo "$out" >&2
  exit 1
fi
appstreamcli validate-tree --no-net "$inst"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
  -DTARVOLIN_WERROR=ON -DTARVOLIN_SANITIZE=ON -DTARVOLIN_BENCH=OFF -DCMAKE_UNITY_BUILD=ON
cmake --build build/asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
ctest --test-dir build/asan --output-on-failure -j "$jobs"

# libFuzzer needs clang. Only the libraries the fuzzers link are built, at -O1 for speed, with
# the assertions kept.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DTARVOLIN_FUZZ=ON -DTARVOLIN_TESTS=OFF -DTARVOLIN_BENCH=OFF \
  -DCMAKE_UNITY_BUILD=ON
cmake --build build/fuzz --target fuzzers
# A fresh corpus each run, so that every run starts from the seeds alone and takes the same time.
corpora=$(mktemp -d)
trap 'rm -rf "$inst" "$corpora"' EXIT
for fuzzer in fuzz_cookie fuzz_hosting fuzz_nomi fuzz_ricezione fuzz_ripresa; do
  mkdir "$corpora/$fuzzer"
  semi=()
  if [ -d "tests/fuzz/semi/$fuzzer" ]; then
    semi=("tests/fuzz/semi/$fuzzer")
  fi
  log=$corpora/$fuzzer.log
  # TMPDIR: what a fuzzer writes goes with the corpora, even when it crashes.
  if ! TMPDIR=$corpora "build/fuzz/tests/fuzz/$fuzzer" -max_total_time=20 -detect_leaks=1 \
    -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/ "$corpora/$fuzzer" \
    "${semi[@]}" >"$log" 2>&1; then
    # The report without the progress lines, which run to thousands.
    grep -vE '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|INITED|RELOAD)' "$log" >&2
    exit 1
  fi
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "$fuzzer: $(grep '^Done ' "$log"), $rate exec/s"
done

# Only the tests that run download workers, which keeps this stage to a couple of minutes.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DTARVOLIN_WERROR=ON -DTARVOLIN_TSAN=ON -DTARVOLIN_BENCH=OFF -DCMAKE_UNITY_BUILD=ON
cmake --build build/tsan --target engine_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp
# This runtime cannot map its shadow memory beside more than 28 bits of address randomisation.
norandom=()
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 0)" -gt 28 ]; then
  norandom=(setarch "$(uname -m)" -R)
fi
"${norandom[@]}" ctest --test-dir build/tsan --output-on-failure -j "$jobs" -L engine
