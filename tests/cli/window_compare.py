#!/usr/bin/env python3
"""Grey images against DCMTK's rendering at the file's own window.

Writes small DICOM files (explicit VR little endian) that carry windows the
way real files do -- MONOCHROME1, bits above bits stored set, signed samples,
high bit above bits stored - 1, several windows, a VOI LUT, 8-bit grey -- then
compares `veltor convert --format raw --window file` (and `auto` where the
file's window fits its samples) with `dcmj2pnm +Wi 1` (`+Wl 1` for the LUT):
every pixel within 2 grey levels.

usage: window_compare.py VELTOR DCMJ2PNM
"""
import os
import struct
import subprocess
import sys
import tempfile

ROWS, COLUMNS = 48, 64


def element(group, elem, vr, value):
    if isinstance(value, str):
        value = value.encode("ascii")
        if len(value) % 2:
            value += b"\0" if vr == "UI" else b" "
    elif len(value) % 2:
        value += b"\0"
    head = struct.pack("<HH", group, elem) + vr.encode("ascii")
    if vr in ("OB", "OW", "SQ", "UN", "UT"):
        return head + b"\0\0" + struct.pack("<I", len(value)) + value
    return head + struct.pack("<H", len(value)) + value


def us(v):
    return struct.pack("<H", v)


def write_file(path, attrs, pixels, bits_allocated):
    """attrs: list of (group, element, vr, value) of the data set, sorted."""
    meta = element(0x0002, 0x0001, "OB", b"\0\1")
    meta += element(0x0002, 0x0002, "UI", "1.2.840.10008.5.1.4.1.1.7")
    meta += element(0x0002, 0x0003, "UI", "1.2.3.4.5.6.7")
    meta += element(0x0002, 0x0010, "UI", "1.2.840.10008.1.2.1")
    data = element(0x0002, 0x0000, "UL", struct.pack("<I", len(meta))) + meta
    body = b""
    for g, e, vr, v in sorted(attrs, key=lambda a: (a[0], a[1])):
        body += element(g, e, vr, v)
    body += element(0x7FE0, 0x0010, "OB" if bits_allocated == 8 else "OW", pixels)
    with open(path, "wb") as f:
        f.write(b"\0" * 128 + b"DICM" + data + body)


def image(name, photometric, allocated, stored, high, signed, words, windows=None, extra=()):
    """words: the stored words (ints, already holding any bits outside bits stored)."""
    attrs = [
        (0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.7"),
        (0x0008, 0x0018, "UI", "1.2.3.4.5.6.7"),
        (0x0008, 0x0060, "CS", "OT"),
        (0x0028, 0x0002, "US", us(1)),
        (0x0028, 0x0004, "CS", photometric),
        (0x0028, 0x0010, "US", us(ROWS)),
        (0x0028, 0x0011, "US", us(COLUMNS)),
        (0x0028, 0x0100, "US", us(allocated)),
        (0x0028, 0x0101, "US", us(stored)),
        (0x0028, 0x0102, "US", us(high)),
        (0x0028, 0x0103, "US", us(1 if signed else 0)),
    ]
    if windows:
        attrs.append((0x0028, 0x1050, "DS", "\\".join(w[0] for w in windows)))
        attrs.append((0x0028, 0x1051, "DS", "\\".join(w[1] for w in windows)))
    attrs += list(extra)
    if allocated == 8:
        pixels = bytes(w & 0xFF for w in words)
    else:
        pixels = b"".join(struct.pack("<H", w & 0xFFFF) for w in words)
    return name, attrs, pixels, allocated


def ramp(lo, hi):
    """A diagonal ramp from lo to hi over the image."""
    n = ROWS + COLUMNS - 2
    return [lo + (hi - lo) * (r + c) // n for r in range(ROWS) for c in range(COLUMNS)]


def stored_words(values, stored, high, junk):
    """Values (signed or not) placed at bits high-stored+1 .. high, with `junk`
    in the bits outside them of every other pixel."""
    shift = high + 1 - stored
    mask = (1 << stored) - 1
    inside = mask << shift
    out = []
    for i, v in enumerate(values):
        w = (v & mask) << shift
        if i % 2:
            w |= junk & ~inside & 0xFFFF
        out.append(w)
    return out


def fixtures():
    cases = []
    # name, image, modes that must match, dcmj2pnm option
    ct = ramp(-1024, 2000)
    cases.append((image("ct_signed", "MONOCHROME2", 16, 16, 15, True, [v & 0xFFFF for v in ct],
                        [("40", "400")], [(0x0028, 0x1052, "DS", "0"), (0x0028, 0x1053, "DS", "1")]),
                  ("file", "auto")))
    # MR: the window's lower edge lies below the smallest sample
    cases.append((image("mr_window_below", "MONOCHROME2", 16, 12, 11, False, ramp(0, 800),
                        [("300", "700")]), ("file",)))
    # MONOCHROME1 radiograph: the window is on stored values
    cases.append((image("cr_monochrome1", "MONOCHROME1", 16, 12, 11, False, ramp(100, 4000),
                        [("1900", "2400")]), ("file", "auto")))
    cases.append((image("mono1_rescaled", "MONOCHROME1", 16, 12, 11, False, ramp(0, 4095),
                        [("1000", "3000")], [(0x0028, 0x1052, "DS", "-1024"), (0x0028, 0x1053, "DS", "1")]),
                  ("file", "auto")))
    # bits outside bits stored set ("0x0F0F" files), unsigned and signed
    cases.append((image("masked_unsigned", "MONOCHROME2", 16, 12, 11, False,
                        stored_words(ramp(0, 4095), 12, 11, 0xF0F0), [("2048", "4096")]), ("file", "auto")))
    cases.append((image("masked_signed", "MONOCHROME2", 16, 12, 11, True,
                        stored_words(ramp(-2048, 2047), 12, 11, 0xF0F0), [("0", "4000")]), ("file", "auto")))
    cases.append((image("high_bit_15", "MONOCHROME2", 16, 12, 15, False,
                        stored_words(ramp(0, 4095), 12, 15, 0x000F), [("2048", "4096")]), ("file", "auto")))
    cases.append((image("signed_10_of_16", "MONOCHROME2", 16, 10, 9, True,
                        stored_words(ramp(-512, 511), 10, 9, 0xFC00), [("0", "1000")]), ("file", "auto")))
    cases.append((image("signed_14_high_14", "MONOCHROME1", 16, 14, 14, True,
                        stored_words(ramp(-8000, 8000), 14, 14, 0x8000), [("0", "16000")]), ("file", "auto")))
    cases.append((image("signed_8", "MONOCHROME2", 8, 8, 7, True, [v & 0xFF for v in ramp(-128, 127)],
                        [("0", "250")]), ("file",)))
    cases.append((image("bits_6_of_8", "MONOCHROME2", 8, 6, 5, False,
                        stored_words(ramp(0, 63), 6, 5, 0xC0), [("32", "64")]), ("file",)))
    # several windows with explanations: the first is the file's
    cases.append((image("three_windows", "MONOCHROME2", 16, 16, 15, True, [v & 0xFFFF for v in ct],
                        [("40", "400"), ("-600", "1500"), ("500", "2000")],
                        [(0x0028, 0x1055, "LO", "SOFT\\LUNG\\BONE")]), ("file", "auto")))
    cases.append((image("grey8_window", "MONOCHROME2", 8, 8, 7, False, ramp(0, 255), [("100", "80")]),
                  ("file",)))
    cases.append((image("grey8_monochrome1", "MONOCHROME1", 8, 8, 7, False, ramp(0, 255), [("100", "80")]),
                  ("file",)))
    return cases


def voi_lut_case():
    """A VOI LUT Sequence instead of a window: a gamma-like curve over 0..4095."""
    entries = [int(65535 * (i / 4095.0) ** 0.5) for i in range(4096)]
    item = element(0x0028, 0x3002, "US", us(4096 & 0xFFFF) + us(0) + us(16))
    item += element(0x0028, 0x3006, "OW", b"".join(struct.pack("<H", e) for e in entries))
    seq = struct.pack("<HH", 0x0028, 0x3010) + b"SQ\0\0" + struct.pack("<I", 0xFFFFFFFF)
    seq += struct.pack("<HHI", 0xFFFE, 0xE000, len(item)) + item
    seq += struct.pack("<HHI", 0xFFFE, 0xE0DD, 0)
    return image("voi_lut", "MONOCHROME2", 16, 12, 11, False, ramp(0, 4095)), seq


def read_pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P5" or int(fields[3]) != 255:
        raise ValueError(path + ": not an 8-bit PGM")
    return data[pos + 1:pos + 1 + int(fields[1]) * int(fields[2])]


def main():
    veltor, dcmj2pnm = sys.argv[1], sys.argv[2]
    failed = passed = 0
    with tempfile.TemporaryDirectory() as tmp:
        cases = [(c, modes, "+Wi") for c, modes in fixtures()]
        (name, attrs, pixels, allocated), seq = voi_lut_case()
        cases.append(((name, attrs, pixels, allocated), ("file", "auto"), "+Wl"))
        for (name, attrs, pixels, allocated), modes, option in cases:
            path = os.path.join(tmp, name + ".dcm")
            write_file(path, attrs, pixels, allocated)
            if name == "voi_lut":
                # the sequence goes before the pixel data
                raw = open(path, "rb").read()
                at = raw.index(struct.pack("<HH", 0x7FE0, 0x0010) + b"OW")
                open(path, "wb").write(raw[:at] + seq + raw[at:])
            ref = os.path.join(tmp, name + ".pgm")
            subprocess.run([dcmj2pnm, option, "1", path, ref], check=True, stderr=subprocess.DEVNULL)
            expected = read_pgm(ref)
            for mode in modes:
                out = os.path.join(tmp, mode)
                os.makedirs(out, exist_ok=True)
                subprocess.run([veltor, "convert", "--format", "raw", "--window", mode, "--out", out, path],
                               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                got = open(os.path.join(out, name + "_dcm.raw"), "rb").read()
                worst = max(abs(a - b) for a, b in zip(got, expected)) if len(got) == len(expected) else 256
                if worst <= 2:
                    passed += 1
                else:
                    failed += 1
                    print("FAIL: %s --window %s differs from dcmj2pnm %s 1 by up to %d" % (name, mode, option, worst))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
