#!/usr/bin/env bash
# Runs every test of a build folder through CTest and prints its summary.
set -euo pipefail
build=${1:?usage: run-tests.sh BUILD_DIR}
here=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
tsan_build="$(cd "$build/.." && pwd)/tsan"
builds="$(cd "$build/.." && pwd)"
cd "$build"
ctest --output-on-failure -j 2 --timeout 600

# The radio worker threads once more under ThreadSanitizer, in a build of
# their own (it cannot be combined with AddressSanitizer).
bash "$here/scripts/run-tsan-tests.sh" "$tsan_build"

# The fuzz targets, built with clang in a tree of their own, 20 s each; then
# an hour of virtual time of two stations talking, on an optimized build.
PARLET_FUZZ_BUILD="$builds/fuzz" bash "$here/scripts/run-fuzzers.sh" 20
PARLET_SOAK_BUILD="$builds/soak" bash "$here/scripts/run-soak.sh" 1
