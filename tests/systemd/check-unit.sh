#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The boot unit as `cmake --install` writes it, installed under a prefix other
# than the configured one (as `make install PREFIX=...` does): its ExecStart
# runs the tool installed beside it, and `systemd-analyze verify` passes it
# without a word, against this machine's own sysinit.target, local-fs.target
# and shutdown.target (so an ordering cycle through sysinit.target fails
# here). Its sandbox leaves the tool what port I/O and /dev/mem need.
#
# usage: check-unit.sh CMAKE BUILD_DIR
set -uo pipefail

cmake=$1 build=$2
# A missing program is a skip (77), not a fault of the unit.
command -v systemd-analyze >/dev/null || { echo "SKIP: systemd-analyze not found (package systemd)"; exit 77; }
# It reads the running system's state there; a chroot may have none.
[ -r /proc/self/stat ] || { echo "SKIP: /proc is not mounted, which systemd-analyze reads"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    printf 'FAIL: %s\n' "$*"
    exit 1
}

prefix=$scratch/prefix
timeout 60 "$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; fail "cmake --install --prefix $prefix"; }
unit=$prefix/lib/systemd/system/cmoscfg-boot-record.service
[ -f "$unit" ] || fail "no $unit after the install"

exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$exec_start" = "$prefix/sbin/cmoscfg boot-record --at-boot" ] ||
    fail "ExecStart is '$exec_start', not the tool installed under $prefix"
[ -x "$prefix/sbin/cmoscfg" ] || fail "$prefix/sbin/cmoscfg is not installed"

# verify exits 0 after most of its complaints (an unknown key, a value it
# cannot parse): any word from it is a fault.
report=$(timeout 45 systemd-analyze --man=no verify "$unit" 2>&1)
status=$?
if [ "$status" != 0 ] || [ -n "$report" ]; then
    fail "systemd-analyze verify (status $status): $report"
fi

# Settings that would take from the tool CAP_SYS_RAWIO, /dev/mem or iopl().
grep -qE '^CapabilityBoundingSet=(.* )?CAP_SYS_RAWIO( |$)' "$unit" ||
    fail "CapabilityBoundingSet= does not keep CAP_SYS_RAWIO"
taking=$(grep -E '^(PrivateDevices=(yes|true|on|1)|DeviceAllow=|DevicePolicy=(strict|closed)|ProtectClock=(yes|true|on|1)|SystemCallFilter=)' "$unit")
[ -z "$taking" ] || fail "the sandbox takes from the tool what it needs: $taking"

echo "boot unit: installed under a new prefix, runs the tool installed there, verified"
