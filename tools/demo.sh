#!/bin/sh
# A short tour of cmoscfg on the demo machine image. The image is copied first,
# so the tour can be run again and again from the same starting point.
set -eu
build_dir=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build_dir/demo-image" "$work/image"

export CMOSCFG_IMAGE="$work/image"
export CMOSCFG_PLATFORM=K2A07
tool="$build_dir/cmoscfg"

run() {
    echo "\$ cmoscfg $*"
    "$tool" "$@"
}

run list_tokens
run test 0001
run set 0002
run test 0001
run checksum 0 70 40 7f
run dump 70 40 4f
run csum2
run bootorder list
