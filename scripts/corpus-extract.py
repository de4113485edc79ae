#!/usr/bin/env python3
"""Extracts every PPD file of the compressed PPD archives that Debian's printer-driver
packages install under /usr/lib/cups/driver (each a self-contained script holding an
xz-compressed JSON index and an xz-compressed archive of the files), without running them.

usage: corpus-extract.py OUTDIR ARCHIVE...
Writes OUTDIR/<archive>/<path inside the archive>.ppd and prints the number of files.
"""
import base64
import json
import lzma
import os
import re
import sys


def extract(archive, outdir):
    text = open(archive, "rb").read()
    match = re.search(rb'ppds_compressed_b64 = b"([^"]*)"', text)
    if not match:
        return 0
    index = json.loads(lzma.decompress(base64.b64decode(match.group(1))).decode("ascii"))
    blob = lzma.decompress(base64.b64decode(index.pop("ARCHIVE").encode("ascii")))
    name = os.path.basename(archive)
    count = 0
    for key, value in index.items():
        start, length = value[0], value[1]
        rel = key.split("/", 1)[-1].lstrip("/").replace("..", "_")
        if not rel.lower().endswith(".ppd"):
            rel += ".ppd"
        path = os.path.join(outdir, name, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(blob[start:start + length])
        count += 1
    return count


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    total = 0
    for archive in sys.argv[2:]:
        try:
            total += extract(archive, sys.argv[1])
        except (OSError, ValueError, lzma.LZMAError) as e:
            print("%s: not a PPD archive (%s)" % (archive, e), file=sys.stderr)
    print(total)
    return 0


if __name__ == "__main__":
    sys.exit(main())
