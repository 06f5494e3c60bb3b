#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test headless
# (the uhid tier boots a small VM where /dev/uhid is missing), then fuzzes each libFuzzer target
# briefly.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKARVO_SANITIZE=ON -DKARVO_WERROR=ON \
      -DKARVO_TESTS=ON >/dev/null
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j2
scripts/fuzz-smoke.sh
