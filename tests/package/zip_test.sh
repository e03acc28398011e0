#!/usr/bin/env bash
# The Windows .zip holds the two programs, the three DLLs, the Java classes,
# the README and the licence, side by side in one folder; every program in it
# is a 64-bit Windows executable, stripped.
# Usage: zip_test.sh PACKAGE.zip
set -euo pipefail
python3 - "$1" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    names = sorted(n.split("/", 1)[1] for n in z.namelist() if not n.endswith("/"))
    expected = ["LICENSE.txt", "PortLinkLpt.dll", "PortLinkTcp.dll", "PortLinkUsb.dll", "Quarvel.exe", "README.txt",
                "portlink.jar", "quarvel-cli.exe"]
    if names != expected:
        sys.exit(f"FAIL: zip holds {names}, expected {expected}")
    for n in z.namelist():
        if n.endswith((".exe", ".dll")):
            data = z.read(n)
            pe = int.from_bytes(data[0x3C:0x40], "little")
            if data[:2] != b"MZ" or data[pe:pe + 6] != b"PE\0\0\x64\x86":
                sys.exit(f"FAIL: {n} is no x64 Windows image")
            # The COFF header's symbol table pointer and count: both 0 once stripped.
            if int.from_bytes(data[pe + 12:pe + 20], "little") != 0:
                sys.exit(f"FAIL: {n} is not stripped")
    print(f"zip: {len(names)} files, every image x64 and stripped")
PY
