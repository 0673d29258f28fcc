#!/usr/bin/env python3
"""Prints where the bytes of setup.exe go, from the linker's map file."""
import collections
import re
import sys


def contributors(map_path):
    sizes = collections.Counter()
    lines = open(map_path, encoding='utf-8', errors='replace').read().split('\n')
    for i, line in enumerate(lines):
        m = re.match(r'^ (\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$', line)
        if not m and re.match(r'^ \.\S+$', line) and i + 1 < len(lines):
            m = re.match(r'^\s+()0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$', lines[i + 1])
        if not m:
            continue
        _, addr, size, obj = m.groups()
        if int(addr, 16) == 0 or not int(size, 16):
            continue
        obj = re.sub(r'^.*/', '', obj).replace('.cpp.obj', '.cpp').replace('objects.a(', '(')
        sizes[obj] += int(size, 16)
    return sizes


def main():
    map_path = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 12
    for obj, size in contributors(map_path).most_common(count):
        print(f'  {size:>7}  {obj}')


if __name__ == '__main__':
    main()
