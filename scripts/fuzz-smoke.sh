#!/usr/bin/env bash
# The fuzzing step of the test run: builds every fuzz target with clang and runs each for
# 10 seconds on its seed corpus. Exits non-zero when a target crashes.
# Environment: FUZZ_BUILD_DIR (default build-fuzz).
set -euo pipefail
exec "$(dirname "$0")/fuzz.sh" 10
