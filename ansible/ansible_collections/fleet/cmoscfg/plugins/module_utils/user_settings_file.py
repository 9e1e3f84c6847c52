# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see COPYING or https://www.gnu.org/licenses/gpl-3.0.txt)
# Reading a user settings file (the format `cmoscfg setting save` prints) with
# the rules of `cmoscfg setting readfile`, so that a file means the same here
# as there.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

# What the tool trims: any white space at the start of a line, only blanks and
# newlines at its end (a carriage return at the end stays).
LEADING_SPACE = b' \t\n\v\f\r'
TRAILING_BLANKS = b' \t\n'


def trim(text):
    return text.lstrip(LEADING_SPACE).rstrip(TRAILING_BLANKS)


class MalformedLine(Exception):
    def __init__(self, number, text):
        super(MalformedLine, self).__init__('line %d is not "name : value": %s' % (number, text))
        self.number = number
        self.text = text


def read_requests(data):
    """The requests of a file's bytes, as (line number, name, value) with texts decoded so that any byte survives.

    Skipped like the tool skips them: empty lines, lines starting with '#' (comments, heads, settings
    without a value) and ';' (parameters). A request is the text before its first '#', with exactly one
    ':' between the name and the value. Raises MalformedLine at the first line that is not one.
    """
    lines = data.split(b'\n')
    if lines[-1] == b'':
        lines.pop()
    requests = []
    for number, line in enumerate(lines, start=1):
        line = trim(line.split(b'\0')[0])   # the tool reads a line as C text
        if not line or line[:1] in (b'#', b';'):
            continue
        request = line.split(b'#')[0]
        if request.count(b':') != 1:
            raise MalformedLine(number, decode(request))
        name, value = request.split(b':')
        requests.append((number, decode(trim(name)), decode(trim(value))))
    return requests


def decode(text):
    return text.decode('utf-8', errors='surrogateescape')
