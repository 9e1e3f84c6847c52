#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what the hardware test suite needs on a Debian machine, when it is
# missing (tools/install-deps hardware): QEMU (with SeaBIOS), a static busybox
# for the guest, cpio, dmidecode (copied into the guest), and the 32-bit C++
# libraries for the -m32 build. The
# guest's kernel is Debian's own, downloaded and unpacked into KERNEL_DIR
# without installing it; only its vmlinuz is kept there, for the next run.
#
# usage: provision.sh KERNEL_DIR      (writes KERNEL_DIR/vmlinuz)
set -euo pipefail

kernel_dir=$1
updated=0
apt_update() {
    if [ "$updated" = 0 ]; then
        apt-get update -qq
        updated=1
    fi
}

"$(dirname "$0")/../../tools/install-deps" hardware

if [ -s "$kernel_dir/vmlinuz" ]; then
    echo "kernel: $kernel_dir/vmlinuz ($(cat "$kernel_dir/package" 2>/dev/null || echo unknown))"
    exit 0
fi

# linux-image-amd64 only depends on the kernel package of the current point
# release, whose name changes with it.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
}
package=$(kernel_package)
if [ -z "$package" ]; then
    apt_update
    package=$(kernel_package)
fi
if [ -z "$package" ]; then
    echo "cannot tell which kernel package linux-image-amd64 stands for"
    exit 1
fi

download=$kernel_dir/download
rm -rf "$download"
mkdir -p "$download"
# apt fetches as its own user where it can; give it the directory.
if id _apt >/dev/null 2>&1 && [ "$(id -u)" = 0 ]; then chown _apt "$download"; fi
(cd "$download" && apt-get download -qq "$package")
dpkg -x "$download"/*.deb "$download/root"
cp "$download"/root/boot/vmlinuz-* "$kernel_dir/vmlinuz.new"
mv "$kernel_dir/vmlinuz.new" "$kernel_dir/vmlinuz"
echo "$package" >"$kernel_dir/package"
rm -rf "$download"
echo "kernel: $kernel_dir/vmlinuz ($package)"
