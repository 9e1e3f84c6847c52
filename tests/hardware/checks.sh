# SPDX-License-Identifier: GPL-2.0-or-later
# shellcheck shell=bash disable=SC2154  # work and suite are run-suite.sh's
# The checks of the hardware test suite on the records of a guest's boot,
# sourced by run-suite.sh. Each check calls pass or fail; the records of boot
# NAME are in $work/NAME.records, the suite's files in $suite.

# The records of the runs on the hardware, or on the image. The guest's shell
# is busybox, which runs its own date applet whatever PATH says, so the date
# of a settings listing is the real one and is left out of comparisons.
part() { # RECORDS hardware|image
    awk -v head="=== runs on the $2" '$0 == head { on = 1; next } /^=== (runs on|guest only)/ { on = 0 } on' "$1" |
        sed 's|^; date_generated:   .*|; date_generated:   (the date of the run)|'
}

# image: the image built from guest.machine; capture: the guest's capture of
# itself, taken by the tool on the hardware before the runs.
compare_with() { # NAME image|capture
    local records=$work/$1.records
    if diff -u --label "$2 ($1)" --label "hardware ($1)" <(part "$records" "$2") <(part "$records" hardware) \
        >"$work/$1.diff"; then
        pass "boot $1: every run on the hardware equals its run on the $2" \
            "($(part "$records" hardware | grep -c '^=== run ') runs)"
    else
        fail "boot $1: the hardware differs from the $2:"
        sed 's/^/    /' "$work/$1.diff"
    fi
}

# One record of the runs on the hardware (or of the guest-only runs): what the
# run printed and its status.
record() { # RECORDS LABEL
    awk -v label="$2" '/^=== runs on the image$/ { skip = 1 } /^=== guest only$/ { skip = 0 }
                       !skip && $0 == "=== run " label { on = 1; next }
                       on { print } on && /^=== status / { exit }' "$1"
}

check_expected() { # SET BOOT: every file expected/SET/LABEL pins the record of run LABEL
    local file label
    for file in "$suite/expected/$1"/*; do
        [ -f "$file" ] || continue
        label=$(basename "$file")
        if diff -u --label "expected/$1/$label" --label "guest" "$file" \
            <(record "$work/$2.records" "$label") >"$work/expected.diff"; then
            pass "boot $2: $label as in expected/$1"
        else
            fail "boot $2: $label differs from expected/$1:"
            sed 's/^/    /' "$work/expected.diff"
        fi
    done
}

# The checksum of bank 70 after every successful run labelled with its update
# method, computed here from the bytes the guest's real CMOS holds:
#   standard-...  the word at 50/51 is the sum of 40..4f (the range of the
#                 first bank-70 structure of guest.machine);
#   direct-...    the word at 3e/3f moved by as much as the sum of 40..7f.
check_checksums() { # NAME
    local report
    report=$(part "$work/$1.records" hardware | awk '
        function hex(text,    i, v) {
            v = 0
            for (i = 1; i <= length(text); i++) v = v * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
            return v
        }
        # A state line holds "70:3e-3f" and "70:40-7f", each followed by its bytes.
        function byte(line, location,    f, n, i, low, high) {
            n = split(line, f, " ")
            for (i = 1; i <= n; i++) {
                if (f[i] == "70:3e-3f") low = i
                if (f[i] == "70:40-7f") high = i
            }
            return location < 64 ? hex(f[low + 1 + location - 62]) : hex(f[high + 1 + location - 64])
        }
        function sum(line, first, last,    l, s) { for (l = first; l <= last; l++) s += byte(line, l); return s }
        function word(line, high) { return byte(line, high) * 256 + byte(line, high + 1) }
        /^=== cmos / { state = $0 }
        /^=== run / { label = $3; before = state }
        /^=== status / { status = $3 }
        /^=== cmos / && label != "" {
            if (status != 0 || label !~ /^(standard|direct)-/) { label = ""; next }
            checked++
            if (label ~ /^standard-/ && word(state, 80) != sum(state, 64, 79))
                printf "%s: word at 50/51 is %04x, the sum of 40..4f is %04x\n", label, word(state, 80), sum(state, 64, 79)
            moved = (word(state, 62) - word(before, 62) - (sum(state, 64, 127) - sum(before, 64, 127))) % 65536
            if (label ~ /^direct-/ && moved != 0)
                printf "%s: the word at 3e/3f did not follow the change of 40..7f\n", label
            label = ""
        }
        END { printf "%d\n", checked }')
    local checked=${report##*$'\n'}
    if [ "$report" = "$checked" ]; then
        pass "boot $1: checksums of bank 70 right after $checked runs that set tokens"
    else
        fail "boot $1: checksums of bank 70:"
        sed '$d; s/^/    /' <<<"$report"
    fi
}

# Runs labelled unchanged-... must leave CMOS as they found it: the state
# recorded after the run equals the one before it (after the previous run).
check_unchanged() { # NAME
    local report
    report=$(part "$work/$1.records" hardware | awk '
        /^=== cmos / { state = $0; sub(/^=== cmos (before the runs: )?/, "", state) }
        /^=== run / { label = $3; before = state; next }
        /^=== cmos / && label ~ /^unchanged-/ {
            checked++
            if (state != before) printf "%s: CMOS was %s\n    and is %s\n", label, before, state
        }
        /^=== cmos / { label = "" }
        END { printf "%d\n", checked }')
    local checked=${report##*$'\n'}
    if [ "$report" = "$checked" ] && [ "$checked" -gt 0 ]; then
        pass "boot $1: CMOS as it was after $checked runs that must not write"
    elif [ "$report" = "$checked" ]; then
        fail "boot $1: no run labelled unchanged- left a CMOS state to compare"
    else
        fail "boot $1: CMOS changed by runs that must not write:"
        sed '$d; s/^/    /' <<<"$report"
    fi
}

# The product name that the guest's dmidecode read from the firmware's table.
check_product_name() { # NAME PRODUCT
    local line
    line=$(grep '^=== product name: ' "$work/$1.records" || true)
    if [ "$line" = "=== product name: $2" ]; then
        pass "boot $1: dmidecode reads the product name '$2'"
    else
        fail "boot $1: expected '=== product name: $2', got '$line'"
    fi
}

check_table_probe() { # NAME PATTERN
    local line
    line=$(grep '^=== table ' "$work/$1.records" || true)
    if [[ $line =~ $2 ]]; then
        pass "boot $1: ${line#=== }"
    else
        fail "boot $1: expected a table line like '$2', got '$line'"
    fi
}


# A QEMU run that boots the guest several times: each boot once, in order,
# each with a boot id of its own (the boot records' lines name it).
check_boots() { # NAME COUNT
    local boots ids
    boots=$(sed -n 's/^=== cycle boot //p' "$work/$1.records" | tr '\n' ' ')
    ids=$(sed -En 's/^Recorded boot ([^ ]+) in .*/\1/p' "$work/$1.raw" | sort -u | wc -l)
    if [ "$boots" = "$(seq -s ' ' 1 "$2") " ] && [ "$ids" = "$2" ]; then
        pass "boot $1: booted $2 times, each with a boot id of its own"
    else
        fail "boot $1: expected boots 1 to $2 with as many boot ids, got boots '$boots' and $ids boot ids"
    fi
}

# The reset in the middle of an apply (guest-cycle.sh, reset_in_apply): the
# guest stopped the apply after its last CMOS byte and the write() of its
# commit mark (expected/cycle/boot3-reset-apply pins that and CMOS at the
# stop), and CMOS after the roll-back at the next boot is CMOS before the
# apply, byte for byte. Every line of the apply changes a setting, so CMOS at
# the stop differs from CMOS before it.
check_reset_in_apply() { # NAME
    local records=$work/$1.records before stopped after
    before=$(sed -n 's/^=== cmos before the apply: //p' "$records")
    stopped=$(sed -n 's/^=== cmos at the stop: //p' "$records")
    after=$(sed -n 's/^=== cmos after the runs: //p' "$records")
    if ! grep -qx '=== reset in the apply' "$records" || [ -z "$before" ] || [ -z "$stopped" ] || [ -z "$after" ]; then
        fail "boot $1: the records lack the reset in the apply or the CMOS states around it"
    elif [ "$stopped" = "$before" ]; then
        fail "boot $1: the apply had written nothing when it was stopped: CMOS was $before"
    elif [ "$after" != "$before" ]; then
        fail "boot $1: the roll-back did not put CMOS back:"
        printf '    before the apply:    %s\n    at the stop:         %s\n    after the roll-back: %s\n' \
            "$before" "$stopped" "$after"
    else
        pass "boot $1: reset after an apply's last byte, before its commit mark was flushed: rolled back to CMOS as it was before it"
    fi
}
