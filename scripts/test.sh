#!/bin/sh
# Installs what is missing, builds every preset and runs every test:
# native Linux, Linux with ASan and UBSan, and Windows under wine; then
# boots the production Linux programs in QEMU guests (tests/vm), builds and
# checks the Debian package and the Windows zip, runs each fuzz
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
echo "=== vm"
sh tests/vm/run.sh build/linux/src
echo "=== packages"
sh scripts/package.sh build/linux build/windows
echo "=== fuzz"
sh scripts/fuzz.sh 10
echo "=== benchmark"
sh scripts/bench.sh --quick
