#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Ansible collection on the hardware path: two QEMU guests (SeaBIOS,
# software emulation, the D4 structures of cycle.machine and its second CMOS
# bank) run the 64-bit static tool as root, Debian's python3 and Debian's
# dropbear; ansible-playbook on the host reaches them over SSH through QEMU's
# user network, each on a loopback port picked at run time, and plays
# ansible/reboot-play.yml: the collection's bios_rollout role makes a
# settings change, reboots the guests, verifies against the boot record each
# made at its new boot and writes the fleet's report. Both guests boot at
# once. See README.md, "Testing the hardware path".
#
# usage: run-ansible.sh HOST_TOOLS_DIR STATIC_BUILD_DIR KERNEL SOURCE_DIR WORK_DIR
#   HOST_TOOLS_DIR    cmoscfg-smbios-files, runnable here
#   STATIC_BUILD_DIR  a 64-bit build of cmoscfg linked with -static
#   KERNEL            the kernel image to boot, its modules beside it in
#                     modules/ (see provision.sh)
#   SOURCE_DIR        the source tree, whose ansible/ holds the collection
#   WORK_DIR          scratch space, Ansible's files too; removed at the end
#                     unless HW_KEEP is set
#
# Installs and downloads nothing; without what it needs it is skipped
# (status 77), naming what is missing.
set -euo pipefail

suite=$(cd "$(dirname "$0")" && pwd)
kernel=$3
modules=$(dirname "$kernel")/modules
work=$5
python=/usr/bin/python3.11
python_lib=/usr/lib/python3.11

missing=()
[ -s "$kernel" ] || missing+=("the guests' kernel $kernel (tests/hardware/provision.sh fetches it)")
grep -qx virtio_net "$modules/load-order" 2>/dev/null ||
    missing+=("the guests' network driver in $modules (tests/hardware/provision.sh fetches it)")
command -v qemu-system-x86_64 >/dev/null 2>&1 || missing+=("qemu-system-x86_64 (package qemu-system-x86)")
[ -x /bin/busybox ] || missing+=("/bin/busybox (package busybox-static)")
command -v cpio >/dev/null 2>&1 || missing+=("cpio (package cpio)")
[ -x /usr/sbin/dmidecode ] || missing+=("/usr/sbin/dmidecode (package dmidecode)")
[ -x /usr/sbin/mke2fs ] || missing+=("/usr/sbin/mke2fs (package e2fsprogs)")
[ -x $python ] || missing+=("$python (package python3.11-minimal)")
[ -f $python_lib/json/__init__.py ] || missing+=("$python_lib/json (package libpython3.11-stdlib)")
[ -x /usr/sbin/dropbear ] && [ -x /usr/bin/dropbearkey ] || missing+=("/usr/sbin/dropbear (package dropbear-bin)")
command -v ssh >/dev/null 2>&1 && command -v ssh-keygen >/dev/null 2>&1 || missing+=("ssh (package openssh-client)")
command -v ansible-playbook >/dev/null 2>&1 || missing+=("ansible-playbook (package ansible-core)")
if [ ${#missing[@]} -gt 0 ]; then
    printf 'SKIP: missing %s\n' "${missing[@]}"
    echo "make test-hardware installs and fetches them first (tools/install-deps hardware, tests/hardware/provision.sh)"
    exit 77
fi

host_tools=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
source=$(cd "$4" && pwd)
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
guests=(guest1 guest2)
declare -A qemu_pid
cleanup() {
    local guest
    for guest in "${!qemu_pid[@]}"; do kill "${qemu_pid[$guest]}" 2>/dev/null || true; done
    wait
    [ -n "${HW_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source-path=SCRIPTDIR source=guest-kit.sh
. "$suite/guest-kit.sh"
declare -a cycle_structures
smbios_options "$suite/cycle.machine" cycle_structures

# Made per run: root's key pair, whose public half the guests let in.
ssh-keygen -q -t ed25519 -N "" -C "cmoscfg hardware test" -f "$work/id_ed25519"

# --- The guests' initramfs ------------------------------------------------
root=$work/initramfs
initramfs_base etc root/.ssh root/.ansible/tmp run suite/modules usr/bin var
ln -s /run "$root/var/run"
copy_program /usr/sbin/dmidecode
copy_program /usr/sbin/dropbear
copy_program /usr/bin/dropbearkey
cp "$build/cmoscfg" "$root/usr/bin/cmoscfg"
# The platform comes from the product name (dmidecode), its settings file
# from the place root's own are looked for.
mkdir -p "$root/opt/quor/qsv"
cp "$suite/files/bios_settings.k2e07" "$root/opt/quor/qsv/"
# Python for Ansible's modules: Debian's interpreter and standard library,
# with their compiled files, less what neither Ansible's modules nor the
# collection's import: the build configuration, tests, tools, network
# protocols, file formats, and the codecs of other encodings than ASCII,
# Latin-1, UTF-8 and the code page zip files name their members in.
copy_program $python
ln -s python3.11 "$root/usr/bin/python3"
unused_python=('config-*' dist-packages site-packages test idlelib tkinter turtledemo lib2to3 ensurepip
    pydoc_data distutils asyncio unittest sqlite3 curses dbm venv xmlrpc wsgiref email xml html http
    pydoc.py turtle.py _pydecimal.py '__pycache__/pydoc.*' '__pycache__/turtle.*' '__pycache__/_pydecimal.*'
    'lib-dynload/*test*' 'lib-dynload/xx*' 'lib-dynload/_ssl.*' 'lib-dynload/_hashlib.*'
    'lib-dynload/_sqlite3.*' 'lib-dynload/_curses*' 'lib-dynload/readline.*' 'lib-dynload/_dbm.*'
    'lib-dynload/nis.*' 'lib-dynload/_codecs_*' 'lib-dynload/_multibytecodec.*' 'lib-dynload/_decimal.*'
    'lib-dynload/audioop.*' 'lib-dynload/ossaudiodev.*')
mkdir -p "$root$python_lib"
tar -C $python_lib -c "${unused_python[@]/#/--exclude=./}" . | tar -x -C "$root$python_lib"
find "$root$python_lib/encodings" -type f -regextype egrep \
    ! -regex '.*/(__init__|aliases|ascii|cp437|latin_1|utf_8|utf_8_sig)(\.cpython-311)?\.pyc?' -delete
copy_libraries "$root$python_lib"/lib-dynload/*.so
# Root, whose shell dropbear must find in /etc/shells, and its key.
echo "root:x:0:0:root:/root:/bin/sh" >"$root/etc/passwd"
echo "root:x:0:" >"$root/etc/group"
echo /bin/sh >"$root/etc/shells"
cp "$work/id_ed25519.pub" "$root/root/.ssh/authorized_keys"
chmod 700 "$root/root" "$root/root/.ssh" "$root/root/.ansible" "$root/root/.ansible/tmp"
chmod 600 "$root/root/.ssh/authorized_keys"
cp "$suite/guest-ansible.sh" "$root/init"
cp "$suite/guest-var-lib.sh" "$root/suite/"
cp "$modules"/* "$root/suite/modules/"
initramfs_pack "$work/initramfs.gz"
echo "initramfs: $(du -k "$work/initramfs.gz" | cut -f1) KiB"

# --- The guests --------------------------------------------------------------
# Free loopback ports, one a guest, asked of the kernel; QEMU binds them at
# once, before the guest boots.
read -r -a ports < <($python -c '
import socket
sockets = [socket.socket() for _ in range(2)]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in sockets))')

# Each guest has its own disk for /var/lib. QEMU runs without -no-reboot: a
# reboot in the guest resets the machine and keeps CMOS; the timeout ends it
# at the latest, should the play never end. The emulated CPU has RDRAND
# (-cpu max), which the guest's kernel trusts to seed its random numbers at
# once: without it, dropbear and Python wait for them, a minute and more.
start_guest() { # NAME PORT
    /usr/sbin/mke2fs -q -t ext2 -F -E root_owner=0:0 "$work/$1.img" 4M >/dev/null
    timeout -k 5 330 qemu-system-x86_64 -machine pc -accel tcg -cpu max -m 256M -smp 1 \
        -nodefaults -no-user-config -display none -monitor none \
        -serial "file:$work/$1.console" -kernel "$kernel" -initrd "$work/initramfs.gz" \
        -append "console=ttyS0 panic=-1 quiet" \
        -smbios "type=1,manufacturer=Quor Systems,product=PowerServer K2E07" "${cycle_structures[@]}" \
        -device mc146818rtc,iobase=0x72,irq=5 -drive "file=$work/$1.img,format=raw,if=virtio" \
        -netdev "user,id=net,hostfwd=tcp:127.0.0.1:$2-:22" -device virtio-net-pci,netdev=net,romfile= \
        </dev/null >"$work/$1.qemu" 2>&1 &
    qemu_pid[$1]=$!
}
# Root by the key of the run; not the caller's ssh configuration, and a
# known_hosts file of this run. A connection that the reboot cut is noticed
# within seconds.
inventory=$work/inventory.yml
{
    echo "guests:"
    echo "  vars:"
    echo "    ansible_host: 127.0.0.1"
    echo "    ansible_user: root"
    echo "    ansible_ssh_private_key_file: $work/id_ed25519"
    echo "    ansible_ssh_common_args: >-"
    echo "      -F /dev/null -o StrictHostKeyChecking=no -o UserKnownHostsFile=$work/known_hosts"
    echo "      -o IdentitiesOnly=yes -o ServerAliveInterval=5 -o ServerAliveCountMax=3"
    echo "  hosts:"
    for index in "${!guests[@]}"; do
        start_guest "${guests[$index]}" "${ports[$index]}"
        echo "    ${guests[$index]}: {ansible_port: ${ports[$index]}}"
    done
    # The controller, where the report is written, keeps its temporary
    # files in the work directory too.
    echo "ungrouped:"
    echo "  hosts:"
    echo "    localhost:"
    echo "      ansible_connection: local"
    echo "      ansible_python_interpreter: \"{{ ansible_playbook_python }}\""
    echo "      ansible_remote_tmp: $work/ansible-tmp"
} >"$inventory"

# --- The play -----------------------------------------------------------------
# Only this run's settings: none of the caller's ANSIBLE_ variables, and
# everything Ansible keeps in the work directory.
for variable in $(compgen -e | grep '^ANSIBLE_' || true); do unset "$variable"; done
export ANSIBLE_CONFIG=$suite/ansible/ansible.cfg ANSIBLE_COLLECTIONS_PATH=$source/ansible \
    ANSIBLE_HOME=$work/ansible-home ANSIBLE_LOCAL_TEMP=$work/ansible-tmp ANSIBLE_NOCOLOR=1
started=$SECONDS
status=0
timeout -k 5 300 ansible-playbook -i "$inventory" "$suite/ansible/reboot-play.yml" -e "work=$work" || status=$?
echo "play: $((SECONDS - started)) s, status $status"

failures=0
if [ "$status" != 0 ]; then
    failures=1
    for guest in "${guests[@]}"; do
        echo "FAILED: the play; the end of $guest's console, then of QEMU's output:"
        tail -n 30 "$work/$guest.console" 2>/dev/null | sed 's/^/    /'
        echo "    ---"
        tail -n 10 "$work/$guest.qemu" 2>/dev/null | sed 's/^/    /'
    done
fi
if $python "$suite/ansible/check-report.py" "$work/report" "${guests[@]}"; then
    echo "ok: the report shows both guests, with the settings the play changed"
else
    failures=$((failures + 1))
    echo "FAILED: the report"
fi
echo "$((2 - failures)) passed, $failures failed"
[ "$failures" = 0 ]
