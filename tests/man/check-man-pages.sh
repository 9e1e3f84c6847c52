#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The manual pages render without a single warning, and cmoscfg(8) documents
# every command word and every setting sub-word that the tool's own tables
# accept: each must open an entry of the COMMANDS section. Its DESCRIPTION
# lists the models of the tool's platform table, no more, no fewer.
#
# usage: check-man-pages.sh MAN_DIR PRINT_COMMAND_WORDS PRINT_MODELS
set -uo pipefail

man_dir=$1 print_words=$2 print_models=$3
# A missing program is a skip (77), not a fault of the pages.
for program in groff man col; do
    command -v "$program" >/dev/null || { echo "SKIP: $program not found"; exit 77; }
done
failures=0

fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

for page in "$man_dir/cmoscfg.8" "$man_dir/cmoscfg-mkimage.1"; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done

# Entry tags stand at the left margin of the section, seven columns in.
commands=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_dir/cmoscfg.8" 2>/dev/null | col -bx |
    sed -n '/^COMMANDS$/,/^[A-Z]/p' | grep -E '^ {7}[^ ]')
[ -n "$commands" ] || fail "no COMMANDS section in cmoscfg.8"

words=$("$print_words") || fail "$print_words failed"
[ -n "$words" ] || fail "$print_words printed no command word"
while IFS= read -r word; do
    grep -qE "^ {7}$word( |\$)" <<<"$commands" || fail "cmoscfg.8 has no entry for: $word"
done <<<"$words"

# The models in parentheses after "rack servers", the paragraph on one line.
listed=$(LC_ALL=C.UTF-8 MANWIDTH=1000 man -l "$man_dir/cmoscfg.8" 2>/dev/null | col -bx |
    sed -n '/^DESCRIPTION$/,/^[A-Z]/s/.*rack servers (\([^)]*\)).*/\1/p' | sed 's/, /\n/g' | sort)
[ -n "$listed" ] || fail "cmoscfg.8 lists no models in its DESCRIPTION"
models=$("$print_models" | cut -d' ' -f1 | sort) || fail "$print_models failed"
missing=$(comm -23 <(printf '%s\n' "$models") <(printf '%s\n' "$listed"))
extra=$(comm -13 <(printf '%s\n' "$models") <(printf '%s\n' "$listed"))
[ -z "$missing" ] || fail "cmoscfg.8 does not list the models: ${missing//$'\n'/ }"
[ -z "$extra" ] || fail "cmoscfg.8 lists models that the platform table lacks: ${extra//$'\n'/ }"

if [ "$failures" -ne 0 ]; then
    printf '%d failed\n' "$failures"
    exit 1
fi
printf 'man pages: %d command words and %d models documented, no warnings\n' "$(wc -l <<<"$words")" \
    "$(wc -l <<<"$models")"
