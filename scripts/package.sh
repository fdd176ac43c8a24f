#!/bin/sh
# Makes the Debian package, the Windows zip and the tar.gz of the static
# Linux programs (cpack) from trees that are already built, and checks them
# and the boot image: exact contents (production programs and manuals only,
# and the Debian package's copyright and changelog), control fields, lintian,
# and that the unpacked programs run. It builds nothing: build the presets
# and the image first (scripts/test.sh does). A - in place of a tree or the
# image skips that package: "scripts/package.sh - - build/linux-static -"
# checks the static tar.gz alone (the image needs the static tree's tar.gz).
# Usage: scripts/package.sh [linux-build-dir [windows-build-dir [static-build-dir [boot-image]]]]
set -e
cd "$(dirname "$0")/.."
linux=${1:-build/linux}
windows=${2:-build/windows}
static=${3:-build/linux-static}
image=${4:-build/boot/kelb-cu-boot.iso}
fail() { echo "package check: $*" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelb-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The programs the tree built; a package must carry exactly these.
programs() {
  for p in kelb-cu kelb-dmi; do
    [ -f "$1/src/$p$2" ] && echo "$p"
  done
  return 0
}

# need_build <dir> <preset> <suffix>: the tree must be configured and built.
need_build() {
  [ -f "$1/CMakeCache.txt" ] && [ -n "$(programs "$1" "$3")" ] ||
    fail "no $2 build in $1 (this script builds nothing): run 'cmake --preset $2 && cmake --build $1' first"
}
[ "$linux" = - ] || need_build "$linux" linux ""
[ "$windows" = - ] || need_build "$windows" windows .exe
[ "$static" = - ] || need_build "$static" linux-static ""
if [ "$image" != - ]; then
  [ -f "$image" ] || fail "no boot image $image (this script builds nothing): run 'sh scripts/boot-image.sh' first"
  [ "$static" != - ] || fail "the boot image is checked against the static tar.gz: name the linux-static tree too"
fi
want_cu="kelb-cu: KELB configuration utility (KELB5.3)"

if [ "$linux" != - ]; then
# Debian package.
rm -rf "$linux/packages"
(cd "$linux" && cpack -G DEB) >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack failed in $linux"; }
deb=$(ls "$linux"/packages/kelb-cu_*.deb)
[ "$(echo "$deb" | wc -l)" = 1 ] || fail "expected one .deb, found: $deb"
arch=$(dpkg --print-architecture)
for field in "Package kelb-cu" "Section utils" "Architecture $arch" "Version 1.0"; do
  set -- $field
  got=$(dpkg-deb -f "$deb" "$1")
  [ "$got" = "$2" ] || fail "$deb: $1 is '$got', expected '$2'"
done
dpkg-deb -f "$deb" Maintainer | grep -q '<.*@.*>' || fail "$deb: no maintainer address"

expected=$( (echo ./usr/share/doc/kelb-cu/copyright; echo ./usr/share/doc/kelb-cu/changelog.gz
             for p in $(programs "$linux"); do echo "./usr/bin/$p"; echo "./usr/share/man/man1/$p.1.gz"; done) | sort)
[ -n "$expected" ] || fail "$linux holds no programs"
got=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$got" = "$expected" ] || fail "$deb holds
$got
expected
$expected"

dpkg-deb -x "$deb" "$scratch/deb"
got=$("$scratch/deb/usr/bin/kelb-cu" -V) || fail "unpacked kelb-cu -V failed"
[ "$got" = "$want_cu" ] || fail "unpacked kelb-cu -V printed '$got'"
if [ -f "$scratch/deb/usr/bin/kelb-dmi" ]; then
  got=$("$scratch/deb/usr/bin/kelb-dmi" -V) || fail "unpacked kelb-dmi -V failed"
  [ "$got" = "1.0" ] || fail "unpacked kelb-dmi -V printed '$got'"
fi
# Every option of a program's usage text is described in its manual.
for p in $(programs "$linux"); do
  page=$(zcat "$scratch/deb/usr/share/man/man1/$p.1.gz" | groff -man -Tascii -P-cbou)
  options=$(PATH="$scratch/deb/usr/bin:$PATH" "$p" -h |
            grep -oE -- '(^|[[:space:][])--?[A-Za-z][A-Za-z-]*' | sed 's/^[^-]*//' | sort -u)
  [ -n "$options" ] || fail "$p -h names no option"
  for o in $options; do
    echo "$page" | grep -q -- "$o\b" || fail "$p.1 does not describe $o"
  done
done
for m in "$scratch"/deb/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$m" | groff -man -ww -Tascii 2>&1 >/dev/null) || fail "$m does not render"
  [ -z "$warnings" ] || fail "$m: $warnings"
  # A full stop or comma set as an argument of its own renders after a blank.
  stray=$(zcat "$m" | groff -man -Tascii -P-cbou | grep -E '[[:alnum:]] [.,;:]( |$)') &&
    fail "$m renders a blank before punctuation: $stray"
done
# Debian's own package checks: no error and no warning.
command -v lintian >/dev/null || fail "lintian is not installed (sh scripts/setup.sh all)"
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 ||
  { grep -v 'running with root privileges' "$scratch/lintian.log"; fail "lintian finds fault with $deb"; }
echo "package check: $(basename "$deb") ok"

fi

if [ "$windows" != - ]; then
# Windows zip.
rm -rf "$windows/packages"
(cd "$windows" && cpack -G ZIP) >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack failed in $windows"; }
zip=$(ls "$windows"/packages/kelb-cu-*.zip)
[ "$(echo "$zip" | wc -l)" = 1 ] || fail "expected one .zip, found: $zip"
top=$(basename "$zip" .zip)
expected=$( (echo "$top/README-windows.txt"
             for p in $(programs "$windows" .exe); do echo "$top/$p.exe"; echo "$top/$p.txt"; done) | sort)
got=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
[ "$got" = "$expected" ] || fail "$zip holds
$got
expected
$expected"
mkdir "$scratch/zip"
unzip -q "$zip" -d "$scratch/zip"
grep -q 'WinRing0x64\.dll' "$scratch/zip/$top/README-windows.txt" || fail "the Windows note does not name WinRing0x64.dll"
for t in "$scratch/zip/$top"/*.txt; do
  lf=$(tr -cd '\n' < "$t" | wc -c)
  crlf=$(tr -d '\n' < "$t" | tr -cd '\r' | wc -c)
  [ "$lf" -gt 0 ] && [ "$lf" = "$crlf" ] || fail "$t is not a Windows text file"
done
grep -q 'EXIT STATUS' "$scratch/zip/$top/kelb-cu.txt" || fail "kelb-cu.txt is not the rendered manual"
if grep -q "$(printf '\b')" "$scratch/zip/$top"/*.txt; then fail "a manual text holds overstrike"; fi
# The programs of the zip start without the driver library beside them.
wine_dir=${KELB_WINE_DIR:-$(cd "$windows" && pwd)/wine}
got=$(KELB_WINE_DIR=$wine_dir sh cmake/wine-run.sh "$scratch/zip/$top/kelb-cu.exe" -V) ||
  fail "kelb-cu.exe -V failed under wine"
[ "$(printf '%s' "$got" | tr -d '\r')" = "$want_cu" ] || fail "kelb-cu.exe -V printed '$got'"
if [ -f "$scratch/zip/$top/kelb-dmi.exe" ]; then
  got=$(KELB_WINE_DIR=$wine_dir sh cmake/wine-run.sh "$scratch/zip/$top/kelb-dmi.exe" -V) ||
    fail "kelb-dmi.exe -V failed under wine"
  [ "$(printf '%s' "$got" | tr -d '\r')" = "1.0" ] || fail "kelb-dmi.exe -V printed '$got'"
fi
echo "package check: $(basename "$zip") ok"

fi

if [ "$static" != - ]; then
# Static Linux programs: a folder to unpack and run anywhere.
rm -rf "$static/packages"
(cd "$static" && cpack -G TGZ) >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack failed in $static"; }
tgz=$(ls "$static"/packages/kelb-cu-*.tar.gz)
[ "$(echo "$tgz" | wc -l)" = 1 ] || fail "expected one .tar.gz, found: $tgz"
top=$(basename "$tgz" .tar.gz)
expected=$( (echo "$top/README-linux.txt"
             for p in $(programs "$static"); do echo "$top/$p"; echo "$top/$p.1"; done) | sort)
got=$(tar tzf "$tgz" | grep -v '/$' | sort)
[ "$got" = "$expected" ] || fail "$tgz holds
$got
expected
$expected"
mkdir "$scratch/tgz"
tar xzf "$tgz" -C "$scratch/tgz"
for p in $(programs "$static"); do
  file "$scratch/tgz/$top/$p" | grep -q 'statically linked' || fail "$top/$p is not linked statically"
  cmp -s "man/$p.1" "$scratch/tgz/$top/$p.1" || fail "$top/$p.1 is not man/$p.1"
done
got=$("$scratch/tgz/$top/kelb-cu" -V) || fail "unpacked static kelb-cu -V failed"
[ "$got" = "$want_cu" ] || fail "unpacked static kelb-cu -V printed '$got'"
got=$("$scratch/tgz/$top/kelb-dmi" -V) || fail "unpacked static kelb-dmi -V failed"
[ "$got" = "1.0" ] || fail "unpacked static kelb-dmi -V printed '$got'"
echo "package check: $(basename "$tgz") ok"

fi

[ "$image" = - ] && exit 0
# Boot image: an ISO 9660 image with a master boot record (CD-ROM and USB
# stick), within 96 MiB, carrying the programs of the static package.
size=$(stat -c %s "$image")
[ "$size" -le $((96 * 1024 * 1024)) ] || fail "$image is $size bytes, more than 96 MiB"
[ "$(od -An -tx1 -j510 -N2 "$image" | tr -d ' ')" = 55aa ] || fail "$image has no boot record for a USB stick"
[ "$(dd if="$image" bs=1 skip=32769 count=5 2>/dev/null)" = CD001 ] || fail "$image is not an ISO 9660 image"
# The stick's data partition: the third of the boot record, FAT, KELB-DATA.
[ "$(od -An -tx1 -j$((446 + 2 * 16 + 4)) -N1 "$image" | tr -d ' ')" = 0c ] || fail "$image has no FAT third partition"
start=$(od -An -tu4 -j$((446 + 2 * 16 + 8)) -N4 "$image" | tr -d ' ')
MTOOLS_SKIP_CHECK=1 mlabel -i "$image@@$((start * 512))" -s :: 2>/dev/null | grep -q 'KELB-DATA' ||
  fail "the third partition of $image is not the data partition KELB-DATA"
command -v xorriso >/dev/null || fail "xorriso is not installed (sh scripts/setup.sh all)"
xorriso -osirrox on -indev "$image" -extract /boot/initrd.img "$scratch/initrd.img" >/dev/null 2>&1 ||
  fail "$image holds no /boot/initrd.img"
mkdir "$scratch/initrd"
(cd "$scratch/initrd" && gzip -dc ../initrd.img | cpio -id --quiet bin/kelb-cu bin/kelb-dmi) ||
  fail "the initramfs of $image does not unpack"
for p in kelb-cu kelb-dmi; do
  cmp -s "$scratch/initrd/bin/$p" "$scratch/tgz/$top/$p" || fail "$image does not carry the $p of $(basename "$tgz")"
done
echo "package check: $(basename "$image") ok"
