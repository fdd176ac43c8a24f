#!/bin/sh
# Installs what is missing, builds every preset and runs every test:
# native Linux, Linux with ASan and UBSan, and Windows under wine; then
# boots the production Linux programs in QEMU guests (tests/vm), builds the
# static Linux programs and runs them in guests without a C library, builds
# the boot image twice (the same bytes each time) and drives its menu in
# QEMU from a USB stick and from a CD, builds and checks the Debian
# package, the Windows zip, the static tar.gz and the image, runs each fuzz
# target for a bounded time and the quick benchmark.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh all
for preset in linux asan windows; do
  echo "=== $preset"
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset
  ctest --preset $preset
done
# ctest starts every test program with all signals at their defaults; a
# script's background job leaves SIGINT and SIGQUIT ignored, nohup SIGHUP.
echo "=== linux, SIGINT, SIGQUIT and SIGHUP ignored"
(trap '' INT QUIT HUP; build/linux/tests/test_cu --gtest_brief=1)
echo "=== vm"
sh tests/vm/run.sh build/linux/src
echo "=== linux-static"
cmake --preset linux-static >/dev/null
cmake --build --preset linux-static
sh tests/vm/run.sh --static build/linux-static/src
echo "=== boot image"
sh scripts/boot-image.sh
# The same checkout gives the same bytes: a second build must not differ.
cp build/boot/kelb-cu-boot.iso build/boot-first.iso
sh scripts/boot-image.sh
cmp build/boot-first.iso build/boot/kelb-cu-boot.iso || { echo "boot image: two builds of one checkout differ"; exit 1; }
sh tests/boot/run.sh build/boot/kelb-cu-boot.iso
sh tests/boot/run.sh --uefi build/boot/kelb-cu-boot.iso
echo "=== packages"
sh scripts/package.sh build/linux build/windows build/linux-static build/boot/kelb-cu-boot.iso
echo "=== fuzz"
sh scripts/fuzz.sh 10
echo "=== benchmark"
sh scripts/bench.sh --quick
