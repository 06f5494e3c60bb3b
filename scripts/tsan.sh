#!/usr/bin/env bash
# Builds the threaded parts with ThreadSanitizer (no AddressSanitizer) and runs their tests: the
# HID controller's readers and hand-offs, the thread timers, the simulated wheel base and the
# hot-plug soak on the real window. Suppressions (tests/tsan.supp) cover Qt's own code only.
# Environment: TSAN_BUILD_DIR (default build-tsan).
# Exit status: non-zero when a test fails or ThreadSanitizer reports a race.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${TSAN_BUILD_DIR:-$root/build-tsan}
tests=(tst_hidcontroller tst_guihandoff tst_threadtimer tst_wheelbasefirmware tst_firmwarestreams tst_wiretrace
       tst_simulatedhidbackend tst_hotplugsoak)

if [[ ! -f $build/build.ninja ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKARVO_TSAN=ON \
    -DKARVO_SANITIZE=OFF > /dev/null
fi
nice ninja -C "$build" "${tests[@]}"

# The default history is kept: a longer one also brings back accesses of the QtTest watchdog
# thread from long before, which Qt orders with futexes that the tool cannot see.
# exitcode: a report fails the test.
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp second_deadlock_stack=1 exitcode=66 ${TSAN_OPTIONS:-}"
pattern="^($(IFS='|'; echo "${tests[*]}"))\$"
ctest --test-dir "$build" -R "$pattern" --output-on-failure
