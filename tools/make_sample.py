#!/usr/bin/python3
"""Writes the built-in sample image: a synthetic CT-like phantom.

256 x 256, 16-bit signed, explicit VR little endian, rescale intercept -1024,
with invented patient and study values. The output is byte-for-byte
reproducible: no clocks, no random UIDs.

    tools/make_sample.py data/sample_ct.dcm
"""
import math
import struct
import sys

ROWS = COLS = 256


def element(group, elem, vr, value):
    if isinstance(value, str):
        value = value.encode("latin-1")
    if len(value) % 2:
        value += b"\0" if vr in ("UI", "OB") else b" "
    head = struct.pack("<HH", group, elem) + vr.encode()
    if vr in ("OB", "OW", "SQ", "UN", "UT"):
        return head + b"\0\0" + struct.pack("<I", len(value)) + value
    return head + struct.pack("<H", len(value)) + value


def us(v):
    return struct.pack("<H", v)


def phantom():
    """Water cylinder with bone ring, air holes and soft-tissue inserts (HU)."""
    pixels = []
    cx = cy = (COLS - 1) / 2.0
    for y in range(ROWS):
        for x in range(COLS):
            dx, dy = x - cx, y - cy
            r = math.hypot(dx, dy)
            hu = -1000                       # air outside the body
            if r < 110:
                hu = 0                       # water
                if r > 100:
                    hu = 900                 # bone ring
                for (ix, iy, ir, v) in ((-45, -30, 14, -800), (45, -30, 14, 60),
                                        (0, 50, 18, -100), (-40, 40, 8, 1200),
                                        (40, 40, 10, 300)):
                    if math.hypot(dx - ix, dy - iy) < ir:
                        hu = v
                # a gentle ripple so windowing shows structure
                hu += int(6 * math.sin(x / 5.0) * math.cos(y / 7.0))
            pixels.append(hu + 1024)          # stored value = HU - intercept
    return struct.pack("<%dh" % len(pixels), *pixels)


def main(path):
    sop_class = "1.2.840.10008.5.1.4.1.1.2"
    root = "1.2.826.0.1.3680043.10.1147"
    study = root + ".1.1"
    series = root + ".1.2"
    instance = root + ".1.3"
    ts = "1.2.840.10008.1.2.1"

    meta_body = b"".join([
        element(0x0002, 0x0001, "OB", b"\0\1"),
        element(0x0002, 0x0002, "UI", sop_class),
        element(0x0002, 0x0003, "UI", instance),
        element(0x0002, 0x0010, "UI", ts),
        element(0x0002, 0x0012, "UI", root + ".99"),
        element(0x0002, 0x0013, "SH", "VELTOR_401"),
    ])
    meta = element(0x0002, 0x0000, "UL", struct.pack("<I", len(meta_body))) + meta_body

    referenced = b"".join([
        element(0x0008, 0x1150, "UI", sop_class),
        element(0x0008, 0x1155, "UI", root + ".0.7"),
    ])
    item = struct.pack("<HHI", 0xFFFE, 0xE000, len(referenced)) + referenced
    ref_seq = element(0x0008, 0x1140, "SQ", item)

    body = b"".join([
        element(0x0008, 0x0005, "CS", "ISO_IR 100"),
        element(0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY\\AXIAL"),
        element(0x0008, 0x0016, "UI", sop_class),
        element(0x0008, 0x0018, "UI", instance),
        element(0x0008, 0x0020, "DA", "20240315"),
        element(0x0008, 0x0030, "TM", "101500"),
        element(0x0008, 0x0050, "SH", "ACC000417"),
        element(0x0008, 0x0060, "CS", "CT"),
        element(0x0008, 0x0070, "LO", "Veltor Phantom Works"),
        element(0x0008, 0x0080, "LO", "Lakeside General Hospital"),
        element(0x0008, 0x0090, "PN", "HARTLEY^NORA^^DR"),
        element(0x0008, 0x1030, "LO", "CT HEAD WITHOUT CONTRAST"),
        element(0x0008, 0x103E, "LO", "AXIAL 5MM"),
        ref_seq,
        element(0x0010, 0x0010, "PN", "QUILL^ADA"),
        element(0x0010, 0x0020, "LO", "VLT-0042"),
        element(0x0010, 0x0030, "DA", "19610704"),
        element(0x0010, 0x0040, "CS", "F"),
        element(0x0018, 0x0050, "DS", "5.0"),
        element(0x0018, 0x0060, "DS", "120"),
        element(0x0020, 0x000D, "UI", study),
        element(0x0020, 0x000E, "UI", series),
        element(0x0020, 0x0010, "SH", "4417"),
        element(0x0020, 0x0011, "IS", "2"),
        element(0x0020, 0x0013, "IS", "17"),
        element(0x0020, 0x0032, "DS", "-127.5\\-127.5\\42.0"),
        element(0x0020, 0x0037, "DS", "1\\0\\0\\0\\1\\0"),
        element(0x0028, 0x0002, "US", us(1)),
        element(0x0028, 0x0004, "CS", "MONOCHROME2"),
        element(0x0028, 0x0010, "US", us(ROWS)),
        element(0x0028, 0x0011, "US", us(COLS)),
        element(0x0028, 0x0030, "DS", "0.9765625\\0.9765625"),
        element(0x0028, 0x0100, "US", us(16)),
        element(0x0028, 0x0101, "US", us(16)),
        element(0x0028, 0x0102, "US", us(15)),
        element(0x0028, 0x0103, "US", us(1)),
        element(0x0028, 0x1050, "DS", "40\\400"),
        element(0x0028, 0x1051, "DS", "400\\1500"),
        element(0x0028, 0x1052, "DS", "-1024"),
        element(0x0028, 0x1053, "DS", "1"),
        element(0x7FE0, 0x0010, "OW", phantom()),
    ])
    with open(path, "wb") as f:
        f.write(b"\0" * 128 + b"DICM" + meta + body)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "data/sample_ct.dcm")
