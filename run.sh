#!/usr/bin/env bash
# Builds the program and opens its window connected to the built-in simulated wheel base.
# Extra arguments go to the program (for example --trace wire.log).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKARVO_TESTS=OFF >/dev/null
cmake --build build-release --target KarvoWheelConfig
exec build-release/src/app/KarvoWheelConfig --simulate "$@"
