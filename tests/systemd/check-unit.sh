#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The units as `cmake --install` writes them, installed under a prefix other
# than the configured one (as `make install PREFIX=...` does): the boot
# unit's and the metrics unit's ExecStart run the tool installed beside them,
# and `systemd-analyze verify` passes them and the metrics timer without a
# word, against this machine's own sysinit.target, local-fs.target,
# shutdown.target and timers.target (so an ordering cycle through
# sysinit.target fails here). Their sandboxes leave the tool what port I/O
# and /dev/mem need; the metrics unit may write its textfile directory alone.
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
units=$prefix/lib/systemd/system
unit=$units/cmoscfg-boot-record.service
metrics=$units/cmoscfg-metrics.service
timer=$units/cmoscfg-metrics.timer
for file in "$unit" "$metrics" "$timer"; do
    [ -f "$file" ] || fail "no $file after the install"
done

exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$exec_start" = "$prefix/sbin/cmoscfg boot-record --at-boot" ] ||
    fail "ExecStart is '$exec_start', not the tool installed under $prefix"
exec_start=$(sed -n 's/^ExecStart=//p' "$metrics")
[ "$exec_start" = "$prefix/sbin/cmoscfg setting metrics --output /var/lib/prometheus/node-exporter/cmoscfg.prom" ] ||
    fail "the metrics unit's ExecStart is '$exec_start', not the tool installed under $prefix"
[ -x "$prefix/sbin/cmoscfg" ] || fail "$prefix/sbin/cmoscfg is not installed"

# verify exits 0 after most of its complaints (an unknown key, a value it
# cannot parse): any word from it is a fault.
report=$(timeout 45 systemd-analyze --man=no verify "$unit" "$metrics" "$timer" 2>&1)
status=$?
if [ "$status" != 0 ] || [ -n "$report" ]; then
    fail "systemd-analyze verify (status $status): $report"
fi

# Settings that would take from the tool CAP_SYS_RAWIO, /dev/mem or iopl().
for file in "$unit" "$metrics"; do
    grep -qE '^CapabilityBoundingSet=(.* )?CAP_SYS_RAWIO( |$)' "$file" ||
        fail "CapabilityBoundingSet= of $file does not keep CAP_SYS_RAWIO"
    taking=$(grep -E '^(PrivateDevices=(yes|true|on|1)|DeviceAllow=|DevicePolicy=(strict|closed)|ProtectClock=(yes|true|on|1)|SystemCallFilter=)' "$file")
    [ -z "$taking" ] || fail "the sandbox of $file takes from the tool what it needs: $taking"
done
# The metrics unit writes its textfile directory and nothing else.
writable=$(grep -E '^(ReadWritePaths|StateDirectory|ProtectSystem)=' "$metrics" | tr '\n' ' ')
[ "$writable" = "ProtectSystem=strict StateDirectory=prometheus/node-exporter " ] ||
    fail "the metrics unit may write more than its textfile directory: $writable"

echo "units: installed under a new prefix, run the tool installed there, verified"
