#!/usr/bin/env bash
# Builds the program and saves a picture of every page in both themes, with the simulated wheel
# base streaming: base-dark.png, hardware-dark.png, debug-dark.png, base-light.png, ...
# Usage: scripts/screenshots.sh [output directory, default docs/screenshots]
# KARVO_BUILD_DIR picks the build directory (default build-screenshots, a release build).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
out="$(realpath -m "${1:-docs/screenshots}")"
build="${KARVO_BUILD_DIR:-build-screenshots}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKARVO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target KarvoWheelConfig
mkdir -p "$out"

# The settings file lives beside the executable: give this run a copy of the program of its own,
# so that nothing of a user's settings is read or changed.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$build/src/app/KarvoWheelConfig" "$work/"
# A sanitizer build may be used; system libraries leak a little at exit.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export XDG_DATA_HOME="$work/data"      # the simulated wheel base's saved profiles
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Theme pictures are looked up relative to the current directory: run from the repository root.
cd "$root"
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "$work/KarvoWheelConfig" --simulate --screenshots "$out"
else
  echo "Xvfb not found: drawing off screen" >&2
  QT_QPA_PLATFORM=offscreen "$work/KarvoWheelConfig" --simulate --screenshots "$out"
fi
ls -1 "$out"/*.png
