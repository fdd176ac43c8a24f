#!/bin/sh
# End-to-end test of the boot image: QEMU (software emulation) boots
# build/boot/kelb-cu-boot.iso as an H8QG6 with "KELB 5.3" and a USB keyboard,
# and the test types on the serial console as an operator would.
# SeaBIOS boots the image written to a disk image, as a USB stick on an xHCI
# controller: the boot mounts the stick's data partition; 7 opens a shell
# that finds the USB keyboard among the input devices, the menus on both
# consoles and /run/lock on a tmpfs, and points the menu's runs of kelb-cu at a
# backing file (QEMU has no supported board); Ctrl+C at "Choice: " and at
# the reset question; 4 saves the listing, 3 resets, 5 restores the saved
# listing (changes shown, then stored), 4 saves beside files of its dated
# names without overwriting them, 1 starts the dialogue (ended by
# Ctrl+C), 6 picks the German layout, 2 lists; 8 powers off, and the host finds the listing, the layout and the log of
# the stores on the stick's FAT partition (mtools); a second boot from the
# stick loads the saved layout and offers the saved listing.
# With --uefi OVMF boots the image from a CD-ROM drive: no data partition;
# 2 lists the settings of QEMU's CMOS (no valid PC checksum: kelb-cu ends
# with its checksum message); 8 powers the guest off.
# The programs run only inside the guest.
# Usage: tests/boot/run.sh [--uefi] [image]   (build/boot/kelb-cu-boot.iso)
# KELB_BOOT_TIMEOUT: seconds for the whole boot (300). Console in
# build/boot-test/console-bios.log (console-uefi.log), the stick in
# build/boot-test/stick.img.
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
stick=$out/stick.img
: >"$log"
set --
if [ $firmware = uefi ]; then
    [ -f $ovmf/OVMF_CODE_4M.fd ] || fail "no UEFI firmware $ovmf/OVMF_CODE_4M.fd (package ovmf)"
    cp $ovmf/OVMF_VARS_4M.fd "$out/uefi-vars.fd"
    set -- -drive if=pflash,format=raw,readonly=on,file=$ovmf/OVMF_CODE_4M.fd \
        -drive if=pflash,format=raw,file="$out/uefi-vars.fd" -boot d -cdrom "$image"
else
    command -v mcopy >/dev/null || fail "mcopy is missing (package mtools)"
    # A 64 MiB stick the image was written to, as dd would.
    rm -f "$stick"
    truncate -s 64M "$stick"
    dd if="$image" of="$stick" conv=notrunc status=none
    set -- -drive if=none,id=stick,file="$stick",format=raw \
        -device qemu-xhci,id=xhci -device usb-storage,bus=xhci.0,drive=stick,bootindex=0
fi
rm -f "$out/keys"
mkfifo "$out/keys"
# Read and write: opening the FIFO neither blocks nor ends QEMU's input.
exec 3<>"$out/keys"
started=$(date +%s)
# boot: starts the guest, its console on the end of the log.
boot() {
    timeout "$limit" qemu-system-x86_64 -machine pc -accel tcg -m 512 -nodefaults -no-reboot \
        -display none -vga std -monitor none -serial stdio "$@" \
        -usb -device usb-kbd \
        -smbios type=2,manufacturer=Supermicro,product=H8QG6 \
        -smbios "type=11,value=To be filled by O.E.M.,value=KELB 5.3" \
        <"$out/keys" >>"$log" 2>&1 &
    qemu=$!
}
boot "$@"
trap 'kill $qemu 2>/dev/null || true' EXIT

mark=0
# since_mark: the console after the last mark, without carriage returns.
since_mark() {
    tail -c +$((mark + 1)) "$log" | tr -d '\r'
}
# expect TEXT: waits until TEXT appears on the console after the last mark.
expect() {
    while ! since_mark | grep -qF -- "$1"; do
        kill -0 $qemu 2>/dev/null || fail "the guest ended while waiting for \"$1\""
        [ $(($(date +%s) - started)) -lt "$limit" ] || fail "no \"$1\" within ${limit}s"
        sleep 1
    done
}
# said LINE WHAT: the console after the mark holds LINE as a whole line.
said() {
    since_mark | grep -qxF -- "$1" || fail "$2 did not say \"$1\""
}
# type TEXT: marks the console, then types TEXT and Enter.
type_line() {
    mark=$(stat -c %s "$log")
    printf '%s\r' "$1" >&3
}
# choose N: back to the menu from a finished choice, then N.
choose() {
    type_line ""
    expect "Choice: "
    type_line "$1"
}

expect "9) reboot"
expect "Choice: "
echo "boot: $firmware: menu after $(($(date +%s) - started))s"
if [ $firmware = uefi ]; then
    # GRUB's last screen codes lead the line.
    since_mark | grep -qF "kelb-cu boot: no data partition KELB-DATA (booted from a CD?): settings cannot be saved." ||
        fail "the boot from a CD does not say that there is no data partition"
    since_mark | grep -q '^Keyboard: US (us); no data partition' || fail "the menu does not say that there is no data partition"
else
    said "kelb-cu boot: the data partition KELB-DATA (/dev/sda3) is mounted read-write at /data." "the boot from the stick"
    since_mark | grep -q '^Keyboard: US (us); data partition mounted at /data (/dev/sda3)' ||
        fail "the menu does not say where the data partition is"
fi
type_line 7
expect "kelb-cu-boot# "
# The keyboard may still be on its way through the USB drivers: ten seconds.
# Then the consoles of the two menus (the screen and the serial port),
# the usual lock folder on a tmpfs (kelb-cu itself locks /dev/port), and the screen's text (/dev/vcs1), which
# must hold the boot's word on the data partition too.
type_line "for i in 1 2 3 4 5 6 7 8 9 10; do grep -q 'QEMU USB Keyboard' /proc/bus/input/devices && break; sleep 1; done; grep -c 'N: Name=\"QEMU QEMU USB Keyboard\"' /proc/bus/input/devices; for p in \$(pidof kelb-menu); do readlink /proc/\$p/fd/0; done | sort | tr '\\n' ' '; echo; stat -f -c 'lock %T' /run/lock; echo screen \$(grep -c 'kelb-cu boot: .*data partition KELB-DATA' /dev/vcs1); exit"
expect "Press Enter to return to the menu."
shell=$(since_mark)
echo "$shell" | grep -qx 1 || fail "the guest lists no USB keyboard among its input devices"
echo "$shell" | grep -qx '/dev/tty1 /dev/ttyS0 ' || fail "the menus do not run on the screen and the serial port"
echo "$shell" | grep -qx 'lock tmpfs' || fail "the guest has no /run/lock on a tmpfs"
echo "$shell" | grep -qx 'screen 1' || fail "the boot's word on the data partition is not on the screen"

if [ $firmware = uefi ]; then
    choose 2
    expect "(kelb-cu -l ended with status 9)"
    for line in "kelb-cu: KELB configuration utility (KELB5.3)" "Detected board: 'H8QG6'" "PC NVRAM checksum mismatch."; do
        said "$line" "kelb-cu -l"
    done
    choose 8
    wait $qemu || fail "QEMU ended with status $? (124: the guest did not power off within ${limit}s)"
    trap - EXIT
    echo "boot: $firmware: pass in $(($(date +%s) - started))s (menu from a CD without data partition, USB keyboard, list, power off)"
    exit 0
fi

# Ctrl+C at "Choice: " draws the menu again at once, on a line of its own;
# at the reset question it resets nothing, after a new line.
type_line ""
expect "Choice: "
mark=$(stat -c %s "$log")
at=$(date +%s)
printf '\003' >&3
expect "Choice: "
[ $(($(date +%s) - at)) -le 3 ] || fail "the menu took more than 3 s to come back after Ctrl+C"
since_mark | grep -q '^kelb-cu boot image: overclocking' || fail "Ctrl+C at \"Choice: \" did not draw the menu again"
type_line 3
expect "Reset the settings to stock? (yes/no) "
mark=$(stat -c %s "$log")
printf '\003' >&3
expect "Nothing reset."
said "Nothing reset." "Ctrl+C at the reset question"

# The hidden test hook: the menu's runs of kelb-cu use a backing file that
# holds a record with the reference clock 230.
choose 7
expect "kelb-cu-boot# "
type_line "head -c 256 /dev/zero >/tmp/nvram.bin; kelb-cu -d /tmp/nvram.bin 230 >/dev/null 2>&1; echo /tmp/nvram.bin >/run/kelb-menu-test-nvram; exit"
expect "Press Enter to return to the menu."
choose 4
expect "Press Enter to return to the menu."
saved=$(since_mark | sed -n 's|^Saved the listing as /data/\(kelb-cu-[0-9]\{8\}-[0-9]\{6\}\.conf\)\.$|\1|p')
[ -n "$saved" ] || fail "4 did not save the listing under a dated name"
choose 3
expect "Reset the settings to stock? (yes/no) "
type_line yes
expect "(kelb-cu reset ended with status 0)"
choose 5
expect "Listing to restore (1 to 1, Enter for none): "
said "1) $saved" "the list of saved listings"
type_line 1
expect "Store these settings? (yes/no) "
said "refclock: stock -> 230" "the dry run of the restore"
said "(kelb-cu -n -i /data/$saved ended with status 0)" "the dry run of the restore"
type_line yes
expect "(kelb-cu -i /data/$saved ended with status 0)"
# A save never overwrites: with files of the dated names of the next 30
# seconds in place, 4 saves under such a name with -2 and leaves the file
# there as it was; then the shell removes them all.
choose 7
expect "kelb-cu-boot# "
type_line "t=\$(date +%s); for i in \$(seq 0 30); do echo keep >/data/kelb-cu-\$(date -d @\$((t + i)) +%Y%m%d-%H%M%S).conf; done; sync; exit"
expect "Press Enter to return to the menu."
choose 4
expect "Press Enter to return to the menu."
second=$(since_mark | sed -n 's|^Saved the listing as /data/\(kelb-cu-[0-9]\{8\}-[0-9]\{6\}\)-2\.conf\.$|\1|p')
[ -n "$second" ] || fail "4 did not save beside an existing file of its dated name (-2)"
choose 7
expect "kelb-cu-boot# "
type_line "cat /data/$second.conf; grep -c '^refclock=230\$' /data/$second-2.conf; rm /data/$second-2.conf; for f in /data/*.conf; do grep -qx keep \$f && rm \$f; done; ls /data/*.conf | wc -l; sync; exit"
expect "Press Enter to return to the menu."
since_mark | grep -qx keep || fail "the save overwrote an existing file of its name"
[ "$(since_mark | grep -xE '[0-9]+' | tr '\n' ' ')" = "1 1 " ] || fail "the save beside an existing file did not hold the listing, or the files were not removed"

# The dialogue, ended by Ctrl+C at its first question: logged as a store.
choose 1
expect "Reset KELB configuration to defaults (stock) (no/yes) [no]? "
mark=$(stat -c %s "$log")
printf '\003' >&3
expect "(kelb-cu ended with status 11)"
choose 6
expect "Layout (1 to 6, Enter for none): "
type_line 3
expect "Press Enter to return to the menu."
said "Keyboard layout: German." "the layout choice"
said "Saved in /data/keyboard: the next boot from this stick loads it." "the layout choice"
type_line ""
expect "Choice: "
since_mark | grep -q '^Keyboard: German (de); ' || fail "the menu does not show the German layout"
type_line 2
expect "(kelb-cu -l ended with status 0)"
said "refclock=230" "the listing after the restore"
choose 8
wait $qemu || fail "QEMU ended with status $? (124: the guest did not power off within ${limit}s)"
trap - EXIT

# After the power-off, on the host: the stick's third partition.
start=$(od -An -tu4 -j$((446 + 2 * 16 + 8)) -N4 "$stick" | tr -d ' ')
[ "$start" -gt 0 ] 2>/dev/null || fail "the stick has no third partition"
fat="$stick@@$((start * 512))"
export MTOOLS_SKIP_CHECK=1
mlabel -i "$fat" -s :: | grep -q 'KELB-DATA' || fail "the third partition is not labelled KELB-DATA"
listing=$(mtype -i "$fat" "::/$saved") || fail "the stick holds no $saved"
echo "$listing" | grep -qx 'refclock=230' || fail "$saved does not hold the listing (refclock=230)"
echo "$listing" | grep -qx '# record: found' || fail "$saved does not hold the listing's record line"
[ "$(mtype -i "$fat" ::/keyboard | tr -d '\r')" = de ] || fail "the stick does not keep the German layout"
stores=$(mtype -i "$fat" ::/kelb-cu-log.txt) || fail "the stick holds no log of the stores"
[ "$(echo "$stores" | wc -l)" = 3 ] || fail "the log holds other than the reset, the restore and the dialogue:
$stores"
echo "$stores" | sed -n 1p | grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} reset: before: image 5e 00 07 08 00 df, record found; after: image ff ff ff ff ff ff, record none.*; status 0$' ||
    fail "the log's line for the reset is wrong: $(echo "$stores" | sed -n 1p)"
echo "$stores" | sed -n 2p | grep -qE "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} restore $saved: before: image ff ff ff ff ff ff, record none.*; after: image 5e 00 07 08 00 df, record found; status 0\$" ||
    fail "the log's line for the restore is wrong: $(echo "$stores" | sed -n 2p)"

echo "$stores" | sed -n 3p | grep -qE "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} configure: before: image 5e 00 07 08 00 df, record found; after: image 5e 00 07 08 00 df, record found; status 11\$" ||
    fail "the log's line for the dialogue is wrong: $(echo "$stores" | sed -n 3p)"
# The next boot from the stick loads the saved layout and lists the saved
# listing for a restore.
mark=$(stat -c %s "$log")
boot "$@"
trap 'kill $qemu 2>/dev/null || true' EXIT
expect "Choice: "
since_mark | grep -q '^Keyboard: German (de); data partition mounted at /data' ||
    fail "the second boot from the stick did not load the saved German layout"
type_line 5
expect "Listing to restore (1 to 1, Enter for none): "
said "1) $saved" "the second boot's list of saved listings"
type_line ""
expect "Nothing restored."
choose 8
wait $qemu || fail "QEMU ended with status $? (124: the guest did not power off within ${limit}s)"
trap - EXIT
echo "boot: $firmware: pass in $(($(date +%s) - started))s (menu from a USB stick, USB keyboard, Ctrl+C, save, reset, restore, layout, list, power off, files on the stick, second boot with the saved layout)"
