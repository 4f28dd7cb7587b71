#!/usr/bin/env bash
# Measures the FFSK modem with both bit detectors: message success rates
# against noise, clock skew, input level and modelled radio audio paths, the latency from the last tone to OnReceive (all on the
# simulated channel, seeded, so a run prints the same tables every time),
# and the throughput of modulator and demodulator on one core.
#
# usage: modem-robustness.sh [BUILD_DIR] [-- modem_robustness options]
#   BUILD_DIR defaults to build/bench (a release build of the measurement
#   programs only); options, e.g. --trials 100 --length 20 --seed 1.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/bench}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARLET_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target modem_robustness radio_paths modem_bench >/dev/null

echo "## Robustness"
"$build/bin/modem_robustness" "$@"
echo
echo "## Radio audio paths"
"$build/bin/radio_paths" "$@"
echo
echo "## Throughput (one core)"
taskset -c 0 "$build/bin/modem_bench" --benchmark_min_time=1 2>/dev/null ||
  "$build/bin/modem_bench" --benchmark_min_time=1
