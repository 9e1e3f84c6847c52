#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Tests of the Ansible collection: it builds, its modules and the roll-out
# role document themselves, ansible-test's sanity, unit and integration tests pass (the
# integration targets drive machine images as a fleet), and ansible-lint's
# production profile finds nothing. Usage: run.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ansible_dir=$(dirname "$here")
collection="$ansible_dir/ansible_collections/fleet/cmoscfg"
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Everything Ansible keeps stays in the work directory; the collection is
# used from the source tree, the tool and the image builder from the build.
export ANSIBLE_COLLECTIONS_PATH="$ansible_dir" ANSIBLE_HOME="$work/ansible-home" \
    ANSIBLE_LOCAL_TEMP="$work/ansible-tmp" ANSIBLE_REMOTE_TMP="$work/ansible-tmp" \
    ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_CONFIG="$here/ansible.cfg"
export PATH="$build:$build/tools:$PATH"

timeout 120 ansible-galaxy collection build "$collection" --output-path "$work/dist" >/dev/null
# The README installs the archive that the build makes (its version is galaxy.yml's).
built=$(basename "$work"/dist/*.tar.gz)
grep -q "collection install $built\$" "$ansible_dir/../README.md" ||
    { echo "README.md does not install $built, the archive the build makes"; exit 1; }
for module in bios_settings bios_settings_info bios_verify; do
    doc=$(timeout 60 ansible-doc "fleet.cmoscfg.$module")
    for part in OPTIONS EXAMPLES: "RETURN VALUES:"; do
        case $doc in
            *"$part"*) ;;
            *) echo "ansible-doc fleet.cmoscfg.$module shows no $part"; exit 1 ;;
        esac
    done
done
# The role's options, from its meta/argument_specs.yml.
role_doc=$(timeout 60 ansible-doc -t role fleet.cmoscfg.bios_rollout)
for option in bios_rollout_batches bios_rollout_max_fail_percentage bios_rollout_reboot_command; do
    case $role_doc in
        *"$option"*) ;;
        *) echo "ansible-doc -t role fleet.cmoscfg.bios_rollout does not show $option"; exit 1 ;;
    esac
done

# ansible-test keeps its own settings; it must not see the ones above.
(unset ANSIBLE_CONFIG ANSIBLE_COLLECTIONS_PATH; "$here/run-ansible-test.sh" "$build")
(cd "$collection" && timeout 300 ansible-lint --profile production --offline --nocolor)
