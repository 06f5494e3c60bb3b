#!/usr/bin/env bash
# Runs the uhid integration test against a real kernel HID stack.
#
# Where /dev/uhid is usable the test binary runs directly. Elsewhere (containers, CI) it runs in
# a small VM: Debian's own kernel package (downloaded once, unpacked into the cache, never
# installed), booted by QEMU without KVM, with an initramfs holding a static busybox, the hid,
# hid-generic and uhid modules, the test binary and every shared library it needs. The VM prints
# a marker line with the test's exit code and powers off; this script exits with that code.
#
# Usage: run-uhid-tier.sh <test-binary> [cache-dir]
# Environment: KARVO_UHID_VM_TIMEOUT (seconds, default 240), KARVO_UHID_VM_MEMORY (MiB, default
# 1024), KARVO_LSAN_SUPPRESSIONS (a LeakSanitizer suppressions file to use inside the VM).
set -euo pipefail

die() {
  echo "run-uhid-tier: $*" >&2
  exit 1
}

[ $# -ge 1 ] || die "usage: $0 <test-binary> [cache-dir]"
binary=$(realpath "$1")
[ -x "$binary" ] || die "$binary is not an executable"
cache=$(realpath -m "${2:-$(dirname "$binary")/uhid-vm}")
vm_timeout=${KARVO_UHID_VM_TIMEOUT:-240}
vm_memory=${KARVO_UHID_VM_MEMORY:-1024}
marker=KARVO-UHID-EXIT-CODE

if [ -c /dev/uhid ] && (exec 3<>/dev/uhid) 2>/dev/null; then
  echo "run-uhid-tier: /dev/uhid is usable, running the test directly"
  exec "$binary"
fi
echo "run-uhid-tier: no usable /dev/uhid here, running the test in a VM"

for tool in qemu-system-x86_64 busybox cpio gzip dpkg apt-get flock timeout; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/deps.sh test installs it)"
done
busybox_bin=$(command -v busybox)
if ldd "$busybox_bin" >/dev/null 2>&1; then
  die "$busybox_bin is linked dynamically; the static one comes with busybox-static"
fi

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9  # one download and one VM at a time per cache

# The kernel: the image that linux-image-amd64 currently stands for, unpacked once.
if ! compgen -G "$cache/kernel/boot/vmlinuz-*" >/dev/null; then
  kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
      awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
  }
  package=$(kernel_package)
  if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq >/dev/null  # a fresh machine may have no package lists yet
    package=$(kernel_package)
  fi
  [ -n "$package" ] || die "apt knows no linux-image-amd64 (run apt-get update first)"
  echo "run-uhid-tier: fetching $package"
  rm -rf "$cache/download" "$cache/kernel.partial"
  mkdir -p "$cache/download"
  (cd "$cache/download" && apt-get download -q "$package") || die "apt-get download $package failed"
  dpkg -x "$cache"/download/"$package"_*.deb "$cache/kernel.partial"
  rm -rf "$cache/download"
  mv "$cache/kernel.partial" "$cache/kernel"
fi
vmlinuz=$(compgen -G "$cache/kernel/boot/vmlinuz-*" | head -n 1)
kernel_version=${vmlinuz##*/vmlinuz-}
module_dir="$cache/kernel/lib/modules/$kernel_version"
[ -d "$module_dir" ] || die "no modules for $kernel_version in $module_dir"

work=$(mktemp -d "$cache/run.XXXXXX")
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,modules,test}

# Modules, dependencies first. A module built into the kernel needs no file.
declare -a module_order=()
declare -A module_seen=()
module_file() {
  find "$module_dir/kernel" \( -name "$1.ko*" -o -name "${1//_/-}.ko*" \) -print -quit
}
module_contents() {
  case "$1" in
    *.ko.xz) xz -dc "$1" ;;
    *.ko.zst) zstd -qdc "$1" ;;
    *.ko.gz) gzip -dc "$1" ;;
    *) cat "$1" ;;
  esac
}
add_module() {
  local name=${1//-/_} file dependency
  [ -z "${module_seen[$name]:-}" ] || return 0
  module_seen[$name]=1
  file=$(module_file "$name")
  if [ -z "$file" ]; then
    grep -qE "/(${name}|${name//_/-})\.ko\$" "$module_dir/modules.builtin" 2>/dev/null && return 0
    die "module $name not found for $kernel_version"
  fi
  for dependency in $(module_contents "$file" | tr '\0' '\n' | sed -n 's/^depends=//p' | tr ',' ' '); do
    add_module "$dependency"
  done
  module_contents "$file" >"$root/modules/$name.ko"
  module_order+=("$name")
}
for module in hid hid_generic uhid; do add_module "$module"; done
printf '%s\n' "${module_order[@]}" >"$root/modules/order"

# Busybox and the test with its libraries (and the loader) at their own paths.
cp "$busybox_bin" "$root/bin/busybox"
cp "$binary" "$root/test/$(basename "$binary")"
ldd "$binary" >"$work/ldd.txt" || die "ldd $binary failed"
if grep -q "not found" "$work/ldd.txt"; then
  cat "$work/ldd.txt" >&2
  die "$binary needs libraries that are not installed"
fi
while read -r library; do
  mkdir -p "$root$(dirname "$library")"
  cp -L "$library" "$root$library"
done < <(awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }' "$work/ldd.txt")

lsan_options=""
if [ -n "${KARVO_LSAN_SUPPRESSIONS:-}" ] && [ -f "$KARVO_LSAN_SUPPRESSIONS" ]; then
  cp "$KARVO_LSAN_SUPPRESSIONS" "$root/test/lsan.supp"
  lsan_options="suppressions=/test/lsan.supp"
fi

cat >"$root/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
for module in \$(cat /modules/order); do
  insmod /modules/\$module.ko || echo "init: insmod \$module failed"
done
cd /test
export HOME=/tmp TMPDIR=/tmp LANG=C.UTF-8
export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=$lsan_options
./$(basename "$binary")
code=\$?
echo
echo "$marker=\$code"
poweroff -f
EOF
chmod +x "$root/init"

(cd "$root" && find . -print0 | cpio --null -o -H newc --quiet) | gzip -1 >"$work/initrd.cpio.gz"

log="$cache/console.log"
started=$SECONDS
status=0
timeout --kill-after=10 "$vm_timeout" qemu-system-x86_64 \
  -machine accel=tcg -cpu max -m "$vm_memory" -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initrd.cpio.gz" \
  -append "console=ttyS0 panic=-1 quiet" </dev/null >"$log" 2>&1 || status=$?
elapsed=$((SECONDS - started))

tr -d '\r' <"$log" >"$log.txt" && mv "$log.txt" "$log"
# The marker can follow terminal escapes on its line.
code=$(sed -n "s/.*$marker=\([0-9][0-9]*\).*/\1/p" "$log" | tail -n 1)
if [ -z "$code" ]; then
  echo "run-uhid-tier: the VM gave no result after ${elapsed}s (qemu status $status); console:" >&2
  tail -n 60 "$log" >&2
  exit 1
fi
grep -v "$marker=" "$log" || true
echo "run-uhid-tier: VM boot and test took ${elapsed}s, test exit code $code (console in $log)"
exit "$code"
