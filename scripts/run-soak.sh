#!/usr/bin/env bash
# Builds the soak test of two stations optimized and without sanitizers (a
# day of virtual time is billions of samples) in a tree of its own, and runs
# it for HOURS of virtual time. Figures go to stdout and, when given, are
# appended to REPORT_FILE.
# usage: run-soak.sh [HOURS] [REPORT_FILE]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
hours=${1:-1}
report=${2:-}
build=${PARLET_SOAK_BUILD:-$here/build/soak}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DPARLET_TESTS=ON >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target soak_tests

# The stations rewrite their settings files with every message: on tmpfs
# where there is one.
scratch=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
echo "soak: ${hours} h of virtual time"
TMPDIR="$scratch" PARLET_SOAK_HOURS="$hours" PARLET_SOAK_REPORT="$report" "$build/bin/soak_tests"
