#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# /init of the hardware test suite's QEMU guest: a Debian kernel, busybox, the
# static cmoscfg and Debian's dmidecode (in /usr/sbin, with the libraries it
# loads), nothing else. The kernel command line names the boot
# (hwtest=main|large|sm3), which picks /suite/runs/BOOT.runs, and the machine
# image that stands for this machine (hwimage=NAME, /suite/images/NAME), if
# any. First the tool captures this machine (cmoscfg capture); then the runs
# are made on the hardware, with the same binary on that image, and on the
# capture, for the host to compare. Runs that leave the platform to
# autodetection get it from dmidecode, which reads the product name that QEMU
# was given for the boot from the firmware's table: on the hardware and on the
# image alike (the image has no platform record), but not on the capture,
# which must identify the machine by its own record.
#
# Records go to the second serial port, which the host reads; the console
# (first port) only carries the kernel's messages. The host trusts nothing but
# the records: QEMU's own exit status says nothing about the guest.
mount -t devtmpfs none /dev
mount -t proc none /proc
mount -t sysfs none /sys
# A Debian system has /run/lock (tmpfs /run), where programs put their locks,
# and /var/lib, where the tool keeps its journal of writes.
mkdir -p /run/lock /var/lib
exec </dev/console >/dev/console 2>&1

# The reboot cycle boots this guest several times and has a program of its
# own.
# shellcheck disable=SC2154  # hwtest comes from the kernel command line
[ "${hwtest:-}" = cycle ] && exec /bin/sh /suite/guest-cycle.sh

# The stand-in date of /suite/bin first, dmidecode in /usr/sbin.
HW_PATH=/suite/bin:/usr/sbin:/bin
HW_TMP=/tmp
# shellcheck source-path=SCRIPTDIR source=runner.sh
. /suite/runner.sh

# Where SeaBIOS put the structure table, and whether plain read() of /dev/mem
# reaches it there (the tool then maps it instead).
table_probe()
{
    entry=/sys/firmware/dmi/tables/smbios_entry_point
    if [ "$(head -c 4 "$entry")" != "_SM_" ]; then
        echo "=== table no 32-bit entry point"
        return
    fi
    address=$(od -An -tu4 -j 24 -N 4 "$entry" | tr -d ' ')
    if dd if=/dev/mem of=/dev/null bs=16 skip=$((address / 16)) count=1 2>/dev/null; then
        readable="read() works"
    else
        readable="read() refused"
    fi
    printf '=== table at %x: %s\n' "$address" "$readable"
}

# What dmidecode itself reads as the product name, for the host to check
# against the one QEMU was given.
product_name()
{
    echo "=== product name: $(env -i PATH="$HW_PATH" dmidecode -s system-product-name 2>&1)"
}

# On the hardware the tool runs as root: a dmidecode planted first on the
# caller's PATH must not run, the system's own must.
planted_path_run()
{
    mkdir -p /tmp/planted
    printf '#!/bin/sh\necho "PowerServer K2B07"\n' >/tmp/planted/dmidecode
    chmod +x /tmp/planted/dmidecode
    HW_NO_STATE=1
    hw_path=$HW_PATH
    HW_PATH=/tmp/planted:$HW_PATH
    hw_run planted-path CMOSCFG_PLATFORM= platform
    HW_PATH=$hw_path
    HW_NO_STATE=""
}

# Refusals by the kernel: the tool must say why and what to try. Last of all,
# since lockdown cannot be lifted again.
refusal_runs()
{
    HW_NO_STATE=1
    HW_WRAP="unshare -r"
    hw_run user-namespace list_tokens
    HW_WRAP=""
    mv /dev/mem /dev/mem.hidden
    hw_run no-dev-mem list_tokens
    mv /dev/mem.hidden /dev/mem
    mount -t securityfs none /sys/kernel/security
    echo integrity >/sys/kernel/security/lockdown
    hw_run lockdown list_tokens
}

# The capture, taken before any run changes CMOS, as an administrator would
# take it: as root on the hardware, the platform from dmidecode's product name
# and the settings file that it names.
capture_machine()
{
    echo "=== capture of the hardware"
    HW_WORK=/tmp/work-capture
    cp -r /suite/files "$HW_WORK"
    HW_BASE_ENV=""
    hw_run capture CMOSCFG_PLATFORM= CMOSCFG_SETTINGS= capture /tmp/capture
}

# runs_on NAME BASE_ENV: the boot's runs in a fresh copy of the files.
# shellcheck disable=SC2154  # hwtest comes from the kernel command line
runs_on()
{
    echo "=== runs on the $1"
    HW_WORK=/tmp/work-$1
    cp -r /suite/files "$HW_WORK"
    HW_BASE_ENV=$2
    hw_run_file "/suite/runs/$hwtest.runs"
}

stty -F /dev/ttyS1 raw -echo
{
    echo "=== boot ${hwtest:-?}"
    # A boot compared with an image is compared with a capture too; without
    # tokens (sm3) a capture holds no CMOS to compare.
    [ -n "${hwimage:-}" ] && capture_machine
    runs_on hardware ""
    if [ -n "${hwimage:-}" ]; then
        runs_on image "CMOSCFG_IMAGE=/suite/images/$hwimage"
        # Without dmidecode on PATH: the capture must know its platform.
        hw_path=$HW_PATH
        HW_PATH=/bin
        runs_on capture "CMOSCFG_IMAGE=/tmp/capture"
        HW_PATH=$hw_path
    fi
    echo "=== guest only"
    HW_BASE_ENV=""
    product_name
    table_probe
    [ "$hwtest" = main ] && planted_path_run
    [ "$hwtest" = main ] && refusal_runs
    echo "=== boot complete"
} >/dev/ttyS1 2>&1

poweroff -f
