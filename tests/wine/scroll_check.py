#!/usr/bin/env python3
"""scroll_check.py BEFORE.ppm AFTER.ppm SECONDS: two screenshots of a picture
that scrolls up. Finds how many rows up AFTER shows BEFORE's content, and the
rate in rows a second. Prints both; exit code 1 unless the shifted pictures
agree (95% of the compared pixels) and the rate is that of a step of 4 rows a
display frame (240 rows a second, within 50%)."""
import sys

sys.path.insert(0, __import__('os').path.dirname(__file__))
from rotation_check import read_ppm_size  # noqa: E402

(width, height, before), (_, _, after) = read_ppm_size(sys.argv[1]), read_ppm_size(sys.argv[2])
seconds = float(sys.argv[3])
columns = range(0, width, 7)
rows_sample = range(0, height // 2, 5)


def agreement(shift):
    same = total = 0
    for y in rows_sample:
        if y + shift >= height:
            break
        for x in columns:
            total += 1
            same += before[(y + shift) * width + x] == after[y * width + x]
    return same / total if total else 0.0


best = max(range(1, height // 2), key=agreement)
share, rate = agreement(best), best / seconds
print(f'scrolled {best} rows in {seconds:.2f} s ({rate:.0f} rows a second); {share:.0%} of the pixels agree')
sys.exit(0 if share >= 0.95 and 120 <= rate <= 360 else 1)
