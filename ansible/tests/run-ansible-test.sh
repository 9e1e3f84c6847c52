#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# ansible-test on the collection, offline: sanity (in environments made on
# the system's site packages, see prime-sanity-venvs.py), units and
# integration, all on this machine. The tool and the image builder are taken
# from BUILD_DIR through PATH. Usage: run-ansible-test.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
collection="$(dirname "$here")/ansible_collections/fleet/cmoscfg"
build=$(cd "${1:?usage: run-ansible-test.sh BUILD_DIR}" && pwd)
command -v ansible-test >/dev/null || { echo "SKIP: ansible-test not found"; exit 77; }

# The environments ansible-test makes live under a home of their own, which
# goes with the run.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" PATH="$build:$build/tools:$PATH"
# The Python that runs ansible-test, named on its first line.
python=$(sed -n '1s/^#! *//p' "$(command -v ansible-test)")
timeout 120 $python "$here/prime-sanity-venvs.py"

cd "$collection"
version=$($python -c 'import sys; print("%d.%d" % sys.version_info[:2])')
timeout 900 ansible-test sanity --python "$version" --color no
timeout 300 ansible-test units --local --python "$version" --color no
timeout 600 ansible-test integration --local --python "$version" --color no
