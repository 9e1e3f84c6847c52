#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package as an administrator gets it: lintian finds no error; it
# holds exactly the files of expected-files.txt; it installs; the installed
# tool runs on the demo machine built by the installed image builder; its
# manual pages are found; and it is removed again. Needs root (dpkg -i).
#
# usage: check-package.sh DEB
set -euo pipefail

deb=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
installed_here=no

cleanup() {
    [ "$installed_here" = no ] || dpkg -r cmoscfg >/dev/null || true
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
    echo "FAIL: a cmoscfg package is installed already; remove it first (dpkg -r cmoscfg)"
    exit 1
fi

step "lintian"
lintian --fail-on error "$deb"

step "file list"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort >"$work/files"
if ! diff -u "$here/expected-files.txt" "$work/files"; then
    echo "FAIL: the package's files differ from expected-files.txt"
    exit 1
fi

step "install"
installed_here=yes
dpkg -i "$deb"

step "the installed tool on the demo machine"
version=$(dpkg-deb -f "$deb" Version)
expect "--version" "cmoscfg $version" "$(/usr/sbin/cmoscfg --version | head -n 1 | cut -d' ' -f1-2)"
examples=/usr/share/doc/cmoscfg/examples
/usr/bin/cmoscfg-mkimage --settings "$examples/bios_settings.k2a07" "$examples/demo-k2a07.machine" "$work/demo"
# The image names its platform and holds its settings file: nothing else is set.
unset CMOSCFG_PLATFORM CMOSCFG_SETTINGS CMOSCFG_SETTINGS_PATH
export CMOSCFG_IMAGE=$work/demo
expect "platform" K2A07 "$(/usr/sbin/cmoscfg platform)"
expect "setting get" Balanced "$(/usr/sbin/cmoscfg setting get 'Power Profile')"
/usr/sbin/cmoscfg setting set 'Power Profile' 'Maximum Performance'
expect "setting get after set" "Maximum Performance" "$(/usr/sbin/cmoscfg setting get 'Power Profile')"

step "manual pages and completion"
expect "man -w cmoscfg" /usr/share/man/man8/cmoscfg.8.gz "$(man -w cmoscfg)"
expect "man -w cmoscfg-mkimage" /usr/share/man/man1/cmoscfg-mkimage.1.gz "$(man -w cmoscfg-mkimage)"
expect "completion" "complete -F _cmoscfg cmoscfg" \
    "$(bash -c 'source /usr/share/bash-completion/completions/cmoscfg && complete -p cmoscfg')"

step "remove"
dpkg -r cmoscfg
installed_here=no
if [ -e /usr/sbin/cmoscfg ] || dpkg -s cmoscfg >/dev/null 2>&1; then
    echo "FAIL: cmoscfg is still installed after dpkg -r"
    exit 1
fi
echo "package: all checks pass"
