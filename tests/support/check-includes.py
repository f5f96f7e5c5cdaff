#!/usr/bin/env python3
"""Fails on an include that crosses a folder's rule.

Each folder's README.md says, in a paragraph that starts with "May include:",
which other folders its files may include (backticked, as `scan/`). A file follows
the README of the nearest folder above it that has such a line; it may always
include its own folder and the folders below it. Tests and benchmarks are not
held to it.
Usage: check-includes.py ROOT
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.').resolve()
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
exempt = ('tests/', 'bench/', 'build')


def rule_of(folder):
    readme = root / folder / 'README.md'
    if not readme.is_file():
        return None
    for paragraph in readme.read_text(encoding='utf-8').split('\n\n'):
        if paragraph.startswith('May include:'):
            return re.findall(r'`([^`]+/)`', paragraph)
    return None


rules = {}
broken = []
for source in sorted(root.rglob('*')):
    if source.suffix not in ('.h', '.cpp') or not source.is_file():
        continue
    relative = source.relative_to(root).as_posix()
    if relative.startswith(exempt):
        continue
    folder = pathlib.PurePosixPath(relative).parent
    while str(folder) != '.' and rule_of(str(folder)) is None:
        folder = folder.parent
    if str(folder) == '.':
        broken.append(f'{relative}: its folder has no "May include:" paragraph in a README')
        continue
    own = f'{folder}/'
    allowed = rules.setdefault(own, rule_of(str(folder)))
    for number, line in enumerate(source.read_text(encoding='utf-8').splitlines(), 1):
        match = include.match(line)
        if not match:
            continue
        target = match.group(1)
        if '/' not in target:
            broken.append(f'{relative}:{number}: "{target}" does not name its folder')
        elif not target.startswith(own) and not any(target.startswith(a) for a in allowed):
            broken.append(f'{relative}:{number}: {own} may not include "{target}"')

for line in broken:
    print(line)
print(f'{len(broken)} include(s) break a folder rule' if broken else 'every include keeps its folder rule')
sys.exit(1 if broken else 0)
