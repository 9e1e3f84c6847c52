#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The manual pages render without a single warning, and cmoscfg(8) documents
# every command word and every setting sub-word that the tool's own tables
# accept: each must open an entry of the COMMANDS section.
#
# usage: check-man-pages.sh MAN_DIR PRINT_COMMAND_WORDS
set -uo pipefail

man_dir=$1 print_words=$2
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

if [ "$failures" -ne 0 ]; then
    printf '%d failed\n' "$failures"
    exit 1
fi
printf 'man pages: %d command words documented, no warnings\n' "$(wc -l <<<"$words")"
