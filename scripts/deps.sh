#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only those that are missing.
# Usage: scripts/deps.sh run|test
set -euo pipefail

run_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
              libudev-dev libgl1-mesa-dev libxkbcommon-dev fonts-dejavu-core fonts-liberation2)
test_packages=("${run_packages[@]}" clang libclang-rt-14-dev libbenchmark-dev dbus-daemon
               qemu-system-x86 busybox-static cpio kmod xvfb xauth)

case "${1:-run}" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
