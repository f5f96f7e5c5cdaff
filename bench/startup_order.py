#!/usr/bin/env python3
"""Writes the link order of the program's start-up code.

Usage: startup_order.py EXECUTABLE WINDOW_PROFILE [COMMAND_PROFILE...] > app/startup-order.txt

Each profile is a callgrind profile of EXECUTABLE taken without demangling:
WINDOW_PROFILE of `pelmor --emulated` from its start until its window is shown,
  valgrind --tool=callgrind --demangle=no --callgrind-out-file=F build/app/pelmor --emulated
(then `callgrind_control -d` once the window shows, and give the F.1 that
writes), and each COMMAND_PROFILE of a whole command, such as
  valgrind --tool=callgrind --demangle=no --callgrind-out-file=F build/app/pelmor read --emulated
Every function of EXECUTABLE's own code that ran is listed under each section
name -ffunction-sections may give its hot part: first those only a command
ran, then the window's, in the order its profile first names them. The kernel
maps code in blocks around each page touched, and start-up code spread over
the whole program brings nearly all of it in. The linker (gold) lays the
listed sections out together in that order after all others, which puts the
window's code right before the read-only data its start reads as well: the
two are then brought in as one stretch. A function's cold part stays out of
the list, and so out of that stretch.
"""

import collections
import os
import re
import subprocess
import sys


def names_at_each_address(executable):
    """Every name of each function, keyed by any one of them. The compiler
    folds functions whose code is the same (Named<QLabel> and
    Named<QPushButton>, say) into one, and a profile may name it by a name
    whose section the linker never sees."""
    at = collections.defaultdict(list)
    listing = subprocess.run(["nm", "--defined-only", executable], capture_output=True,
                             text=True, check=True).stdout
    for line in listing.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[1] in "tTwW":
            at[fields[0]].append(fields[2])
    return {name: names for names in at.values() for name in names}


def functions_run_in(profile, executable):
    names = {}
    objects = {}
    ran = []
    seen = set()
    current_object = None
    target = os.path.realpath(executable)
    for line in open(profile, errors="replace"):
        line = line.rstrip("\n")
        match = re.match(r"^(c?)(ob|fn)=\((\d+)\)(?: (.*))?$", line)
        if not match:
            continue
        called, kind, number, name = match.groups()
        table = objects if kind == "ob" else names
        if name:
            table[number] = name
        if called:
            continue
        if kind == "ob":
            current_object = objects.get(number)
        elif current_object and os.path.realpath(current_object) == target:
            function = names.get(number)
            if function and function not in seen and not function.startswith("0x"):
                seen.add(function)
                ran.append(function)
    return ran


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    executable, window, commands = sys.argv[1], sys.argv[2], sys.argv[3:]
    aliases = names_at_each_address(executable)
    listed = set()
    groups = []
    for profile in [window, *commands]:
        group = []
        for function in functions_run_in(profile, executable):
            # Aliases include a complete-object constructor's or destructor's
            # (C1, D1) base-object one (C2, D2), in whose section it usually is.
            for name in [function, *aliases.get(function, [])]:
                if name not in listed:
                    listed.add(name)
                    group.append(name)
        groups.append(group)
    for group in [*groups[1:], groups[0]]:
        for name in group:
            # Static initialisers and what only they call go to .text.startup.
            for prefix in (".text.", ".text.startup."):
                print(prefix + name)


if __name__ == "__main__":
    main()
