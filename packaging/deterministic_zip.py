#!/usr/bin/env python3
"""Writes the release zip so that the same files always give the same bytes.

    deterministic_zip.py --epoch SECONDS --out ZIP --dir FOLDER NAME...

The entries are the named files of FOLDER, in the order given. Every entry carries the same time
(SECONDS, as UTC: a zip's DOS time has no zone, and the builder's zone must not reach it), no
extra fields (an archiver's usual ones hold access times, owners and groups), the attributes of a
plain file made on Windows, and deflate at the highest level.

    deterministic_zip.py --epoch SECONDS --touch FILE...

sets each file's modification time to SECONDS, for tools that store it (the installer's File).
"""
import argparse
import os
import sys
import time
import zipfile

# The earliest time a DOS date holds.
DOS_EPOCH = 315532800


def entry_time(epoch):
    return time.gmtime(max(epoch, DOS_EPOCH))[:6]


def write_zip(epoch, folder, names, out):
    stamp = entry_time(epoch)
    partial = out + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: external attributes are Windows' own
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE, as Explorer's own zips carry
            info.extra = b""
            archive.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(partial, out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--out")
    parser.add_argument("--dir")
    parser.add_argument("--touch", action="store_true")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    stamp = max(args.epoch, DOS_EPOCH)
    if args.touch:
        for path in args.files:
            os.utime(path, (stamp, stamp))
        return 0
    if not args.out or not args.dir:
        parser.error("--out and --dir are needed to write a zip")
    write_zip(stamp, args.dir, args.files, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
