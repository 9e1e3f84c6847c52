#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Renders the drift report of the bios_report integration target and takes
# the picture that the collection's README shows, the whole page with the
# host that failed to report, with headless Chromium (Debian's chromium,
# tools/install-deps bench; not needed by CI).
# Usage: screenshot-report.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
collection="$(dirname "$here")/ansible_collections/fleet/cmoscfg"
build=$(cd "${1:?usage: screenshot-report.sh BUILD_DIR}" && pwd)
command -v chromium >/dev/null || { echo "SKIP: chromium not found"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/report"
(cd "$collection/tests/integration/targets/bios_report" &&
    PATH="$build:$build/tools:$PATH" ANSIBLE_COLLECTIONS_PATH="$(dirname "$here")" ./runme.sh "$work/report" >/dev/null)
timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$work/profile" \
    --hide-scrollbars --window-size=960,760 --screenshot="$collection/docs/bios-report.png" \
    "file://$work/report/bios-report.html"
