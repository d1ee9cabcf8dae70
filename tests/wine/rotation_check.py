#!/usr/bin/env python3
"""rotation_check.py BEFORE.ppm AFTER.ppm: two screenshots of a picture whose
colours rotate. They must differ in many pixels, yet show the same picture:
pixels that had one colour before share one colour after (the mapping from
old to new colours is a function). Prints both shares; exit code 1 if not."""
import sys
from collections import Counter, defaultdict


def read_ppm(path):
    data = open(path, 'rb').read()
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b'P6' or fields[3] != b'255':
        raise SystemExit(f'{path}: not an 8-bit binary PPM')
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos:pos + 3 * width * height]
    return [pixels[i:i + 3] for i in range(0, len(pixels), 3)]


before, after = read_ppm(sys.argv[1]), read_ppm(sys.argv[2])
changed = sum(a != b for a, b in zip(before, after)) / len(before)
follows = defaultdict(Counter)
for a, b in zip(before, after):
    follows[a][b] += 1
kept = sum(c.most_common(1)[0][1] for c in follows.values()) / len(before)
print(f'changed {changed:.0%} of the pixels; {kept:.0%} follow one colour mapping')
sys.exit(0 if changed > 0.2 and kept > 0.9 else 1)
