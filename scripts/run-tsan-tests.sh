#!/usr/bin/env bash
# Builds the radio tests with ThreadSanitizer in a build folder of their own
# and runs them: the serial port's event thread and the HID reader thread hand
# their results to the main thread and are stopped from it, so this is where
# a data race or a lock-order fault would show. Takes a few minutes on 2 cores.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/tsan}
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build" -j 2 --target radio_tests
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
echo "ThreadSanitizer: radio tests"
"$build/bin/radio_tests" --gtest_brief=1
