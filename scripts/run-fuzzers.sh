#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in a tree of their own and
# runs each for a bounded time, starting from its seed corpus in
# fuzz/corpus/<target>. Fails if any target finds a crash, a broken property,
# a leak, a time-out or runaway memory; the input that did it is kept in
# <build>/findings/.
# usage: run-fuzzers.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
[ $# -gt 0 ] && shift
targets=(fuzz_settings_file fuzz_text_rules fuzz_demodulator fuzz_usb_interface fuzz_hid_descriptor fuzz_station_input)
[ $# -gt 0 ] && targets=("$@")
build=${PARLET_FUZZ_BUILD:-$here/build/fuzz}

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DPARLET_SANITIZE=ON -DPARLET_FUZZ=ON -DPARLET_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
findings="$build/findings"
mkdir -p "$findings"
failed=()
for t in "${targets[@]}"; do
  # New inputs go to a scratch corpus; the seeds in the repository stay as
  # they are.
  work=$(mktemp -d)
  dict=()
  [ -f "$here/fuzz/$t.dict" ] && dict=(-dict="$here/fuzz/$t.dict")
  echo "fuzz: $t for ${seconds}s"
  if "$build/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$findings/$t-" "${dict[@]}" \
      "$work" "$here/fuzz/corpus/$t" >"$build/$t.log" 2>&1; then
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+.*DONE" "$build/$t.log" | sed "s/^/fuzz: $t: /" || true
  else
    echo "fuzz: $t FOUND A PROBLEM; input kept in $findings, log $build/$t.log"
    grep -E "ERROR|fuzz property broken|SUMMARY|runtime error" "$build/$t.log" | head -n 10 || true
    failed+=("$t")
  fi
  rm -rf "$work"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: no findings in ${targets[*]} (${seconds}s each)"
