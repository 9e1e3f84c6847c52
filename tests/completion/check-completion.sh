#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The bash completion, sourced into this shell and called as bash calls it
# (COMP_WORDS, COMP_CWORD), on the example settings file: command words and
# sub-words, setting names with blanks, value names, file names, and silence
# when no settings file can be found. Both scripts must be shellcheck-clean.
#
# The setting names and value names that it offers are compared with the
# tool's own on a machine image, on the example file and on one whose names
# hold blanks, quotes and backslashes.
#
# The models it knows in a product name are those of the tool's platform table.
#
# Names that a shell would run or expand are completed in a real interactive
# bash under a pseudo-terminal (script(1)), after no quote, an opening " and
# an opening ': the line must run the tool with exactly the name, and nothing
# else.
#
# usage: check-completion.sh SOURCE_DIR PRINT_COMMAND_WORDS CMOSCFG CMOSCFG_MKIMAGE PRINT_VALUE_NAMES
#        PRINT_MODELS
set -uo pipefail

source_dir=$1 print_words=$2 cmoscfg=$3 mkimage=$4 print_values=$5 print_models=$6
# A missing program is a skip (77), not a failure of the completion.
command -v shellcheck >/dev/null || { echo "SKIP: shellcheck not found"; exit 77; }
command -v script >/dev/null || { echo "SKIP: script not found"; exit 77; }
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

# shellcheck source=/dev/null  # checked on its own below
source "$source_dir/completion/cmoscfg"

# complete WORD...: COMPREPLY for the last WORD, one a line, after anything
# that the completion printed (it must print nothing).
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _cmoscfg >"$work/printed" 2>&1
    cat "$work/printed"
    ((${#COMPREPLY[@]} == 0)) || printf '%s\n' "${COMPREPLY[@]}"
}

# check WHAT EXPECTED WORD...: completing the last WORD gives the lines of
# EXPECTED, in any order, and nothing else.
check() {
    local what=$1 expected=$2
    shift 2
    complete_words "$@" >"$work/got"
    if [ "$(sort "$work/got")" != "$(sort <<<"$expected")" ]; then
        fail "$what: expected [$expected], got [$(cat "$work/got")]"
    fi
}

examples=$source_dir/examples
export CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS=$examples/bios_settings.k2a07
unset CMOSCFG_SETTINGS_PATH

# Every word of the tool's own command tables is offered (a setting sub-word
# that accepts every word beginning with it, at least as the start of one).
words=$("$print_words") || fail "$print_words failed"
complete_words cmoscfg '' >"$work/offered"
complete_words cmoscfg setting '' >"$work/offered-setting"
while IFS= read -r word; do
    case $word in
    "setting "*) grep -q "^${word#setting }" "$work/offered-setting" ;;
    *) grep -qxF -- "$word" "$work/offered" ;;
    esac || fail "not offered: $word"
done <<<"$words"

check "command words" $'set\nsetting\nsettings\nsetraw' cmoscfg set
check "options" $'--help' cmoscfg --he
check "setting sub-words" $'show\nsave\nsave_diffs\nset\nset_each_default\nstatus' cmoscfg settings s
check "bootorder sub-words" $'list\nget\nset' cmoscfg bootorder ''
check "bootorder_raw sub-words" $'set' cmoscfg bootorder_raw s

check "a name with blanks" 'Power\ Profile' cmoscfg setting get Pow
check "a name after an escaped blank" $'Boot\\ Mode\nBoot\\ Delay\nBoot\\ Retry\nBoot\\ Watchdog' \
    cmoscfg setting set 'Boot\ '
check "a name after an opening quote" 'Power Profile' cmoscfg setting get '"Power P'
check "a name with a slash" 'I/O\ Virtualization' cmoscfg setting set I/
check "an unknown name" '' cmoscfg setting get Zzz
check "values of a quoted name" $'Maximum\\ Performance' cmoscfg setting set "'Power Profile'" Max
check "values of an escaped name" $'0s\n1s\n2s\n3s\n5s\n10s\n20s\n30s' cmoscfg setting set 'Boot\ Delay' ''
check "an unknown value" '' cmoscfg setting set 'Boot\ Delay' 7
check "values of an unknown setting" '' cmoscfg setting set Zzz ''
check "nothing after the value" '' cmoscfg setting set 'Boot\ Delay' 1s ''
check "file names after readfile" "$examples/bios_settings.k2a07" \
    cmoscfg setting readfile "$examples/bios_"

# The names and values offered, as the shell hands them to the tool, are the
# tool's own: the names of `setting list` and the value names of `setting
# json`, each completed after a name typed as printf %q writes it. `setting
# json` leaves out a value whose token the machine lacks, so the demo machine
# gets the two tokens of its unfitted TPM: then every value has its token.
image=$work/image
sed 's/^end-of-table$/token 00f0 86 fe 00\ntoken 00f1 86 fe 01\n&/' "$examples/demo-k2a07.machine" >"$work/machine"
"$mkimage" "$work/machine" "$image" >/dev/null || fail "$mkimage failed"

# offered WORD...: what completing the last WORD offers, each word unquoted
# as the shell unquotes the text that the completion inserts.
offered() {
    local reply
    complete_words "$@" >"$work/replies"
    while IFS= read -r reply; do
        eval "printf '%s\n' $reply"
    done <"$work/replies"
}

# agrees_with_tool SETTINGS_FILE: the setting names, and each setting's value
# names, that the completion offers and that the tool knows are the same, in
# the same order.
agrees_with_tool() {
    local names document name completion tool
    export CMOSCFG_SETTINGS=$1
    names=$(CMOSCFG_IMAGE=$image "$cmoscfg" setting list) || fail "setting list on $1: $names"
    document=$(CMOSCFG_IMAGE=$image "$cmoscfg" setting json) || fail "setting json on $1"
    [ -n "$names" ] || fail "no setting listed from $1"
    completion=$(offered cmoscfg setting get '')
    [ "$completion" == "$names" ] || fail "names in $1: completion [$completion], tool [$names]"
    while IFS= read -r name; do
        completion=$(offered cmoscfg setting set "$(printf '%q' "$name")" '')
        tool=$("$print_values" "$name" <<<"$document")
        [ "$completion" == "$tool" ] || fail "values of [$name] in $1: completion [$completion], tool [$tool]"
    done <<<"$names"
}

agrees_with_tool "$examples/bios_settings.k2a07"
cat >"$work/bios_settings.quoting" <<'EOF'
## Names that need quoting
Say "Hello" Twice, On, 0010:On, 0011:Off
Bob's Mode, Off, 0012:On, 0013:Off
C:\temp\new\table, It's "on", 0014:It's "on", 0015:Back\slash \"off\"
  'Single' and "Double" \ Both  , A b, 0016:A b, 0017: 'c' "d"
EOF
agrees_with_tool "$work/bios_settings.quoting"
export CMOSCFG_SETTINGS=$examples/bios_settings.k2a07

# Hostile names, completed in an interactive bash on a pseudo-terminal and the
# line run with Enter. A stand-in cmoscfg records the words it receives.
# Where no pseudo-terminal can be made (a chroot without /dev/pts), the rest
# is checked and the test then reports itself skipped, with the reason.
hostile_names() {
pty=$work/pty
mkdir -p "$pty/bin"
cat >"$pty/bios_settings.hostile" <<'EOF'
## Names a shell would run or expand
Evil $(touch pwned) Mode, On, 0010:On, 0011:Off
Tick `touch pwned` Mode, On, 0012:On, 0013:Off
$HOME Dir, On, 0014:On, 0015:Off
Bob's Mode, Off, 0016:On, 0017:Off
Bang!x "Quoted" \ Mode, Off, 0018:On, 0019:Off
EOF
# shellcheck disable=SC2016  # the stand-in's own variables
printf '#!/bin/sh\nfor word; do printf "[%%s]" "$word"; done >>"$CMOSCFG_TEST_WORDS"; echo >>"$CMOSCFG_TEST_WORDS"\n' \
    >"$pty/bin/cmoscfg"
chmod +x "$pty/bin/cmoscfg"
cat >"$pty/rc" <<EOF
PS1='\$ '
unset HISTFILE
PATH=$pty/bin:\$PATH
cd "$pty" || exit 1
export CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS=$pty/bios_settings.hostile CMOSCFG_TEST_WORDS=$pty/words
source "$source_dir/completion/cmoscfg"
EOF
# shellcheck disable=SC2016  # typed as they are, $ included
typed=(
    'cmoscfg setting get Evil' 'cmoscfg setting get "Evil' "cmoscfg setting get 'Evil"
    'cmoscfg setting get Tick' 'cmoscfg setting get "Tick' "cmoscfg setting get 'Tick"
    'cmoscfg setting get "$HO' "cmoscfg setting get '\$HO"
    'cmoscfg setting get Bob' 'cmoscfg setting get "Bob' "cmoscfg setting get 'Bob"
    'cmoscfg setting get Bang' 'cmoscfg setting get "Bang' "cmoscfg setting get 'Bang"
)
{
    for line in "${typed[@]}"; do printf '%s\t\n' "$line"; done
    printf 'exit\n'
} | timeout 30 script -qec "bash --rcfile $pty/rc -i" /dev/null >"$pty/session" 2>&1 ||
    fail "the interactive bash did not end: $(tr -d '\r' <"$pty/session" | tail -5)"
expected_words=''
# shellcheck disable=SC2016  # the names as they are
for name in 'Evil $(touch pwned) Mode' 'Tick `touch pwned` Mode' '$HOME Dir' "Bob's Mode" 'Bang!x "Quoted" \ Mode'; do
    count=3
    [[ $name == '$HOME Dir' ]] && count=2
    for ((i = 0; i < count; i++)); do expected_words+="[setting][get][$name]"$'\n'; done
done
[ "$(cat "$pty/words" 2>/dev/null)"$'\n' == "$expected_words" ] ||
    fail "hostile names: the tool got [$(cat "$pty/words" 2>/dev/null)], expected [$expected_words]"
[ ! -e "$pty/pwned" ] || fail "hostile names: completing a name ran a command in it"
}
if timeout 10 script -qec true /dev/null >/dev/null 2>&1; then
    hostile_names
else
    no_terminal="no pseudo-terminal for script(1) here (/dev/pts): hostile names not completed"
fi

# The settings file found as the tool finds it: the platform from the product
# name, the file in CMOSCFG_SETTINGS_PATH.
unset CMOSCFG_PLATFORM CMOSCFG_SETTINGS
printf 'PowerServer K2A07\n' >"$work/product_name"
_cmoscfg_product_name_file=$work/product_name
export CMOSCFG_SETTINGS_PATH=$examples
check "the product name and the settings path" 'Turbo\ Mode' cmoscfg setting get Tu

# An image that names its platform and holds its settings file needs nothing
# else, as for the tool; its file comes before the working directory's.
unset CMOSCFG_SETTINGS_PATH
"$mkimage" --settings "$examples/bios_settings.k2a07" "$examples/demo-k2a07.machine" "$work/NONE" >/dev/null ||
    fail "$mkimage --settings failed"
printf 'PowerServer K2E07\n' >"$work/product_name"
printf 'x, 1:A\n' >"$work/bios_settings.k2a07"
cd "$work" || fail "cd $work"
CMOSCFG_IMAGE=$work/NONE check "an image's platform record and settings file" 'Turbo\ Mode' cmoscfg setting get Tu
cd "$OLDPWD" || fail "cd back"

# The models the completion knows in a product name are those of the tool's
# platform table, each by the mark the table gives it.
models=$("$print_models") || fail "$print_models failed"
[ -n "$models" ] || fail "$print_models printed no model"
table_marks=$(cut -d' ' -f2 <<<"$models" | sort)
marks=$(sed -n 's/^ *for model in \(.*\); do$/\1/p' "$source_dir/completion/cmoscfg" | tr ' ' '\n' | sort)
[ "$marks" == "$table_marks" ] ||
    fail "product-name marks: completion [${marks//$'\n'/ }], platform table [${table_marks//$'\n'/ }]"
while read -r model mark; do
    printf 'PowerServer %s\n' "$mark" >"$work/product_name"
    [ "$(_cmoscfg_platform)" == "${model,,}" ] || fail "the mark $mark gives [$(_cmoscfg_platform)], not ${model,,}"
done <<<"$models"

# Nothing to be found: nothing completed, nothing printed.
_cmoscfg_product_name_file=$work/missing
check "no platform" '' cmoscfg setting get Tu
export CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS=NONE
check "degraded mode" '' cmoscfg setting get Tu
export CMOSCFG_SETTINGS=missing.k2a07
check "a missing settings file" '' cmoscfg setting set Turbo\ Mode ''

shellcheck -s bash "$source_dir/completion/cmoscfg" "$0" || fail "shellcheck"

if [ "$failures" -ne 0 ]; then
    printf '%d failed\n' "$failures"
    exit 1
fi
if [ -n "${no_terminal:-}" ]; then
    printf 'SKIP: %s; every other case passes\n' "$no_terminal"
    exit 77
fi
printf 'completion: all cases pass\n'
