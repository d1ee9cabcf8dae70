#!/usr/bin/env python3
"""zip_files.py ARCHIVE EPOCH FILE...: a zip of FILEs (names as given, in that
order) that depends on their contents alone: every entry dated EPOCH (seconds
since 1970, taken as UTC), no owners, no access or change times, plain modes."""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    archive, epoch, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    # A zip's dates start in 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    temporary = archive + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as out:
        for name in names:
            entry = zipfile.ZipInfo(name, stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3  # Unix modes below
            executable = os.access(name, os.X_OK)
            entry.external_attr = (0o100755 if executable else 0o100644) << 16
            with open(name, "rb") as f:
                out.writestr(entry, f.read())
    os.replace(temporary, archive)


if __name__ == "__main__":
    main()
