# SPDX-License-Identifier: GPL-2.0-or-later
# shellcheck shell=bash disable=SC2154  # root, work and host_tools are the caller's
# What the host scripts of the hardware suite (run-suite.sh, run-ansible.sh)
# need to make a guest: an initramfs of busybox and of Debian's own programs,
# each with the libraries it loads, and the options that hand a machine
# description's SMBIOS structures to QEMU. Sourced; the caller sets root (the
# initramfs tree), work (its scratch directory) and host_tools (the directory
# of cmoscfg-smbios-files).

# busybox with a link for each applet, in the directories given (under root).
initramfs_base() { # DIRECTORY...
    local directory applet
    for directory in bin dev proc sys tmp "$@"; do mkdir -p "$root/$directory"; done
    cp /bin/busybox "$root/bin/busybox"
    for applet in $(/bin/busybox --list); do
        [ -e "$root/bin/$applet" ] || ln -s busybox "$root/bin/$applet"
    done
}

# The shared libraries that these ELF files load (the dynamic loader among
# them), at the paths they were linked for.
copy_libraries() { # FILE...
    local library
    for library in $(ldd "$@" 2>/dev/null | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\/.*[^:]$/ { print $1 }' | sort -u); do
        [ -e "$root$library" ] && continue
        mkdir -p "$root${library%/*}"
        cp -L "$library" "$root$library"
    done
}

# A program at its own path, with its libraries.
copy_program() { # PATH
    mkdir -p "$root${1%/*}"
    cp "$1" "$root$1"
    copy_libraries "$1"
}

initramfs_pack() { # OUTPUT
    (cd "$root" && find . -print0 | sort -z | cpio --null -o -H newc -R 0:0 --quiet | gzip -6) >"$1"
}

# Raw structures for "-smbios file=", one file per structure, in table order.
smbios_options() { # DESCRIPTION ARRAY_NAME
    local dir file
    local -n options=$2
    dir=$work/smbios-$(basename "$1" .machine)
    mkdir -p "$dir"
    "$host_tools/cmoscfg-smbios-files" "$1" "$dir" >"$dir.list"
    options=()
    while IFS= read -r file; do options+=(-smbios "file=$file"); done <"$dir.list"
}
