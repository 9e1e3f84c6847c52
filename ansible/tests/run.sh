#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Tests of the Ansible collection: it builds, both modules document
# themselves, and one playbook run drives three machine images as a fleet
# (fleet.yml). Usage: run.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ansible_dir=$(dirname "$here")
source_dir=$(dirname "$ansible_dir")
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Everything Ansible keeps stays in the work directory; the collection is
# used from the source tree.
export ANSIBLE_COLLECTIONS_PATH="$ansible_dir" ANSIBLE_HOME="$work/ansible-home" \
    ANSIBLE_LOCAL_TEMP="$work/ansible-tmp" ANSIBLE_REMOTE_TMP="$work/ansible-tmp" \
    ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_CONFIG="$here/ansible.cfg"

timeout 120 ansible-galaxy collection build "$ansible_dir/ansible_collections/fleet/cmoscfg" \
    --output-path "$work/dist" >/dev/null
for module in bios_settings bios_settings_info; do
    doc=$(timeout 60 ansible-doc "fleet.cmoscfg.$module")
    for part in OPTIONS EXAMPLES: "RETURN VALUES:"; do
        case $doc in
            *"$part"*) ;;
            *) echo "ansible-doc fleet.cmoscfg.$module shows no $part"; exit 1 ;;
        esac
    done
done

sed 's/, 003a:High//' "$source_dir/examples/bios_settings.k2a07" > "$work/bios_settings.without-high"
for host in h1 h2 h3; do
    mkdir "$work/$host"
    "$build/tools/cmoscfg-mkimage" "$source_dir/examples/demo-k2a07.machine" "$work/$host/image" >/dev/null
done

timeout 300 ansible-playbook --diff -i "$here/inventory.yml" "$here/fleet.yml" \
    -e "work=$work" -e "source=$source_dir" -e "tool=$build/cmoscfg"
