#!/bin/sh
# End-to-end test of the boot image: QEMU (software emulation, SeaBIOS, or
# OVMF with --uefi) boots build/boot/kelb-cu-boot.iso from its CD-ROM drive
# as an H8QG6 with
# "KELB 5.3" and a USB keyboard, and the test types on the serial console as
# an operator would: the menu appears; 4 opens a shell that finds the USB
# keyboard among the input devices; 2 lists the settings (QEMU's CMOS has no
# valid PC checksum, so kelb-cu ends with its checksum message); 5 powers the
# guest off. The programs run only inside the guest.
# Usage: tests/boot/run.sh [--uefi] [image]   (build/boot/kelb-cu-boot.iso)
# KELB_BOOT_TIMEOUT: seconds for the whole boot (300). Console in
# build/boot-test/console-bios.log (console-uefi.log).
set -e
cd "$(dirname "$0")/../.."
firmware=bios
[ "$1" = --uefi ] && firmware=uefi && shift
image=${1:-build/boot/kelb-cu-boot.iso}
out=build/boot-test
ovmf=/usr/share/OVMF
limit=${KELB_BOOT_TIMEOUT:-300}
fail() {
    echo "boot: $firmware: FAIL: $*" >&2
    if [ -f "$log" ]; then
        echo "    last console lines ($log):" >&2
        tail -n 30 "$log" | tr -d '\r' | sed 's/^/    | /' >&2
    fi
    exit 1
}
[ -f "$image" ] || fail "$image is missing: run sh scripts/boot-image.sh first"
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is missing (scripts/setup.sh all installs it)"

mkdir -p "$out"
log=$out/console-$firmware.log
: >"$log"
set --
if [ $firmware = uefi ]; then
    [ -f $ovmf/OVMF_CODE_4M.fd ] || fail "no UEFI firmware $ovmf/OVMF_CODE_4M.fd (package ovmf)"
    cp $ovmf/OVMF_VARS_4M.fd "$out/uefi-vars.fd"
    set -- -drive if=pflash,format=raw,readonly=on,file=$ovmf/OVMF_CODE_4M.fd \
        -drive if=pflash,format=raw,file="$out/uefi-vars.fd"
fi
rm -f "$out/keys"
mkfifo "$out/keys"
# Read and write: opening the FIFO neither blocks nor ends QEMU's input.
exec 3<>"$out/keys"
started=$(date +%s)
timeout "$limit" qemu-system-x86_64 -machine pc -accel tcg -m 512 -nodefaults -no-reboot \
    -display none -vga std -monitor none -serial stdio -boot d -cdrom "$image" "$@" \
    -usb -device usb-kbd \
    -smbios type=2,manufacturer=Supermicro,product=H8QG6 \
    -smbios "type=11,value=To be filled by O.E.M.,value=KELB 5.3" \
    <"$out/keys" >"$log" 2>&1 &
qemu=$!
trap 'kill $qemu 2>/dev/null || true' EXIT

mark=0
# expect TEXT: waits until TEXT appears on the console after the last mark.
expect() {
    while ! tail -c +$((mark + 1)) "$log" | tr -d '\r' | grep -qF -- "$1"; do
        kill -0 $qemu 2>/dev/null || fail "the guest ended while waiting for \"$1\""
        [ $(($(date +%s) - started)) -lt "$limit" ] || fail "no \"$1\" within ${limit}s"
        sleep 1
    done
}
# type TEXT: marks the console, then types TEXT and Enter.
type_line() {
    mark=$(stat -c %s "$log")
    printf '%s\r' "$1" >&3
}

expect "6) reboot"
expect "Choice: "
echo "boot: $firmware: menu after $(($(date +%s) - started))s"
type_line 4
expect "kelb-cu-boot# "
# The keyboard may still be on its way through the USB drivers: ten seconds.
# Then the consoles of the two menus (the screen and the serial port) and
# where kelb-cu takes its lock.
type_line "for i in 1 2 3 4 5 6 7 8 9 10; do grep -q 'QEMU USB Keyboard' /proc/bus/input/devices && break; sleep 1; done; grep -c 'N: Name=\"QEMU QEMU USB Keyboard\"' /proc/bus/input/devices; for p in \$(pidof kelb-menu); do readlink /proc/\$p/fd/0; done | sort | tr '\\n' ' '; echo; stat -f -c 'lock %T' /run/lock; exit"
expect "Press Enter to return to the menu."
shell=$(tail -c +$((mark + 1)) "$log" | tr -d '\r')
echo "$shell" | grep -qx 1 || fail "the guest lists no USB keyboard among its input devices"
echo "$shell" | grep -qx '/dev/tty1 /dev/ttyS0 ' || fail "the menus do not run on the screen and the serial port"
echo "$shell" | grep -qx 'lock tmpfs' || fail "the guest has no /run/lock on a tmpfs"
type_line ""
expect "Choice: "
type_line 2
expect "(kelb-cu -l ended with status 9)"
for line in "kelb-cu: KELB configuration utility (KELB5.3)" "Detected board: 'H8QG6'" "PC NVRAM checksum mismatch."; do
    tail -c +$((mark + 1)) "$log" | tr -d '\r' | grep -qxF -- "$line" || fail "kelb-cu -l did not say \"$line\""
done
type_line ""
expect "Choice: "
type_line 5
wait $qemu || fail "QEMU ended with status $? (124: the guest did not power off within ${limit}s)"
trap - EXIT
echo "boot: $firmware: pass in $(($(date +%s) - started))s (menu, USB keyboard, list, power off)"
