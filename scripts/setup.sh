#!/bin/sh
# Installs what the build and the tests need and is not on the machine yet.
# Usage: scripts/setup.sh [native|boot|all]
# (boot: what scripts/boot-image.sh needs besides the native build)
set -e
want="cmake ninja-build g++ googletest"
boot="file busybox-static cpio xz-utils zstd isolinux syslinux-common xorriso grub-efi-amd64-bin grub-common mtools dosfstools kbd console-data kmod"
case ${1:-native} in
boot) want="$want $boot" ;;
all) want="$want $boot linux-image-amd64 g++-mingw-w64-x86-64-posix wine wine64 clang libclang-rt-14-dev dpkg-dev groff-base unzip lintian qemu-system-x86 ovmf" ;;
esac
missing=""
for p in $want; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
