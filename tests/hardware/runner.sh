# SPDX-License-Identifier: GPL-2.0-or-later
# shellcheck shell=sh
# Runs of the tool for the hardware test suite, sourced by the QEMU guest's
# /init (busybox sh). The same runs are made on the hardware and on a machine
# image, and both print the same records, for the host to compare line by line.
#
# The caller sets
#   HW_PATH      PATH of every run: the stand-in date first, and the guest's
#                dmidecode, except for the runs on the capture
#   HW_WORK      working directory of the runs (a copy of files/); hw_run
#                changes to it
#   HW_TMP       a scratch directory
#   HW_BASE_ENV  NAME=VALUE words added to every run's environment: empty for
#                the hardware, CMOSCFG_IMAGE=... for the machine image and
#                the capture
#
# A record:
#   === run LABEL
#   ...everything the tool printed, standard error included...
#   === status N
#   === cmos 70:3e-3f .. .. | 70:40-7f .. .. ..     (unless HW_NO_STATE is set)
# A run whose output does not end in a newline gets the line
# "=== no newline at end of output" before its status.

# CMOS bytes as the tool's own back end reads them: the word of the direct
# update method and every byte of bank 70 that the suite may write.
hw_cmos_state()
{
    # shellcheck disable=SC2086
    env -i PATH="$HW_PATH" $HW_BASE_ENV cmoscfg-cmos-state 70:3e-3f 70:40-7f
}

# hw_run LABEL [NAME=VALUE...] [ARGUMENT...]; a wrapper command may be put in
# HW_WRAP (split at blanks), e.g. "unshare -r".
hw_run()
{
    hw_label=$1
    shift
    hw_env=""
    while [ $# -gt 0 ]; do
        case $1 in
        CMOSCFG_IMAGE=*)
            echo "hw_run $hw_label: runs must not choose the back end" >&2
            return 1 ;;
        *=*) hw_env="$hw_env $1"; shift ;;
        *) break ;;
        esac
    done
    printf '=== run %s\n' "$hw_label"
    cd "$HW_WORK" || return 1
    # shellcheck disable=SC2086
    ${HW_WRAP:-} env -i PATH="$HW_PATH" CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS=NONE $HW_BASE_ENV $hw_env \
        cmoscfg "$@" </dev/null >"$HW_TMP/output" 2>&1
    hw_status=$?
    cat "$HW_TMP/output"
    # $(...) drops a final newline: what is left of the last byte is empty
    # exactly when the output ends in one (or is empty).
    if [ -n "$(tail -c 1 "$HW_TMP/output")" ]; then
        echo
        echo "=== no newline at end of output"
    fi
    printf '=== status %d\n' "$hw_status"
    if [ -z "${HW_NO_STATE:-}" ]; then
        printf '=== cmos '
        hw_cmos_state
    fi
}

# hw_run_file RUNS: the runs of a file (see runs/main.runs for the format),
# after a record of the CMOS state before the first of them.
hw_run_file()
{
    printf '=== cmos before the runs: '
    hw_cmos_state
    while IFS= read -r hw_line; do
        case $hw_line in
        '' | '#'*) continue ;;
        esac
        set -f
        # shellcheck disable=SC2086
        set -- $hw_line
        set +f
        hw_run "$@" || return 1
    done <"$1"
}
