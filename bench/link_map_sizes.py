#!/usr/bin/env python3
"""Where the bytes of an executable come from, read from the link map that GNU ld
writes with -Wl,-Map,FILE:

    link_map_sizes.py FILE.map [--objects]

Prints one line per output section (.text, .rdata, .eh_frame, ...) and, below it,
the bytes each library (or, with --objects, each library member) put there, largest
first. The resources come from the .res files; the sizes are those of the input
sections before the output section is padded to the file alignment.
"""

import collections
import os
import re
import sys

# " .text  0x00401000  0x4e0 /path/lib.a(member.o)", possibly with the section name
# alone on the line before.
INPUT = re.compile(r"^ (\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
OUTPUT = re.compile(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)")


def origin(path, objects):
    """The library or object file a contribution comes from."""
    match = re.match(r"(.*?)\((.*)\)$", path)
    if not match:
        return os.path.basename(path)
    library = os.path.basename(match.group(1))
    return "%s(%s)" % (library, match.group(2)) if objects else library


def read_map(lines, objects):
    sections = collections.OrderedDict()
    current = None
    in_map = False
    for line in lines:
        line = line.rstrip("\n")
        if line.startswith("Linker script and memory map"):
            in_map = True
            continue
        if not in_map:
            continue
        top = OUTPUT.match(line)
        if top:
            current = top.group(1)
            sections[current] = [int(top.group(2), 16), collections.Counter()]
            continue
        if current is None:
            continue
        part = INPUT.match(line)
        # Data the linker script itself places (LONG 0x0, ...) belongs to no input.
        if part and not re.match(r"0x|(BYTE|SHORT|LONG|QUAD|SQUAD|FILL)\b", part.group(3)):
            size = int(part.group(2), 16)
            if size:
                sections[current][1][origin(part.group(3), objects)] += size
    return sections


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1]) as lines:
        sections = read_map(lines, "--objects" in argv[2:])
    for name, (size, parts) in sections.items():
        if not size:
            continue
        print("%-10s %8d" % (name, size))
        for part, bytes_ in parts.most_common():
            print("    %8d  %s" % (bytes_, part))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
