#!/usr/bin/env python3
"""Packs the wizard's skin folder (window skins and rendered pictures) into PackageManager.zip.

Usage: make-skin-archive.py OUTPUT.zip FOLDER

Every regular file directly in FOLDER becomes one deflated entry at the archive's root, in sorted
order, stamped 2026-01-01 00:00:00, so the same folder always gives the same bytes. The archive
carries no resource list (res.xml): the framework then reads each window's skin by its name."""
import os
import sys
import zipfile

STAMP = (2026, 1, 1, 0, 0, 0)
RESOURCE_LIST = "res.xml"


def entries(folder):
    names = []
    for name in os.listdir(folder):
        if name.startswith(".") or name.lower() == RESOURCE_LIST:
            continue
        if os.path.isfile(os.path.join(folder, name)):
            names.append(name)
    return sorted(names)


def pack(output, folder):
    names = entries(folder)
    if not names:
        raise SystemExit(f"make-skin-archive: no files in {folder}")
    partial = output + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes: the reader is on Windows
            info.external_attr = 0
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    os.replace(partial, output)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make-skin-archive.py OUTPUT.zip FOLDER\n")
        return 2
    pack(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
