# SPDX-License-Identifier: GPL-2.0-or-later
# shellcheck shell=bash
# Sourced by the metrics checks: the demo image, booted, and the environment
# that runs the tool on it (the standard update method, which keeps a
# checksum per bank).
#
# usage: . demo-image.sh; demo_image CMOSCFG MKIMAGE SOURCE_DIR DIR

# A new demo image in DIR, booted once.
demo_image() {
    export CMOSCFG_IMAGE=$4 CMOSCFG_PLATFORM=K2A07 CMOSCFG_UPDATE_METHOD=quor_standard
    export CMOSCFG_SETTINGS=$3/examples/bios_settings.k2a07
    unset CMOSCFG_SETTINGS_PATH DEBUG
    "$2" "$3/examples/demo-k2a07.machine" "$4" >/dev/null || return 1
    reboot_image "$1" boot-1
}

# A reboot of the image: a new boot id, and the boot unit's record of it.
reboot_image() {
    echo "$2" >"$CMOSCFG_IMAGE/boot_id"
    "$1" boot-record --at-boot >/dev/null
}
