#!/usr/bin/env python3
"""rotation_check.py BEFORE.ppm AFTER.ppm: two screenshots of a picture whose
colours rotate. They must differ in many pixels, yet show the same picture:
pixels that had one colour before share one colour after (the mapping from
old to new colours is a function). A screenshot taken while a repaint reaches
the screen shows two rotations, one above a row and one below it, so the
mapping is judged in eight horizontal bands, and six must hold it. Prints the
shares; exit code 1 if not."""
import sys
from collections import Counter, defaultdict


def read_ppm_size(path):
    """(width, height, pixels) of an 8-bit binary PPM file."""
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
    return width, height, [pixels[i:i + 3] for i in range(0, len(pixels), 3)]


def mapping_share(before, after):
    """The share of pixels whose new colour is the one most pixels of their old colour got."""
    follows = defaultdict(Counter)
    for a, b in zip(before, after):
        follows[a][b] += 1
    return sum(c.most_common(1)[0][1] for c in follows.values()) / len(before)


def main():
    width, height, before = read_ppm_size(sys.argv[1])
    after = read_ppm_size(sys.argv[2])[2]
    changed = sum(a != b for a, b in zip(before, after)) / len(before)
    band = width * (height // 8)
    shares = [mapping_share(before[i:i + band], after[i:i + band]) for i in range(0, band * 8, band)]
    holding = sum(share >= 0.95 for share in shares)
    print(f'changed {changed:.0%} of the pixels; {holding} of 8 bands follow one colour mapping '
          f'(lowest {min(shares):.0%})')
    sys.exit(0 if changed > 0.2 and holding >= 6 else 1)


if __name__ == '__main__':
    main()
