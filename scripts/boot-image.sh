#!/bin/sh
# Builds build/boot/kelb-cu-boot.iso: a hybrid image that boots a PC BIOS
# (ISOLINUX) or UEFI (GRUB; Secure Boot must be off) machine from a CD-ROM
# drive or, written with dd, from a USB stick, into a menu around the static
# kelb-cu (the distribution's kernel, busybox, the programs of the
# linux-static preset, the keyboard layouts). Written to a stick, its third
# partition KELB-DATA keeps saved listings, the layout and the log of stores.
# The same checkout gives the same bytes. Installs what it lacks with apt-get
# and builds the static programs first.
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

# The kernel and its modules come from the distribution's package, unpacked
# into the build folder (nothing is installed into /boot): Debian's generic
# amd64 flavour (linux-image-amd64), or Ubuntu's generic one, whose modules
# are packages of their own. The packages are kept in build/boot-kernel.
if apt-cache show linux-image-amd64 >/dev/null 2>&1; then
    meta=linux-image-amd64 flavour=amd64
else
    meta=linux-image-generic flavour=generic
fi
image_pkg=$(apt-cache depends "$meta" 2>/dev/null |
    sed -n "s/^ *Depends: \(linux-image-[0-9][^ ]*-$flavour\)\$/\1/p" | head -n 1)
[ -n "$image_pkg" ] || fail "$meta names no kernel package linux-image-<version>-$flavour"
version=${image_pkg#linux-image-}
pkgs=$image_pkg
for p in linux-modules-$version linux-modules-extra-$version; do
    apt-cache show "$p" >/dev/null 2>&1 && pkgs="$pkgs $p"
done
debs=build/boot-kernel
mkdir -p "$debs"
(cd "$debs" && for p in $pkgs; do
    ls "${p}"_*.deb >/dev/null 2>&1 || apt-get download -q "$p" >/dev/null 2>&1
done) || fail "apt-get download $pkgs failed"
kroot=$debs/root-$version
if [ ! -d "$kroot" ]; then
    rm -rf "$kroot.new"
    for p in $pkgs; do
        dpkg-deb -x "$(ls "$debs/${p}"_*.deb | sort -V | tail -n 1)" "$kroot.new" || fail "dpkg-deb -x of $p failed"
    done
    # The package leaves modules.dep to the installing machine's depmod.
    [ -d "$kroot.new/lib/modules/$version" ] && base=$kroot.new || base=$kroot.new/usr
    depmod -b "$base" "$version" || fail "depmod for $version failed (package kmod)"
    mv "$kroot.new" "$kroot"
fi
kernel=$kroot/boot/vmlinuz-$version
[ -f "$kernel" ] || fail "no $kernel in $image_pkg"
modules=$kroot/lib/modules/$version
[ -d "$modules" ] || modules=$kroot/usr/lib/modules/$version
[ -f "$modules/modules.dep" ] || fail "no modules.dep for $version in $pkgs"

# The same checkout gives the same image: every time stamp is that of the
# last commit, archive members are sorted, volume ids are fixed.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C
umask 022

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
cp packaging/boot/kelb-menu packaging/boot/kelb-layout "$root/bin/"
cp packaging/boot/layouts "$root/etc/kelb-layouts"
chmod 755 "$root/etc/rc" "$root/bin/kelb-menu" "$root/bin/kelb-layout"
# The keyboard layouts as busybox loadkmap binary keymaps, from console-data.
mkdir -p "$root/lib/kmaps"
grep -v '^#' packaging/boot/layouts | while read -r name _ source; do
    loadkeys -b "/usr/share/keymaps/i386/$source.kmap.gz" >"$root/lib/kmaps/$name.bmap" 2>"$out/loadkeys.log" ||
        fail "loadkeys -b $source failed: $(cat "$out/loadkeys.log")"
done
printf 'root:x:0:0:root:/:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\n' >"$root/etc/group"

# The USB host controllers (xHCI, EHCI before OHCI and UHCI, as the kernel
# asks), the HID drivers, then USB storage (both protocols), SCSI disks and
# FAT with the character sets vfat takes by default (code page 437, ascii)
# and ISO 8859-1, each after what modules.dep says it needs; the modules go
# in uncompressed, so that busybox's insmod loads any of them.
wanted="xhci-pci ehci-pci ohci-pci uhci-hcd usbhid hid-generic usb-storage uas sd_mod vfat nls_cp437 nls_ascii nls_iso8859-1"
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
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$root" && find . | sort | cpio -o -H newc -R 0:0 --quiet --reproducible) | gzip -9 -n >"$out/iso/boot/initrd.img"
cp "$kernel" "$out/iso/boot/vmlinuz"
cp /usr/lib/ISOLINUX/isolinux.bin /usr/lib/syslinux/modules/bios/ldlinux.c32 "$out/iso/isolinux/"
cp packaging/boot/isolinux.cfg "$out/iso/isolinux/"
# UEFI firmware starts EFI/BOOT/BOOTX64.EFI from a FAT image: one GRUB file
# with its modules and configuration in a memory disk inside, which finds
# the kernel on the image. This is what grub-mkstandalone makes, but with
# the memory disk's archive made here, since grub-mkstandalone stamps its
# members with the time of the build.
grub=/usr/lib/grub/x86_64-efi
memdisk=$out/memdisk
mkdir -p "$memdisk/boot/grub/x86_64-efi"
cp "$grub"/*.mod "$grub"/*.lst "$memdisk/boot/grub/x86_64-efi/"
cp packaging/boot/grub.cfg "$memdisk/boot/grub/"
find "$memdisk" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$memdisk" && find boot | sort | tar --no-recursion -T - --format=ustar --owner=0 --group=0 \
    --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" -cf ../memdisk.tar)
grub-mkimage -O x86_64-efi -o "$out/BOOTX64.EFI" -p '(memdisk)/boot/grub' -m "$out/memdisk.tar" memdisk tar
efi=$out/iso/boot/efi.img
dd if=/dev/zero of="$efi" bs=1K count=$(( ($(stat -c %s "$out/BOOTX64.EFI") / 1024 + 256) )) 2>/dev/null
mformat -i "$efi" -N 4b454c42 ::
mmd -i "$efi" ::/EFI ::/EFI/BOOT
mcopy -i "$efi" "$out/BOOTX64.EFI" ::/EFI/BOOT/BOOTX64.EFI
# The stick's data partition: FAT, label KELB-DATA, fixed serial number and
# time stamps; xorriso appends it as the third partition of both tables.
mkfs.fat --invariant -i 4b454c44 -n KELB-DATA -C "$out/data.img" $((4 * 1024)) >/dev/null
find "$out/iso" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
xorriso -as mkisofs -quiet -o "$iso" -V KELB_CU_BOOT \
    -isohybrid-mbr /usr/lib/ISOLINUX/isohdpfx.bin \
    -b isolinux/isolinux.bin -c isolinux/boot.cat -no-emul-boot -boot-load-size 4 -boot-info-table \
    -eltorito-alt-boot -e boot/efi.img -no-emul-boot -isohybrid-gpt-basdat \
    -append_partition 3 0x0c "$out/data.img" \
    "$out/iso" 2>"$out/xorriso.log" || { cat "$out/xorriso.log" >&2; fail "xorriso failed"; }
size=$(stat -c %s "$iso")
[ "$size" -le $limit ] || fail "$iso is $size bytes, more than 96 MiB"
echo "boot-image: $iso ($((size / 1024)) KiB; kernel $version, modules: $(echo $order | wc -w); commit time $SOURCE_DATE_EPOCH)"
echo "boot-image: sha256 $(sha256sum "$iso" | cut -d' ' -f1)"
