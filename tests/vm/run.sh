#!/bin/sh
# End-to-end test of the production Linux kelb-cu and kelb-dmi on a real
# kernel: boots Debian's kernel in QEMU (software emulation) from an initramfs
# holding the two programs, their libraries, busybox and tests/vm/init, one
# boot per case, and compares what each guest reports on its serial console
# with tests/vm/expected/<case>.txt. The programs run only inside the guests.
# Usage: tests/vm/run.sh [directory of kelb-cu and kelb-dmi]   (build/linux/src)
#        tests/vm/run.sh --static [directory]   (build/linux-static/src)
# --static copies no library into the initramfs: the programs must need none.
# KELB_VM_CASES picks cases ("2 4a"), KELB_VM_TIMEOUT the seconds a guest may
# take (120). Guest consoles are kept in build/vm/<case>.log.
set -e
cd "$(dirname "$0")/../.."
static=
[ "$1" = --static ] && static=yes && shift
bin=${1:-build/linux${static:+-static}/src}
here=tests/vm
out=build/vm${static:+-static}
limit=${KELB_VM_TIMEOUT:-120}

fail() {
    echo "vm: $*" >&2
    exit 1
}

cases=${KELB_VM_CASES:-1 2 2c 2f 2l 3 4a 4b 5}
for c in $cases; do
    [ -f "$here/expected/$c.txt" ] || fail "no case $c (tests/vm/expected/$c.txt)"
done

# Cases 2f and 2l put other users' files where runs once kept their lock:
# their runs must end exactly as case 2's do.
for c in 2f 2l; do
    [ "$(grep -E '^(cu|nonroot) ' "$here/expected/$c.txt")" = "$(grep -E '^(cu|nonroot) ' "$here/expected/2.txt")" ] ||
        fail "the runs of case $c are not expected to end as those of case 2"
done

for tool in qemu-system-x86_64 cpio cc od awk timeout; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/setup.sh all installs it)"
done
[ -x /bin/busybox ] || fail "/bin/busybox is missing (package busybox-static)"
ldd /bin/busybox >/dev/null 2>&1 && fail "/bin/busybox is not linked statically (package busybox-static)"
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[ -n "$kernel" ] || fail "no kernel in /boot (package linux-image-amd64)"
for p in kelb-cu kelb-dmi; do
    [ -x "$bin/$p" ] || fail "$bin/$p is missing: build the linux preset first"
done

mkdir -p "$out"
find "$out" -mindepth 1 -maxdepth 1 ! -name 'vmlinux*' -exec rm -rf {} +

# The kernel's own decompressor is slow under emulation: boot the unpacked
# image through its PVH entry when the xz payload can be found, else as is.
boot_image=$kernel
stamp=$(stat -c '%n %s %Y' "$kernel")
if [ "$(cat "$out/vmlinux.from" 2>/dev/null)" != "$stamp" ]; then
    rm -f "$out/vmlinux" "$out/vmlinux.from"
    at=$(LC_ALL=C grep -abo "$(printf '\3757zXZ')" "$kernel" | head -n 1 | cut -d: -f1)
    if [ -n "$at" ] && command -v xz >/dev/null; then
        tail -c +$((at + 1)) "$kernel" | xz -dc >"$out/vmlinux" 2>/dev/null || true
        echo "$stamp" >"$out/vmlinux.from"
    fi
fi
[ "$(head -c 4 "$out/vmlinux" 2>/dev/null | od -An -c | tr -d ' ')" = '177ELF' ] && boot_image=$out/vmlinux

# The initramfs: the programs as built, their libraries where ldd finds them.
root=$out/root
mkdir -p "$root/bin" "$root/etc" "$root/proc" "$root/sys" "$root/dev" "$root/tmp"
cp /bin/busybox "$root/bin/busybox"
cp "$here/init" "$root/init"
chmod 755 "$root/init"
cp "$bin/kelb-cu" "$bin/kelb-dmi" "$root/bin/"
for helper in cmos_bank hold_lock; do
    cc -static -Os -Wall -Wextra -Werror -o "$root/bin/$helper" "$here/$helper.c"
done
[ -z "$static" ] && for lib in $(ldd "$bin/kelb-cu" "$bin/kelb-dmi" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }' | sort -u); do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
done
printf 'root:x:0:0:root:/:/bin/sh\nnobody:x:65534:65534:nobody:/:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$root/etc/group"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$out/initrd.cpio"

# Case options. A port recorder reads like an empty port and keeps every byte
# written to it in a file, so the host sees each write to 0x72/0x73.
board=type=2,manufacturer=Supermicro,product=H8QG6
firmware="type=11,value=To be filled by O.E.M.,value=KELB 5.3"
recorders() {
    for port in 72 73; do
        echo "-chardev file,id=p$port,path=$out/$1.port$port"
        echo "-device isa-debugcon,iobase=0x$port,chardev=p$port,readback=0xff"
    done
}
options() {
    case $1 in
    1 | 2 | 2c | 2f | 2l | 5) echo "-smbios $board"; echo "-smbios $firmware"; recorders "$1" ;;
    3) echo "-smbios $board"; echo "-smbios $firmware"; echo "-device mc146818rtc,iobase=0x72" ;;
    4a) echo "-smbios type=2,manufacturer=Supermicro,product=H8QG6 "; echo "-smbios $firmware"; recorders "$1" ;;
    4b) echo "-smbios $board"; echo "-smbios type=11,value=Default string,value=KELB 5.4"; recorders "$1" ;;
    esac
}
append() {
    case $1 in
    5) echo "lockdown=integrity" ;;
    esac
}

# boot CASE: one guest, its console in build/vm/<case>.log.
boot() {
    # One option per line: values hold blanks.
    options "$1" >"$out/$1.options"
    set -- "$1"
    while IFS= read -r line; do
        set -- "$@" "${line%% *}" "${line#* }"
    done <"$out/$1.options"
    id=$1
    shift
    timeout "$limit" qemu-system-x86_64 -machine pc -accel tcg -m 128 -nodefaults \
        -nographic -serial stdio -no-reboot -kernel "$boot_image" -initrd "$out/initrd.cpio" \
        -append "console=ttyS0 quiet panic=-1 $(append "$id") kelb_case=$id" "$@" \
        </dev/null >"$out/$id.log" 2>&1 || echo "qemu status $?" >>"$out/$id.log"
}

# report CASE: what the guest reported, then what the recorders kept.
report() {
    grep -a "^CASE $1: " "$out/$1.log" | tr -d '\r' | sed "s/^CASE $1: //"
    for port in 72 73; do
        [ -f "$out/$1.port$port" ] || continue
        bytes=$(od -An -tx1 -v "$out/$1.port$port" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//')
        echo "host| port 0x$port written: ${bytes:-nothing}"
    done
}

# matches EXPECTED ACTUAL: each expected line equals its actual line, except
# that "<...>" at the end of an expected line stands for any rest of the line
# and a line "<... lines>" for any lines up to the next expected one.
matches() {
    awk '
        NR == FNR { want[++n] = $0; next }
        { got[++m] = $0 }
        function fits(w, g) {
            if (substr(w, length(w) - 4) == "<...>")
                return substr(g, 1, length(w) - 5) == substr(w, 1, length(w) - 5)
            return w == g
        }
        END {
            j = 1
            for (i = 1; i <= n; i++) {
                if (want[i] == "<... lines>") {
                    while (j <= m && !(i < n && fits(want[i + 1], got[j])))
                        j++
                    continue
                }
                if (j > m || !fits(want[i], got[j])) {
                    printf "first difference: expected line %d \"%s\", got \"%s\"\n", i, want[i], (j > m ? "(end)" : got[j])
                    exit 1
                }
                j++
            }
            if (j <= m) {
                printf "first difference: unexpected line \"%s\"\n", got[j]
                exit 1
            }
        }' "$1" "$2"
}

check() {
    report "$1" >"$out/$1.report"
    if grep -q '^qemu status 124$' "$out/$1.log"; then
        echo "CASE $1: FAIL: the guest did not finish within ${limit}s"
    elif ! grep -qx 'end' "$out/$1.report"; then
        echo "CASE $1: FAIL: the guest stopped before the end of the case"
    elif why=$(matches "$here/expected/$1.txt" "$out/$1.report"); then
        echo "CASE $1: pass"
        return 0
    else
        echo "CASE $1: FAIL: $why"
        diff -u "$here/expected/$1.txt" "$out/$1.report" | sed 's/^/    /' || true
    fi
    echo "    last console lines ($out/$1.log):"
    tail -n 25 "$out/$1.log" | tr -d '\r' | sed 's/^/    | /'
    return 1
}

set -- $cases
while [ $# -gt 0 ]; do
    # Two guests at a time, one per core.
    boot "$1" &
    if [ $# -gt 1 ]; then
        boot "$2" &
        shift
    fi
    shift
    wait
done

failed=0
for c in $cases; do
    check "$c" || failed=$((failed + 1))
done
[ $failed -eq 0 ] || fail "$failed of the cases failed"
echo "vm: all cases pass (guest kernel $(basename "$kernel")${static:+, static programs, no C library})"
