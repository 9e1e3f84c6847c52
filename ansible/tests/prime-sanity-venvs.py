# SPDX-License-Identifier: GPL-2.0-or-later
# ansible-test runs each sanity test in a virtual environment of its own, into
# which it installs pinned linters with pip. Offline that cannot work, so this
# makes those environments beforehand, where ansible-test looks for them
# (~/.ansible/test/venv/<test>/<python>/<hash of its pip commands>), on the
# system's site packages: the Debian-packaged linters. ansible-test finds the
# marker and uses them as they are.
#
# Run it with the Python that runs ansible-test. Usage: prime-sanity-venvs.py
import json
import os
import subprocess
import sys

from ansible_test._internal.commands.sanity import hash_pip_commands
from ansible_test._internal.host_configs import NativePythonConfig
from ansible_test._internal.python_requirements import collect_requirements

# The environments the sanity tests of a collection ask for, and whether the
# test asks for a minimal one (the import tests).
SANITY_ENVIRONMENTS = [
    ('ansible-doc', False), ('changelog', False), ('import', False), ('import.collection', True),
    ('import.plugin', True), ('integration-aliases', False), ('pep8', False), ('pylint', False),
    ('runtime-metadata', False), ('validate-modules', False), ('yamllint', False),
]


def prime(python, name, minimize):
    commands = collect_requirements(python=python, controller=True, virtualenv=False, command=None, ansible=False,
                                    cryptography=False, coverage=False, minimize=minimize, sanity=name)
    label = 'sanity.%s' % name if commands else 'sanity'
    path = os.path.join(os.path.expanduser('~/.ansible/test/venv'), label, python.version, hash_pip_commands(commands))
    if os.path.exists(os.path.join(path, 'marker.txt')):
        return
    subprocess.run([python.path, '-m', 'venv', '--system-site-packages', '--without-pip', path], check=True)
    with open(os.path.join(path, 'meta.install.json'), 'w') as meta:
        json.dump([command.serialize() for command in commands], meta, indent=4)
    with open(os.path.join(path, 'meta.yaml.json'), 'w') as meta:
        json.dump(True, meta)   # PyYAML with libyaml, as Debian builds it
    open(os.path.join(path, 'marker.txt'), 'w').close()


def main():
    python = NativePythonConfig(version='%d.%d' % sys.version_info[:2], path=sys.executable)
    for name, minimize in SANITY_ENVIRONMENTS:
        prime(python, name, minimize)


if __name__ == '__main__':
    main()
