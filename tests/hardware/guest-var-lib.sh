# SPDX-License-Identifier: GPL-2.0-or-later
# shellcheck shell=sh
# The guest's /var/lib, where the tool keeps its journal, on the guest's own
# disk (/dev/vda, an ext2 file system that the host made): the one place
# besides CMOS that outlives a reboot. Sourced by the guests' boot scripts
# (guest-cycle.sh, guest-ansible.sh).
#
# Debian's kernel has the virtio drivers and ext4 (which mounts ext2) as
# modules; provision.sh keeps them, in the order they must be loaded, in
# /suite/modules.
mount_var_lib()
{
    while read -r module; do
        insmod "/suite/modules/$module.ko" || return 1
    done </suite/modules/load-order
    tries=0
    until [ -b /dev/vda ]; do
        tries=$((tries + 1))
        [ "$tries" -le 50 ] || return 1
        sleep 0.1
    done
    mount -t ext4 /dev/vda /var/lib
}
