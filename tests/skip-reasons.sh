#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Names each test of the last ctest run that skipped, with its reason: the
# line after GoogleTest's "Skipped" (what GTEST_SKIP was told) or a script's
# own "SKIP: ..." line. Usage: skip-reasons.sh BUILD_DIR
log=${1:?usage: skip-reasons.sh BUILD_DIR}/Testing/Temporary/LastTest.log
[ -f "$log" ] || exit 0
awk '
    /^[0-9]+\/[0-9]+ Testing: / { name = $3; next }
    reason_next { print "skipped " name ": " $0; reason_next = 0; next }
    /: Skipped$/ { reason_next = 1; next }
    /^SKIP: / { sub(/^SKIP: /, ""); print "skipped " name ": " $0 }
' "$log"
