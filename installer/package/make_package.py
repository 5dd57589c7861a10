#!/usr/bin/env python3
"""Builds the setup program: the installer stub with a zip of the product
appended, the stub's own size stored in its PE32+ header (LoaderFlags).

    make_package.py --stub installer.exe --out zinIME-1.0.0-setup.exe \
        --entry 'NAME=PATH' ... [--optional 'NAME=PATH' ...]

Entries go into the zip in the order given, with fixed dates and attributes,
so the same inputs always give the same bytes. An --optional entry whose
file does not exist, or is empty, is left out."""

import argparse
import io
import os
import struct
import sys
import zipfile

PE32_PLUS_MAGIC = 0x20B
LOADER_FLAGS_FROM_PE = 128
FIXED_DATE = (1980, 1, 1, 0, 0, 0)


def fail(message):
    sys.stderr.write("make_package: %s\n" % message)
    sys.exit(1)


def loader_flags_offset(stub):
    if len(stub) < 0x40 or stub[:2] != b"MZ":
        fail("the stub is no Windows program")
    (pe,) = struct.unpack_from("<I", stub, 0x3C)
    if pe + LOADER_FLAGS_FROM_PE + 4 > len(stub) or stub[pe:pe + 4] != b"PE\0\0":
        fail("the stub has no PE header")
    (magic,) = struct.unpack_from("<H", stub, pe + 24)
    if magic != PE32_PLUS_MAGIC:
        fail("the stub is not a 64-bit (PE32+) program")
    return pe + LOADER_FLAGS_FROM_PE


def entry_name(name):
    # The installer accepts plain ASCII names only; the separator is the
    # backslash the package format has always used.
    if not name or not all(0x20 <= ord(c) < 0x7F for c in name):
        fail("entry name %r is not plain ASCII" % name)
    parts = name.replace("/", "\\").split("\\")
    if any(p in ("", ".", "..") or ":" in p for p in parts):
        fail("entry name %r is not a relative path" % name)
    return "\\".join(parts)


def parse_pairs(items):
    pairs = []
    for optional, value in items or []:
        name, sep, path = value.partition("=")
        if not sep:
            fail("entry %r is not NAME=PATH" % value)
        # An optional part not built here is absent or an empty placeholder.
        if not os.path.isfile(path) or (optional and os.path.getsize(path) == 0):
            if optional:
                continue
            fail("missing file for %s: %s" % (name, path))
        pairs.append((entry_name(name), path))
    return pairs


def build_zip(pairs):
    seen = set()
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, path in pairs:
            if name.lower() in seen:
                fail("entry %s given twice" % name)
            seen.add(name.lower())
            info = zipfile.ZipInfo(name, date_time=FIXED_DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    return buffer.getvalue()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--out", required=True)
    # Both kinds share one list so the zip keeps the order of the command line.
    parser.add_argument("--entry", dest="items", action="append", type=lambda v: (False, v))
    parser.add_argument("--optional", dest="items", action="append", type=lambda v: (True, v))
    args = parser.parse_args()

    with open(args.stub, "rb") as f:
        stub = bytearray(f.read())
    at = loader_flags_offset(stub)
    (flags,) = struct.unpack_from("<I", stub, at)
    if flags != 0:
        fail("the stub's LoaderFlags is %#x, not 0: is it a package already?" % flags)
    struct.pack_into("<I", stub, at, len(stub))

    pairs = parse_pairs(args.items)
    archive = build_zip(pairs)

    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    partial = args.out + ".partial"
    with open(partial, "wb") as f:
        f.write(stub)
        f.write(archive)
    os.replace(partial, args.out)


if __name__ == "__main__":
    main()
