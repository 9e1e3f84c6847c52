#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A static build of the tool for the hardware test suite's guest: 32-bit
# (-m32; the library already asks for 64-bit file offsets) or 64-bit, in a
# build directory of its own, without the tests.
#
# usage: build-static.sh 32|64 SOURCE_DIR BUILD_DIR CXX_COMPILER GENERATOR
set -euo pipefail

bits=$1 source=$2 build=$3 compiler=$4 generator=$5
case $bits in
32) flags=-m32 ;;
64) flags=-m64 ;;
*) echo "32 or 64, not $bits" >&2; exit 2 ;;
esac

cmake -S "$source" -B "$build" -G "$generator" -DCMAKE_BUILD_TYPE=Release -DCMOSCFG_TESTS=OFF \
    -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags -static" >/dev/null
cmake --build "$build" --target cmoscfg cmoscfg-cmos-state stop-on-second-write
