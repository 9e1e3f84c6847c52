#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The hardware test suite for one static build of the tool: boots a Debian
# kernel under QEMU (SeaBIOS, software emulation) with the guest's D4
# structures, runs the real cmoscfg as root in the guest on the hardware and
# then, the same binary, on a machine image built from the same description
# and on the tool's own capture of the guest, and compares. Then one QEMU run
# boots the guest four times, CMOS and a disk kept across the reboots (the
# third ends in a reset at the end of an apply), to see what the tool
# tells of its changes after each reboot. See README.md,
# "Testing the hardware path".
#
# usage: run-suite.sh HOST_TOOLS_DIR STATIC_BUILD_DIR KERNEL WORK_DIR
#   HOST_TOOLS_DIR    cmoscfg-mkimage and cmoscfg-smbios-files, runnable here
#   STATIC_BUILD_DIR  cmoscfg, tools/cmoscfg-cmos-state and
#                     tools/stop-on-second-write linked with -static
#                     (a 32-bit build need not run on this host: only the
#                     guest runs it)
#   KERNEL            the kernel image to boot (see provision.sh), with the
#                     modules the reboot cycle loads beside it, in modules/
#   WORK_DIR          scratch space; removed at the end unless HW_KEEP is set
#
# Installs and downloads nothing: `make test-hardware` provides the programs
# and the kernel before the tests run. Without them the suite is skipped
# (status 77), naming what is missing.
set -euo pipefail

suite=$(cd "$(dirname "$0")" && pwd)
kernel=$3
work=$4
modules=$(dirname "$kernel")/modules

missing=()
[ -s "$kernel" ] || missing+=("the guests' kernel $kernel (tests/hardware/provision.sh fetches it)")
[ -s "$modules/load-order" ] || missing+=("the guests' kernel modules $modules (tests/hardware/provision.sh fetches them)")
command -v qemu-system-x86_64 >/dev/null 2>&1 || missing+=("qemu-system-x86_64 (package qemu-system-x86)")
[ -x /bin/busybox ] || missing+=("/bin/busybox (package busybox-static)")
command -v cpio >/dev/null 2>&1 || missing+=("cpio (package cpio)")
[ -x /usr/sbin/dmidecode ] || missing+=("/usr/sbin/dmidecode (package dmidecode)")
[ -x /usr/sbin/mke2fs ] || missing+=("/usr/sbin/mke2fs (package e2fsprogs)")
if [ ${#missing[@]} -gt 0 ]; then
    # One "SKIP:" line a reason, as tests/skip-reasons.sh reads them.
    printf 'SKIP: missing %s\n' "${missing[@]}"
    echo "make test-hardware installs and fetches them first (tools/install-deps hardware, tests/hardware/provision.sh)"
    exit 77
fi

host_tools=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
cleanup() { [ -n "${HW_KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT

failures=0
passes=0
pass() { passes=$((passes + 1)); echo "ok: $*"; }
fail() { failures=$((failures + 1)); echo "FAILED: $*"; }

echo "tool: $build/cmoscfg, ELF class $(od -An -tu1 -j 4 -N 1 "$build/cmoscfg" | tr -d ' ') (1: 32-bit, 2: 64-bit)"

# shellcheck source-path=SCRIPTDIR source=guest-kit.sh
. "$suite/guest-kit.sh"
declare -a guest_structures padding_structures cycle_structures
smbios_options "$suite/guest.machine" guest_structures
smbios_options "$suite/padding.machine" padding_structures
smbios_options "$suite/cycle.machine" cycle_structures

# --- The guest's initramfs ------------------------------------------------
root=$work/initramfs
initramfs_base suite/bin suite/runs suite/images suite/modules
cp "$build/cmoscfg" "$build/tools/cmoscfg-cmos-state" "$build/tools/stop-on-second-write" "$root/bin/"
# Debian's own dmidecode, which the tool asks for the product name, with the
# libraries it loads. It stays out of /bin: the runs on the capture must do
# without.
copy_program /usr/sbin/dmidecode
cp "$suite"/bin/* "$root/suite/bin/"
cp -r "$suite/files" "$root/suite/files"
cp "$suite/runner.sh" "$root/suite/"
cp "$suite"/runs/*.runs "$root/suite/runs/"
"$host_tools/cmoscfg-mkimage" "$suite/guest.machine" "$root/suite/images/guest"
cp "$suite/guest-init.sh" "$root/init"
cp "$suite/guest-cycle.sh" "$suite/guest-var-lib.sh" "$root/suite/"
cp "$modules"/* "$root/suite/modules/"
initramfs_pack "$work/initramfs.gz"

# --- Boots ------------------------------------------------------------------
# boot NAME MACHINE MEMORY IMAGE PRODUCT QEMU_OPTIONS...: records in
# NAME.records, the console in NAME.console. PRODUCT is the product name of
# the guest's System Information structure (type 1), where the servers'
# firmware names the model and where dmidecode reads it. QEMU's exit status is
# not looked at: it is 0 even after a kernel panic. The records' end marker is
# what counts. QEMU ends at the guest's first reboot, unless boot_reboots is
# set: then a reboot resets the machine, CMOS kept, and only the guest's
# power-off (or the timeout) ends QEMU.
boot() {
    local name=$1 machine=$2 memory=$3 image=$4 product=$5 started=$SECONDS
    local no_reboot=-no-reboot
    [ -z "${boot_reboots:-}" ] || no_reboot=""
    shift 5
    # shellcheck disable=SC2086  # no_reboot is one option or none
    timeout -k 5 180 qemu-system-x86_64 -machine "$machine" -accel tcg -m "$memory" -smp 1 \
        -nodefaults -no-user-config -display none -monitor none $no_reboot \
        -serial "file:$work/$name.console" -serial "file:$work/$name.records" \
        -kernel "$kernel" -initrd "$work/initramfs.gz" \
        -smbios "type=1,manufacturer=Quor Systems,product=$product" \
        -append "console=ttyS0 panic=-1 quiet hwtest=$name hwimage=$image" "$@" </dev/null || true
    echo "boot $name: $((SECONDS - started)) s"
    if [ "$(tail -n 1 "$work/$name.records" 2>/dev/null)" != "=== boot complete" ]; then
        fail "boot $name did not complete; the end of its records, then of its console:"
        tail -n 20 "$work/$name.records" 2>/dev/null | sed 's/^/    /'
        echo "    ---"
        tail -n 30 "$work/$name.console" 2>/dev/null | sed 's/^/    /'
        return 1
    fi
}

# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$suite/checks.sh"

# Each boot names another model, or none that the tool knows: the runs that
# leave the platform to autodetection show what it made of the name.
if boot main pc 256M guest "PowerServer K2E07" "${guest_structures[@]}"; then
    check_product_name main "PowerServer K2E07"
    compare_with main image
    compare_with main capture
    check_checksums main
    check_expected main main
    check_expected refusals main
    check_table_probe main '^=== table at f[0-9a-f]{4}: read\(\) works$'
fi

# With 3 GiB the firmware puts the large table just below 0c0000000: beyond
# the last byte read() may reach, and beyond 2 GiB, where a 32-bit build
# without 64-bit file offsets could not even seek.
if boot large pc 3G guest "PowerServer K2A07" "${guest_structures[@]}" "${padding_structures[@]}"; then
    check_product_name large "PowerServer K2A07"
    compare_with large image
    compare_with large capture
    check_checksums large
    check_expected large large
    check_table_probe large '^=== table at b[0-9a-f]{7}: read\(\) refused$'
fi

if boot sm3 pc,smbios-entry-point-type=64 256M "" "PowerServer K2H07" "${guest_structures[@]}"; then
    check_product_name sm3 "PowerServer K2H07"
    check_expected sm3 sm3
    check_unchanged sm3
    check_table_probe sm3 '^=== table no 32-bit entry point$'
fi

# The reboot cycle (guest-cycle.sh): one QEMU run, four boots of the guest.
# The journal lives on a disk of its own, an ext2 file system made here (no
# root needed for a file) and mounted at /var/lib; bank 72 is a second
# MC146818 at ports 72/73 (see cycle.machine), so that one bank's checksum
# can be broken while the other's holds. QEMU describes every such chip to
# ACPI by one name, so the guest's kernel logs an error for the second; the
# tool reaches it by its ports, not through ACPI. What the runs print holds
# times, ages, boot ids and apply ids (a time and a process id), which change
# from run to run; they are replaced by placeholders before the comparison
# with expected/cycle/.
/usr/sbin/mke2fs -q -t ext2 -F -E root_owner=0:0 "$work/var-lib.img" 4M >/dev/null
if boot_reboots=yes boot cycle pc 256M "" "PowerServer K2E07" "${cycle_structures[@]}" \
    -device mc146818rtc,iobase=0x72,irq=5 -drive "file=$work/var-lib.img,format=raw,if=virtio"; then
    mv "$work/cycle.records" "$work/cycle.raw"
    sed -E -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z/(time)/g' \
        -e 's/\([0-9]+ s ago\)/(age)/g' \
        -e 's/[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}/(boot id)/g' \
        -e 's/\(time\)-[0-9]+/(apply id)/g' \
        "$work/cycle.raw" >"$work/cycle.records"
    check_boots cycle 4
    check_expected cycle cycle
    check_reset_in_apply cycle
fi

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
