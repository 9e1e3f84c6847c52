#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Both modules on a fleet of three machine images, each a "host" of its own
# (inventory.yml). cmoscfg and cmoscfg-mkimage come from PATH; the demo
# machine and its settings file from the source tree this collection is in.
set -eu
source=$(cd ../../../../../../../.. && pwd)
[ -f "$source/examples/demo-k2a07.machine" ] || { echo "runme.sh: not in the cmoscfg source tree: $source" >&2; exit 1; }
tool=$(command -v cmoscfg) || { echo "runme.sh: cmoscfg not found on PATH" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sed 's/, 003a:High//' "$source/examples/bios_settings.k2a07" > "$work/bios_settings.without-high"
for host in h1 h2 h3; do
    mkdir "$work/$host"
    cmoscfg-mkimage "$source/examples/demo-k2a07.machine" "$work/$host/image" >/dev/null
done
# The tool, logging the command of every run (and DEBUG, should it reach the
# tool) to the file CMOSCFG_RUN_LOG names.
cat > "$work/counting-cmoscfg" <<SCRIPT
#!/bin/sh
echo "\$2\${DEBUG+ with DEBUG}" >> "\$CMOSCFG_RUN_LOG"
exec "$tool" "\$@"
SCRIPT
chmod +x "$work/counting-cmoscfg"

timeout 300 ansible-playbook --diff -i inventory.yml fleet.yml -e "work=$work" -e "source=$source" -e "tool=$tool" "$@"
