#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# /init of the Ansible test's QEMU guests (run-ansible.sh): a server as a
# play from the host sees one, root reached over SSH by key. At every boot,
# as on a Debian server with the tool's package: /var/lib from the guest's
# own disk, so that the tool's journal outlives the reboot; the boot record,
# as the boot unit makes it, before anything could write CMOS; the network
# (QEMU's user network, the host's loopback port forwarded to port 22); then
# Debian's dropbear. The play reboots the guest with `reboot -f`: QEMU resets
# the machine, keeps CMOS, and this runs again. What happens goes to the
# console, which the host shows when the test fails.
mount -t devtmpfs none /dev
mount -t proc none /proc
mount -t sysfs none /sys
mount -t tmpfs -o mode=0755 tmpfs /run
mkdir -p /run/lock /var/lib /dev/pts
mount -t devpts none /dev/pts
exec </dev/console >/dev/console 2>&1

# A guest that cannot serve ends at once: the host sees QEMU end, not a
# guest that never answers.
give_up()
{
    echo "=== guest: $*"
    poweroff -f
}

# shellcheck source-path=SCRIPTDIR source=guest-var-lib.sh
. /suite/guest-var-lib.sh
mount_var_lib || give_up "/var/lib could not be mounted from /dev/vda"

# The kernel's uptime says where a slow boot loses its time.
uptime_seconds() { cut -d ' ' -f 1 /proc/uptime; }
echo "=== boot $(cat /proc/sys/kernel/random/boot_id), $(uptime_seconds) s after the kernel's start"
cmoscfg boot-record --at-boot || give_up "no boot record"

# QEMU's user network: the guest is 10.0.2.15, its gateway 10.0.2.2.
tries=0
until [ -e /sys/class/net/eth0 ]; do
    tries=$((tries + 1))
    [ "$tries" -le 50 ] || give_up "no network interface"
    sleep 0.1
done
ip link set lo up
ip link set eth0 up
ip addr add 10.0.2.15/24 dev eth0
ip route add default via 10.0.2.2

# The host key is made at the first boot and kept on the disk, as a server
# keeps its own: the host that logs in sees the same key after the reboot.
host_key=/var/lib/dropbear/ed25519_host_key
if [ ! -s "$host_key" ]; then
    mkdir -p /var/lib/dropbear
    dropbearkey -t ed25519 -f "$host_key" >/dev/null || give_up "no host key"
    sync
fi
echo "=== ssh server up, $(uptime_seconds) s after the kernel's start"
# Root alone logs in, by key alone (-s).
dropbear -F -E -s -r "$host_key" -p 22
give_up "the SSH server ended"
