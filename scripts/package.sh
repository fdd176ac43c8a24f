#!/bin/sh
# Makes the Debian package and the Windows zip (cpack) from two trees that
# are already built, and checks them: exact contents (production programs and
# manuals only, and the Debian package's copyright and changelog), control
# fields, lintian, and that the unpacked programs run. It builds nothing:
# build both presets first (scripts/test.sh does).
# Usage: scripts/package.sh [linux-build-dir [windows-build-dir]]
set -e
cd "$(dirname "$0")/.."
linux=${1:-build/linux}
windows=${2:-build/windows}
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
need_build "$linux" linux ""
need_build "$windows" windows .exe

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
want_cu="kelb-cu: KELB configuration utility (KELB5.3)"
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
