#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Fetches the kernel that the hardware test suite boots its guests with:
# Debian's own, downloaded and unpacked into KERNEL_DIR without installing it;
# only its vmlinuz is kept there, for the next run, with the few modules that
# the guests need for their disk and network (Debian builds the virtio disk
# and network drivers and ext4 as modules), in the order they must be loaded.
# `make test-hardware` runs this (after tools/install-deps hardware) before
# the tests, so that the tests themselves install and download nothing.
#
# usage: provision.sh KERNEL_DIR      (writes KERNEL_DIR/vmlinuz, KERNEL_DIR/modules/)
set -euo pipefail

kernel_dir=$1

# The modules the guest loads, each after those it depends on: the virtio PCI
# transport and block driver for /dev/vda, ext4 (which mounts ext2) for the
# file system on it, and the CRC32C that ext4 asks the crypto API for at every
# mount, whether or not the file system keeps checksums; and the virtio
# network driver, through which the host reaches the Ansible test's guests.
wanted_modules="virtio_pci virtio_blk crc32c_generic ext4 virtio_net"

# A kernel fetched before a module was added to the list is fetched again.
have_modules() {
    local module
    [ -s "$kernel_dir/modules/load-order" ] || return 1
    for module in $wanted_modules; do
        grep -qx "$module" "$kernel_dir/modules/load-order" || return 1
    done
}
if [ -s "$kernel_dir/vmlinuz" ] && have_modules; then
    echo "kernel: $kernel_dir/vmlinuz ($(cat "$kernel_dir/package" 2>/dev/null || echo unknown))"
    exit 0
fi
command -v apt-get >/dev/null 2>&1 || {
    echo "provision: this is not a Debian machine (no apt-get); put a bzImage of an x86-64 kernel at $kernel_dir/vmlinuz" >&2
    exit 1
}

# Refreshing the package lists needs root; as install-deps does, sudo when it
# works without a password.
apt_update() {
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        sudo apt-get update -qq
    else
        echo "provision: the package lists name no kernel package; run as root: apt-get update" >&2
        exit 1
    fi
}

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
    echo "provision: cannot tell which kernel package linux-image-amd64 stands for" >&2
    exit 1
fi

mkdir -p "$kernel_dir"
download=$kernel_dir/download
rm -rf "$download"
mkdir -p "$download"
# apt fetches as its own user where it can; give it the directory.
if id _apt >/dev/null 2>&1 && [ "$(id -u)" = 0 ]; then chown _apt "$download"; fi
if ! (cd "$download" && apt-get download -qq "$package"); then
    # Lists that are present but stale name a version the mirror no longer has.
    apt_update
    package=$(kernel_package)
    (cd "$download" && apt-get download -qq "$package")
fi
dpkg -x "$download"/*.deb "$download/root"

# A module names the modules it needs in its .modinfo section ("depends=").
modules=$(echo "$download"/root/lib/modules/*)
rm -rf "$kernel_dir/modules.new"
mkdir -p "$kernel_dir/modules.new"
keep_module() { # NAME: it, after what it depends on, once
    local file depends dependency
    [ -e "$kernel_dir/modules.new/$1.ko" ] && return 0
    file=$(find "$modules" -name "$1.ko" | head -n 1)
    [ -n "$file" ] || { echo "provision: $package has no module $1" >&2; exit 1; }
    depends=$(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | head -n 1)
    for dependency in ${depends//,/ }; do keep_module "$dependency"; done
    cp "$file" "$kernel_dir/modules.new/$1.ko"
    echo "$1" >>"$kernel_dir/modules.new/load-order"
}
for module in $wanted_modules; do keep_module "$module"; done
rm -rf "$kernel_dir/modules"
mv "$kernel_dir/modules.new" "$kernel_dir/modules"

cp "$download"/root/boot/vmlinuz-* "$kernel_dir/vmlinuz.new"
mv "$kernel_dir/vmlinuz.new" "$kernel_dir/vmlinuz"
echo "$package" >"$kernel_dir/package"
rm -rf "$download"
echo "kernel: $kernel_dir/vmlinuz ($package)"
