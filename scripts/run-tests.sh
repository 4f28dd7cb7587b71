#!/usr/bin/env bash
# Runs every test of a build folder: the CTest suite, the radio tests under
# ThreadSanitizer, the fuzz targets for a bounded time, an hour of virtual
# time of two stations talking, and the Debian package with the program run
# from a staged install. Every stage runs even when one before it
# failed; the last line sums up the CTest suite and the extra stages.
set -uo pipefail
build=${1:?usage: run-tests.sh BUILD_DIR}
here=$(cd "$(dirname "$0")/.." && pwd)
builds="$(cd "$build/.." && pwd)"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"

passed=0
failed=0
failures=()
stage() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
  fi
}

ctest_log="$build/ctest-summary.log"
(cd "$build" && ctest --output-on-failure -j 2 --timeout 600) 2>&1 | tee "$ctest_log"
ctest_status=${PIPESTATUS[0]}
[ "$ctest_status" -eq 0 ] || failures+=("ctest")

# The radio worker threads once more under ThreadSanitizer, in a build of
# their own (it cannot be combined with AddressSanitizer).
stage "thread sanitizer" bash "$here/scripts/run-tsan-tests.sh" "$builds/tsan"
# The fuzz targets, built with clang in a tree of their own, 20 s each; then
# an hour of virtual time of two stations talking, on an optimized build.
stage "fuzzing" env PARLET_FUZZ_BUILD="$builds/fuzz" bash "$here/scripts/run-fuzzers.sh" 20
stage "soak" env PARLET_SOAK_BUILD="$builds/soak" bash "$here/scripts/run-soak.sh" 1
# The Debian package, its desktop file and metainfo, and the program run
# from a staged install with a read-only program folder.
stage "package" bash "$here/scripts/check-package.sh" "$builds/package"

ctest_passed=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$ctest_log" | tail -n 1)
total=${ctest_passed%% *}
bad=${ctest_passed##* }
if [ -z "$ctest_passed" ]; then total=0; bad=1; fi
# CTest counts a skipped test among the passed ones.
skipped=$(grep -c '(Skipped)$' "$ctest_log" || true)
echo
[ ${#failures[@]} -eq 0 ] || echo "failed: ${failures[*]}"
echo "tests: $((total - bad - skipped + passed)) passed, $skipped skipped, $((bad + failed)) failed"
[ "$ctest_status" -eq 0 ] && [ "$failed" -eq 0 ]
