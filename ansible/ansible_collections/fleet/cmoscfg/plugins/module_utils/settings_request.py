# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# A request as a file that `cmoscfg setting check` judges and `setting apply`
# applies, and what the tool's verdicts and apply documents mean for the
# module's result.
# The tool alone reads the file: nothing here interprets its lines.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

# Characters that a line of the file cannot carry inside a name or value: the
# colon splits the pair, '#' starts a comment, a line break ends the line.
UNWRITABLE = (':', '#', '\n', '\r', '\0')


def unwritable_reason(text):
    if text != text.strip():
        return 'it starts or ends with white space'
    for character in UNWRITABLE:
        if character in text:
            return 'it contains %r' % character
    return None


def request_file_text(requested):
    """The lines of a request file for a mapping of names to values, and the problems that keep it from being one.

    A value must be a word the setting offers: null, empty, a boolean or a collection is refused before the
    tool runs, like every name or value that a line cannot carry unchanged.
    """
    lines, errors = [], []
    for name, value in requested.items():
        name = u'%s' % (name,)
        if isinstance(value, bool):
            errors.append('%s: the value is the boolean %s; quote the word that the setting offers, '
                          'such as "On" or "Off"' % (name, value))
            continue
        if value is None or isinstance(value, (dict, list, tuple)) or u'%s' % (value,) == '':
            errors.append('%s: no value given; give the word that the setting offers' % name)
            continue
        value = u'%s' % (value,)
        problem = None
        for what, text in (('name', name), ('value', value)):
            reason = unwritable_reason(text)
            if reason:
                problem = '%s: the %s cannot be given, since %s' % (name, what, reason)
                break
        if not name or name[0] == ';':
            problem = '%s: not a setting name' % name
        if problem:
            errors.append(problem)
            continue
        lines.append('%s : %s\n' % (name, value))
    return ''.join(lines), errors


def default_requests(state):
    """Every present setting of a `setting json` document with a default among its values, to that default."""
    requested = {}
    for setting in state['settings']:
        if setting['value'] is not None and setting['default'] in setting['value_names']:
            requested.setdefault(setting['name'], setting['default'])
    return requested


def verdict_problem(line):
    """What keeps readfile from carrying out a judged line, or None."""
    outcome = line['outcome']
    name = line.get('name')
    if outcome == 'unknown_name':
        return '%s: no such setting' % name
    if outcome == 'case_differs':
        return '%s: no such setting; only the case differs from %s' % (name, line['similar_name'])
    if outcome == 'not_present':
        return '%s: not present on this machine' % name
    if outcome == 'value_not_offered':
        return '%s: %s is not one of its values: %s' % (name, line['value'], ', '.join(line['offered']))
    if outcome == 'two_values_set':
        return '%s: several of its values are set at once: %s' % (name, ', '.join(line['set_values']))
    if outcome == 'missing_token':
        return '%s: the token %s of the value %s is not on this machine' % (name, line['token'], line['value'])
    if outcome == 'malformed':
        return 'not "name : value": %s' % line['text']
    if outcome == 'fails':
        return '%s: readfile would fail here: %s' % (name, line['error'].strip())
    return '%s: %s' % (name, outcome)


MISSING_OUTCOMES = ('unknown_name', 'case_differs', 'not_present')


def plan(check, ignore_missing, where=None):
    """The plan of a `setting check --json` document.

    Returns (changes, missing, errors, writes): the settings that end at another value, with the value before
    the first line and after the last line that names them; the names left out under ignore_missing; every
    problem (where, a file name, prefixes each with its line); and whether the apply would write at all.
    """
    changes, missing, errors, befores = {}, [], [], {}
    for line in check['lines']:
        outcome, name = line['outcome'], line.get('name')
        if outcome == 'comment':
            continue
        if outcome in ('change', 'unchanged'):
            befores.setdefault(name, line['before'])
            if line['after'] != befores[name]:
                changes[name] = {'before': befores[name], 'after': line['after']}
            else:
                changes.pop(name, None)
            continue
        if 'before' in line:
            befores.setdefault(name, line['before'])
        if outcome in MISSING_OUTCOMES and ignore_missing:
            if name not in missing:
                missing.append(name)
            continue
        problem = verdict_problem(line)
        errors.append('%s line %d: %s' % (where, line['line'], problem) if where else problem)
    summary = check['summary']
    if not errors and not summary['completes']:
        errors.append('setting readfile would stop at line %s' % summary['stop_line'])
    return changes, missing, errors, summary['would_change'] > 0


def request_line_count(data):
    """The number of lines that readfile reads from a request file's bytes: a last line needs no line break."""
    return data.count(b'\n') + (1 if data and not data.endswith(b'\n') else 0)


def unjudged_lines(check, requested):
    """The problems of a `setting check --json` document that leaves out part of the request.

    requested maps each line number of the request file to the name the line asks for, or to None where the
    module did not write the file and cannot tell (any verdict, a comment's too, will do there). The plan is
    what the apply's changes are held against, so a line without its verdict would be applied unplanned.
    """
    judged = {}
    for line in check['lines']:
        judged.setdefault(line.get('line'), line.get('name'))
    problems = []
    for number, name in sorted(requested.items()):
        if number not in judged:
            problems.append('line %d%s has no verdict' % (number, '' if name is None else ' (%s)' % name))
        elif name is not None and judged[number] != name:
            problems.append('the verdict on line %d is for %s, not %s' % (number, judged[number], name))
    return problems


def apply_document(out_document):
    """The document of `cmoscfg setting apply --json` (a parsed JSON object or None), or None when it is not one."""
    if not isinstance(out_document, dict) or not isinstance(out_document.get('applied'), bool):
        return None
    changes = out_document.get('changes')
    if not isinstance(changes, list) or not all(isinstance(change, dict) and 'name' in change for change in changes):
        return None
    return out_document


def applied_changes(document):
    """What an apply document says was written.

    Returns (changes, written): each setting that ends at another value, from its value before the first line
    that changed it to its value after the last, with the value this boot booted with (booted, None when
    unknown) and the one the next boot reads (next_boot); and every name written, in order, a name whose
    lines undo each other included.
    """
    changes, written = {}, []
    for change in document['changes']:
        name = change['name']
        if name not in written:
            written.append(name)
        net = changes.setdefault(name, {'before': change.get('before')})
        net.update(after=change.get('after'), booted=change.get('booted'),
                   next_boot=change.get('next_boot', change.get('after')))
    return dict((name, net) for name, net in changes.items() if net['before'] != net['after']), written


def plan_differences(planned, applied):
    """How the changes of an apply document differ from those the check planned, each as a sentence."""
    problems = []
    for name, change in planned.items():
        done = applied.get(name)
        if done is None:
            problems.append('%s was not changed' % name)
        elif (done['before'], done['after']) != (change['before'], change['after']):
            problems.append('%s went from %s to %s, not from %s to %s'
                            % (name, done['before'], done['after'], change['before'], change['after']))
    for name, done in applied.items():
        if name not in planned:
            problems.append('%s went from %s to %s unplanned' % (name, done['before'], done['after']))
        elif done['next_boot'] != done['after']:
            problems.append('%s reads %s for the next boot, not %s' % (name, done['next_boot'], done['after']))
    return problems
