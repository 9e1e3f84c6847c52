#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# A short tour of cmoscfg on the demo machine image. The image is copied first,
# so the tour can be run again and again from the same starting point.
set -eu
build_dir=${1:-build}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build_dir/demo-image" "$work/image"

# The image names its platform and holds its settings file, so nothing else
# is set: a variable left in the caller's environment would choose instead.
unset CMOSCFG_PLATFORM CMOSCFG_UPDATE_METHOD CMOSCFG_SETTINGS CMOSCFG_SETTINGS_PATH
export CMOSCFG_IMAGE="$work/image"
tool="$build_dir/cmoscfg"

say() {
    printf '\n### %s\n' "$*"
}

# Each command is shown with the image it runs on, so a line copied from here
# and pasted on a server as root still names the image, never the hardware.
run() {
    printf '$ CMOSCFG_IMAGE=%s cmoscfg' "$CMOSCFG_IMAGE"
    for word in "$@"; do
        case $word in
            *" "*) printf " '%s'" "$word" ;;
            *) printf ' %s' "$word" ;;
        esac
    done
    printf '\n'
    "$tool" "$@"
}

printf 'The tour runs on a copy of the demo machine image (%s/examples/demo-k2a07.machine).\n' "$source_dir"
printf 'The image names its platform and holds its settings file: CMOSCFG_IMAGE is all it needs.\n'

say "The D4 tokens this machine's SMBIOS table offers"
run list_tokens
run platform

say "Every BIOS setting, the active value in brackets, the default marked *"
run setting visual

say "Change one setting, read it back, and list what now differs from the defaults"
run setting set "Power Profile" "Maximum Performance"
run setting get "Power Profile"
run setting save_diffs

say "Put every setting back to its default"
run setting set_each_default

say "Below the settings: the token of one value, and the CMOS byte that holds it"
run test 0021
run peek 70 42 03

say "The boot order: eight slots, each holding a device number"
run bootorder list
