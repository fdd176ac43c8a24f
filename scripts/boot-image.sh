#!/bin/sh
# Builds build/boot/kelb-cu-boot.iso: a hybrid image that boots a PC BIOS
# (ISOLINUX) or UEFI (GRUB, without Secure Boot) machine from a CD-ROM drive
# or, written with dd, from a USB stick, into a menu around the static kelb-cu (Debian's kernel, busybox, the programs of
# the linux-static preset). Installs what it lacks with apt-get and builds
# the static programs first.
# Usage: scripts/boot-image.sh
set -e
cd "$(dirname "$0")/.."
out=build/boot
iso=$out/kelb-cu-boot.iso
limit=$((96 * 1024 * 1024))
fail() { echo "boot-image: $*" >&2; exit 1; }

sh scripts/setup.sh boot
cmake --preset linux-static >/dev/null
cmake --build --preset linux-static
bin=build/linux-static/src
for p in kelb-cu kelb-dmi; do
    file -L "$bin/$p" | grep -q 'statically linked' || fail "$bin/$p is not linked statically"
done
file -L /bin/busybox | grep -q 'statically linked' || fail "/bin/busybox is not linked statically (package busybox-static)"

kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[ -n "$kernel" ] || fail "no kernel in /boot (package linux-image-amd64)"
version=${kernel#/boot/vmlinuz-}
modules=/lib/modules/$version
[ -f "$modules/modules.dep" ] || fail "no $modules/modules.dep for $kernel"

rm -rf "$out"
root=$out/root
mkdir -p "$root/bin" "$root/etc" "$root/proc" "$root/sys" "$root/dev" "$root/run" "$root/tmp" "$root/lib/modules"
cp /bin/busybox "$root/bin/busybox"
for applet in $(/bin/busybox --list); do
    [ -e "$root/bin/$applet" ] || ln -s busybox "$root/bin/$applet"
done
ln -s bin/busybox "$root/init"
cp "$bin/kelb-cu" "$bin/kelb-dmi" "$root/bin/"
strip "$root/bin/kelb-cu" "$root/bin/kelb-dmi"
cp packaging/boot/inittab packaging/boot/rc "$root/etc/"
cp packaging/boot/kelb-menu "$root/bin/"
chmod 755 "$root/etc/rc" "$root/bin/kelb-menu"
printf 'root:x:0:0:root:/:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\n' >"$root/etc/group"

# The USB host controllers (xHCI, EHCI before OHCI and UHCI, as the kernel
# asks) and the HID drivers, each after what modules.dep says it needs; the
# modules go in uncompressed, so that busybox's insmod loads any of them.
wanted="xhci-pci ehci-pci ohci-pci uhci-hcd usbhid hid-generic"
: >"$out/modules.wanted"
for name in $wanted; do
    line=$(grep -E "(^|/)$name\.ko(\.xz|\.zst|\.gz)?:" "$modules/modules.dep") ||
        fail "no module $name in $modules/modules.dep"
    # Dependencies are listed from the nearest to the farthest: load them backwards.
    echo "$line" | tr -d ':' | awk '{ for (i = NF; i > 1; i--) print $i; print $1 }' >>"$out/modules.wanted"
done
order=$(awk '!seen[$0]++' "$out/modules.wanted")
for m in $order; do
    plain=$(basename "$m" | sed -E 's/\.(xz|zst|gz)$//')
    case $m in
    *.xz) xz -dc "$modules/$m" ;;
    *.zst) zstd -qdc "$modules/$m" ;;
    *.gz) gzip -dc "$modules/$m" ;;
    *) cat "$modules/$m" ;;
    esac >"$root/lib/modules/$plain"
    echo "$plain" >>"$root/lib/modules/load-order"
done

mkdir -p "$out/iso/isolinux" "$out/iso/boot"
(cd "$root" && find . | cpio -o -H newc --quiet) | gzip -9 >"$out/iso/boot/initrd.img"
cp "$kernel" "$out/iso/boot/vmlinuz"
cp /usr/lib/ISOLINUX/isolinux.bin /usr/lib/syslinux/modules/bios/ldlinux.c32 "$out/iso/isolinux/"
cp packaging/boot/isolinux.cfg "$out/iso/isolinux/"
# UEFI firmware starts EFI/BOOT/BOOTX64.EFI from a FAT image: one GRUB file
# with its configuration inside, which finds the kernel on the image.
grub-mkstandalone -O x86_64-efi -o "$out/BOOTX64.EFI" --locales= --fonts= --themes= \
    "boot/grub/grub.cfg=packaging/boot/grub.cfg"
efi=$out/iso/boot/efi.img
dd if=/dev/zero of="$efi" bs=1K count=$(( ($(stat -c %s "$out/BOOTX64.EFI") / 1024 + 256) )) 2>/dev/null
mformat -i "$efi" ::
mmd -i "$efi" ::/EFI ::/EFI/BOOT
mcopy -i "$efi" "$out/BOOTX64.EFI" ::/EFI/BOOT/BOOTX64.EFI
xorriso -as mkisofs -quiet -o "$iso" -V KELB_CU_BOOT \
    -isohybrid-mbr /usr/lib/ISOLINUX/isohdpfx.bin \
    -b isolinux/isolinux.bin -c isolinux/boot.cat -no-emul-boot -boot-load-size 4 -boot-info-table \
    -eltorito-alt-boot -e boot/efi.img -no-emul-boot -isohybrid-gpt-basdat \
    "$out/iso"
size=$(stat -c %s "$iso")
[ "$size" -le $limit ] || fail "$iso is $size bytes, more than 96 MiB"
echo "boot-image: $iso ($((size / 1024)) KiB; kernel $version, modules: $(echo $order | wc -w))"
