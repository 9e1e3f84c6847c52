#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The layers of src/ depend only downward: lib, hw, settings, cli, each on
# those before it. No file of a layer includes a header of a layer above it,
# and no layer's library needs a symbol that a library above it defines. The
# link alone does not catch such a call: an object that main already pulled
# in resolves it, whatever the order of the libraries. Within the layers, no
# two files depend on each other, however indirectly: a file and its header
# count as one, and includes are its dependencies.
#
# usage: check-layers.sh SRC_DIR LIB_LIBRARY HW_LIBRARY SETTINGS_LIBRARY CLI_LIBRARY
set -uo pipefail

layers=(lib hw settings cli)
if (($# != ${#layers[@]} + 1)); then
    echo "usage: $0 SRC_DIR LIB_LIBRARY HW_LIBRARY SETTINGS_LIBRARY CLI_LIBRARY" >&2
    exit 2
fi
src_dir=$1
shift
libraries=("$@")
command -v nm >/dev/null || { echo "SKIP: nm not found"; exit 77; }
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

# What a library defines for others: not the weak copies of inline functions
# and templates, which every user emits for itself.
defined_symbols() {
    nm --defined-only --extern-only "$1" | awk 'NF == 3 && $2 ~ /^[BDGRST]$/ { print $3 }' | sort -u
}
needed_symbols() {
    nm --undefined-only "$1" | awk 'NF >= 2 && $(NF - 1) == "U" { print $NF }' | sort -u
}

for ((i = 0; i < ${#layers[@]}; i++)); do
    defined_symbols "${libraries[i]}" >"$work/defined.$i" || fail "nm cannot read ${libraries[i]}"
    needed_symbols "${libraries[i]}" >"$work/needed.$i" || fail "nm cannot read ${libraries[i]}"
done

for ((low = 0; low < ${#layers[@]}; low++)); do
    for ((high = low + 1; high < ${#layers[@]}; high++)); do
        includes=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]${layers[high]}/" \
            "$src_dir/${layers[low]}")
        [ -z "$includes" ] || fail "${layers[low]} includes from ${layers[high]}:"$'\n'"$includes"
        calls=$(comm -12 "$work/needed.$low" "$work/defined.$high" | c++filt)
        [ -z "$calls" ] || fail "${layers[low]} uses what ${layers[high]} defines:"$'\n'"$calls"
    done
done

# Every include as "header includer", files named without their extension;
# tsort fails on a loop and names the files in it.
include_pairs() {
    local file module header
    while IFS= read -r file; do
        module=${file#"$src_dir"/}
        module=${module%.*}
        sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)\.hpp".*/\1/p' "$file" |
            while IFS= read -r header; do
                [ "$header" = "$module" ] || printf '%s %s\n' "$header" "$module"
            done
    done < <(find "$src_dir" -name '*.cpp' -o -name '*.hpp')
}
include_pairs >"$work/includes"
if ! tsort "$work/includes" >/dev/null 2>"$work/loops"; then
    fail "files that depend on each other:"$'\n'"$(grep -v 'input contains a loop' "$work/loops" | sed 's/^tsort: //')"
fi

if [ "$failures" -ne 0 ]; then
    printf '%d failed\n' "$failures"
    exit 1
fi
printf 'layers: %s, nothing upwards, no file cycles\n' "${layers[*]}"
