#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package as an administrator gets it: lintian finds no error in
# the source package or the binary one; the binary holds exactly the files of
# expected-files.txt; it installs; its autopkgtest (debian/tests) passes: the
# installed tool runs on the demo machine built by the installed image
# builder; its boot unit is installed and enabled, and never started by the
# package; its metrics timer is installed and not enabled; its manual pages
# are found; and it is purged again. Needs root
# (dpkg -i).
#
# usage: check-package.sh DSC DEB
set -euo pipefail

dsc=$1
deb=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
installed_here=no

cleanup() {
    [ "$installed_here" = no ] || dpkg --purge cmoscfg >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

step() {
    printf '== %s\n' "$*"
}

# expect WHAT EXPECTED ACTUAL
expect() {
    if [ "$2" != "$3" ]; then
        printf 'FAIL: %s\nexpected: %s\nactual:   %s\n' "$1" "$2" "$3"
        exit 1
    fi
}

if dpkg -s cmoscfg >/dev/null 2>&1; then
    echo "FAIL: a cmoscfg package is installed already; remove it first (dpkg --purge cmoscfg)"
    exit 1
fi

step "lintian"
lintian --fail-on error "$dsc" "$deb"

step "file list"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort >"$work/files"
if ! diff -u "$here/expected-files.txt" "$work/files"; then
    echo "FAIL: the package's files differ from expected-files.txt"
    exit 1
fi

step "maintainer scripts: the boot unit is never started by the package"
# A record made at install or upgrade would claim to be from the boot: no
# deb-systemd-invoke (start, restart, try-restart) before or after unpacking.
dpkg-deb -I "$deb" postinst >"$work/postinst"
if grep -n 'deb-systemd-invoke' "$work/postinst"; then
    echo "FAIL: the postinst starts or restarts the boot unit"
    exit 1
fi
if dpkg-deb -I "$deb" preinst >"$work/preinst" 2>/dev/null && grep -n 'deb-systemd-invoke' "$work/preinst"; then
    echo "FAIL: the preinst acts on the boot unit"
    exit 1
fi

step "install"
installed_here=yes
dpkg -i "$deb"

step "boot unit: installed and enabled"
unit=cmoscfg-boot-record.service
expect "ExecStart of /lib/systemd/system/$unit" "/usr/sbin/cmoscfg boot-record --at-boot" \
    "$(sed -n 's/^ExecStart=//p' "/lib/systemd/system/$unit")"
# The link that the postinst's deb-systemd-helper made from the unit's
# [Install] section, and systemctl's reading of it, offline (--root: no
# running systemd is asked, and none is needed).
expect "sysinit.target.wants/$unit" "/lib/systemd/system/$unit" \
    "$(readlink "/etc/systemd/system/sysinit.target.wants/$unit")"
expect "systemctl is-enabled $unit" enabled "$(systemctl --root=/ is-enabled "$unit" 2>&1)"
echo "$unit: installed, enabled in sysinit.target.wants"

step "metrics units: installed, the timer not enabled"
# Not every site runs node_exporter: the administrator enables the timer.
timer=cmoscfg-metrics.timer
expect "ExecStart of /lib/systemd/system/cmoscfg-metrics.service" \
    "/usr/sbin/cmoscfg setting metrics --output /var/lib/prometheus/node-exporter/cmoscfg.prom" \
    "$(sed -n 's/^ExecStart=//p' /lib/systemd/system/cmoscfg-metrics.service)"
expect "systemctl is-enabled $timer" disabled "$(systemctl --root=/ is-enabled "$timer" 2>&1)"
if [ -e "/etc/systemd/system/timers.target.wants/$timer" ]; then
    echo "FAIL: the package enabled $timer"
    exit 1
fi
[ -f /usr/share/cmoscfg/prometheus/cmoscfg-alerts.yml ] || { echo "FAIL: no alert rules installed"; exit 1; }
echo "$timer: installed, not enabled"

step "autopkgtest: the installed tool on the installed demo machine (debian/tests)"
# The package's own tests as Debian's harness runs them, here on this machine
# (the null testbed): taken from the source package, run on the package
# installed above, as the user nobody (they need no root), each in a scratch
# directory of its own, failed by any output on standard error; every step
# with a time limit.
status=0
timeout -k 10 900 autopkgtest --user=nobody --timeout-install=300 --timeout-test=120 \
    "$dsc" "$deb" -- null >"$work/autopkgtest.log" 2>&1 || status=$?
if [ "$status" != 0 ]; then
    cat "$work/autopkgtest.log"
    echo "FAIL: autopkgtest ended with status $status (0: every test passed)"
    exit 1
fi
# Its summary: one line a test.
awk '/^autopkgtest \[/ { summary = /@@@@ summary/; next } summary' "$work/autopkgtest.log"

step "manual pages and completion"
expect "man -w cmoscfg" /usr/share/man/man8/cmoscfg.8.gz "$(man -w cmoscfg)"
expect "man -w cmoscfg-mkimage" /usr/share/man/man1/cmoscfg-mkimage.1.gz "$(man -w cmoscfg-mkimage)"
expect "completion" "complete -F _cmoscfg cmoscfg" \
    "$(bash -c 'source /usr/share/bash-completion/completions/cmoscfg && complete -p cmoscfg')"

step "purge"
# Purged, not only removed: the boot unit's enablement is the package's state
# until a purge, and a package left in the state config-files would count as
# installed at the next run.
dpkg --purge cmoscfg
installed_here=no
if [ -e /usr/sbin/cmoscfg ] || dpkg -s cmoscfg >/dev/null 2>&1; then
    echo "FAIL: cmoscfg is still installed after dpkg --purge"
    exit 1
fi
if [ -e "/lib/systemd/system/$unit" ] || [ -L "/etc/systemd/system/sysinit.target.wants/$unit" ] ||
    [ -e "/lib/systemd/system/$timer" ]; then
    echo "FAIL: the boot unit or its sysinit.target.wants link is left after dpkg --purge"
    exit 1
fi
echo "package: all checks pass"
