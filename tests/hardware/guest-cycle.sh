#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# The reboot cycle of the hardware test suite, run by guest-init.sh at every
# boot of the one QEMU run that boots the guest four times (hwtest=cycle).
# Only two things outlive a reboot there, as on a server: CMOS (QEMU keeps it
# across a guest reset) and the disk that holds /var/lib, where the tool keeps
# its journal. The initramfs is unpacked afresh and /run is a new tmpfs at
# every boot, so the boot record (/run/cmoscfg) is of this boot alone.
#
# Boot N makes the runs of /suite/runs/cycle-N.runs, after the boot record
# the boot unit would make, then reboots (busybox reboot -f: QEMU resets the
# machine and keeps CMOS); the last boot powers off. The boot counts itself
# on the disk. Records go to the second serial port, as in guest-init.sh; the
# host compares them with expected/cycle/.
#
# Boot RESET_BOOT does not end with a clean reboot: after its runs the
# machine is reset at the end of a "setting apply", its commit mark written
# but not flushed (reset_in_apply), and the next boot finds that apply open.
LAST_BOOT=4
RESET_BOOT=3

# shellcheck source-path=SCRIPTDIR source=guest-var-lib.sh
. /suite/guest-var-lib.sh

mount -t tmpfs -o mode=0755 tmpfs /run
mkdir -p /run/lock
stty -F /dev/ttyS1 raw -echo
if ! mount_var_lib >/dev/ttyS1 2>&1; then
    echo "=== cycle: /var/lib could not be mounted from /dev/vda" >/dev/ttyS1
    poweroff -f
fi
boot=$(($(cat /var/lib/cycle-boot 2>/dev/null || echo 0) + 1))
echo "$boot" >/var/lib/cycle-boot

HW_PATH=/suite/bin:/usr/sbin:/bin
HW_TMP=/tmp
HW_WORK=/tmp/work-cycle
# As the boot unit and an administrator run the tool: the platform from the
# firmware's product name (K2E07, the standard update method, which keeps a
# checksum per bank) and the settings file that it names.
HW_BASE_ENV="CMOSCFG_PLATFORM= CMOSCFG_SETTINGS="
HW_NO_STATE=1
# shellcheck source-path=SCRIPTDIR source=runner.sh
. /suite/runner.sh

# A reset at the end of a "setting apply", as a power cut or a watchdog makes
# it: after the apply has written every CMOS byte and the write() of its
# commit mark has returned, but before that mark's fsync. The helper
# stop-on-second-write (tools/stop_on_journal_write.cpp) runs the apply and
# stops it (SIGSTOP, which no program can hold back) as the second write() to
# the journal returns: the first is the write-ahead record, flushed before
# the first CMOS byte, the second the mark. Then the kernel resets the machine
# at once (sysrq b: no sync, no unmount), and the mark, in the page cache
# only, is lost (ext2 writes a dirty file back after seconds). QEMU keeps
# CMOS as the stopped apply left it: at the apply's after-image. The record
# boot3-reset-apply holds what the helper printed, CMOS at the stop and the
# helper's status; the host pins it in expected/cycle/.
reset_in_apply()
{
    printf '=== cmos before the apply: '
    hw_cmos_state
    # What this boot wrote to the disk must outlive the reset: the boot count
    # above all. The apply flushes its own write-ahead record.
    sync
    printf '=== run %s\n' boot3-reset-apply
    cd "$HW_WORK" || return
    # shellcheck disable=SC2086
    env -i PATH="$HW_PATH" $HW_BASE_ENV stop-on-second-write /var/lib/cmoscfg/journal -- \
        cmoscfg setting apply reset.settings </dev/null >"$HW_TMP/output" 2>&1
    status=$?
    cat "$HW_TMP/output"
    # The apply is stopped for good, past its last port access: reading CMOS
    # now cannot come between an index and a data port access of its.
    printf '=== cmos at the stop: '
    hw_cmos_state
    printf '=== status %d\n' "$status"
    echo "=== reset in the apply"
}

{
    echo "=== cycle boot $boot"
    if [ "$boot" -le "$LAST_BOOT" ]; then
        cp -r /suite/files "$HW_WORK"
        hw_run_file "/suite/runs/cycle-$boot.runs"
    fi
    if [ "$boot" = "$LAST_BOOT" ]; then
        # Only readers ran after the boot record: this is CMOS as the
        # roll-back at boot left it.
        printf '=== cmos after the runs: '
        hw_cmos_state
    fi
    [ "$boot" -ge "$LAST_BOOT" ] && echo "=== boot complete"
} >/dev/ttyS1 2>&1

if [ "$boot" = "$RESET_BOOT" ]; then
    reset_in_apply >/dev/ttyS1 2>&1
    echo b >/proc/sysrq-trigger
    reboot -f
fi

# A clean unmount, as the shutdown before a reboot makes it.
umount /var/lib
if [ "$boot" -lt "$LAST_BOOT" ]; then
    reboot -f
fi
poweroff -f
