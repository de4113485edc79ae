#!/usr/bin/env python3
"""Property lists written by the Core Foundation layer read back by Python's plistlib with the
same values, and property lists written by plistlib read back by the layer.

Usage: plist_interop.py PATH_TO_CFPlistInterop
"""
import json
import os
import plistlib
import subprocess
import sys
import tempfile

# What CFPlistInterop writes (see Sample() in CFPlistInterop.cpp).
SAMPLE = {
    "Injections": [
        -1, bytes([0x00, 0xFF, 0x25, 0x21, 0x0A]),
        -2, b"",
        -65536, bytes([0xA5] * 100),
        -4294967297, b"</data>",
    ],
    "Name": "Café – 日本語 𝄞 <&>",
    "Nested": {"Flag": True, "Off": False, "Real": -0.5, "List": ["a", 1]},
    "Empty": "",
    "Grüße": "αβγ",
}

# What plistlib writes for the layer to read.
FROM_PYTHON = {
    "Injections": [-7, b"\x01\x02\x03", -2147483648, bytes(range(256)), 0, b"\xff" * 3],
    "Text": "Ünïcödé ✓ \U0001F600 & <tag>",
    "Numbers": {"big": 2**62, "negative": -123456789012, "pi": 3.141592653589793},
    "Flags": [True, False],
    "Nested": [[[]], {}],
}


def tagged(value):
    """The value with its type attached, so that True and 1 or 1 and 1.0 never compare equal."""
    if isinstance(value, bool):
        return ("bool", value)
    if isinstance(value, int):
        return ("int", value)
    if isinstance(value, float):
        return ("real", value)
    if isinstance(value, str):
        return ("str", value)
    if isinstance(value, (bytes, bytearray)):
        return ("data", bytes(value).hex())
    if isinstance(value, list):
        return ("array", [tagged(v) for v in value])
    if isinstance(value, dict):
        if set(value) == {"$data"}:
            return ("data", value["$data"])
        if set(value) == {"$real"}:
            return ("real", float(value["$real"]))
        return ("dict", {k: tagged(v) for k, v in value.items()})
    raise TypeError(type(value))


def run(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True).stdout.decode("utf-8")


def main():
    tool = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        written = os.path.join(tmp, "from_layer.plist")
        run(tool, "write", written)
        with open(written, "rb") as f:
            raw = f.read()
        if not raw.startswith(b'<?xml version="1.0" encoding="UTF-8"?>') or b'<plist version="1.0">' not in raw:
            print("layer output lacks the XML declaration or plist element")
            failures += 1
        parsed = plistlib.loads(raw, fmt=plistlib.FMT_XML)
        if tagged(parsed) != tagged(SAMPLE):
            print("plistlib read different values from the layer's file:", parsed)
            failures += 1
        if tagged(json.loads(run(tool, "read", written))) != tagged(SAMPLE):
            print("the layer did not read its own file back")
            failures += 1

        python_file = os.path.join(tmp, "from_python.plist")
        with open(python_file, "wb") as f:
            plistlib.dump(FROM_PYTHON, f, fmt=plistlib.FMT_XML)
        read_back = json.loads(run(tool, "read", python_file))
        if tagged(read_back) != tagged(FROM_PYTHON):
            print("the layer read different values from plistlib's file:", read_back)
            failures += 1

        # A damaged file is refused, not half read.
        broken = os.path.join(tmp, "broken.plist")
        with open(python_file, "rb") as f:
            data = f.read()
        with open(broken, "wb") as f:
            f.write(data[: len(data) // 2])
        if subprocess.run([tool, "read", broken], capture_output=True).returncode == 0:
            print("a truncated property list was accepted")
            failures += 1
    print("plist interop: %s" % ("ok" if failures == 0 else "%d failure(s)" % failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
