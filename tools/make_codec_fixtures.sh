#!/usr/bin/env bash
# Regenerates tests/dicom/data/codecs: small images in every encoding the
# reader decodes, made by the reference toolkits.
#
# Three synthetic sources (written by the Python below, explicit VR little
# endian): ct16 (64x48, 2 frames, signed 16-bit, rescale -1024), rgb8 (64x48,
# 2 frames) and grey12 (64x48, 12 of 16 bits). Encoded with:
#   dcmcjpls  JPEG-LS lossless (line, sample and no interleave), near-lossless,
#             frames split into fragments of 1 KiB with and without offset table
#   gdcmconv  JPEG 2000 lossless and lossy (--j2k, --lossy, --irreversible)
#   ojph_compress  HTJ2K codestreams, wrapped here (.201 lossless, .203 lossy)
#   dcmcjpeg  lossless JPEG of colour (every component) and signed 16-bit data;
#             lossy JPEG: 10 bits stored (extended), progressive colour
#   dcmcrle   RLE of 16-bit and RGB data;  dcmconv +td  deflate
# and by the Python writer: JPEG-LS frames with an Extended Offset Table.
# The tests decode each with `veltor extract` and compare with dcmdjpls,
# dcmdrle, dcmconv and gdcmconv --raw run at test time (HTJ2K: with the
# uncompressed source). Needs: dcmtk, libgdcm-tools, openjph-tools, python3.
set -euo pipefail
python="${PYTHON:-/usr/bin/python3}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/tests/dicom/data/codecs"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*.dcm "$out"/*.raw

cat > "$work/dicomio.py" <<'PY'
"""A minimal explicit VR little endian writer and encapsulated-data reader."""
import struct, zlib

LONG = {b"OB", b"OW", b"OF", b"OD", b"OL", b"OV", b"SQ", b"UN", b"UT", b"UC", b"UR"}

def element(group, elem, vr, value):
    if isinstance(value, str):
        value = value.encode("ascii")
        if len(value) % 2:
            value += b"\0" if vr == b"UI" else b" "
    if len(value) % 2 and vr not in (b"OB",):
        value += b"\0"
    if vr in LONG:
        return struct.pack("<HH2sHI", group, elem, vr, 0, len(value)) + value
    return struct.pack("<HH2sH", group, elem, vr, len(value)) + value

def us(v):
    return struct.pack("<H", v)

def write(path, ts, elements, pixel_bytes):
    """elements: list of (group, elem, vr, value); pixel_bytes: the whole (7FE0,0010) element."""
    sop = ([v for g, e, vr, v in elements if (g, e) == (0x0008, 0x0016)] or ["1.2.840.10008.5.1.4.1.1.88.11"])[0]
    meta = element(0x0002, 0x0001, b"OB", b"\0\1")
    meta += element(0x0002, 0x0002, b"UI", sop)
    meta += element(0x0002, 0x0003, b"UI", "1.2.826.0.1.3680043.8.498.99." + str(zlib.crc32(path.split("/")[-1].encode())))
    meta += element(0x0002, 0x0010, b"UI", ts)
    data = b"".join(element(g, e, vr, v) for g, e, vr, v in sorted(elements, key=lambda x: (x[0], x[1])))
    with open(path, "wb") as f:
        f.write(b"\0" * 128 + b"DICM" + element(0x0002, 0x0000, b"UL", struct.pack("<I", len(meta))) + meta + data + pixel_bytes)

def native_pixels(vr, raw):
    return element(0x7FE0, 0x0010, vr, raw)

def encapsulated(frames_fragments, bot=None):
    """frames_fragments: list of fragment lists (bytes); bot: list of offsets or None."""
    out = struct.pack("<HH2sHI", 0x7FE0, 0x0010, b"OB", 0, 0xFFFFFFFF)
    table = b"".join(struct.pack("<I", o) for o in (bot or []))
    out += struct.pack("<HHI", 0xFFFE, 0xE000, len(table)) + table
    for fragments in frames_fragments:
        for frag in fragments:
            if len(frag) % 2:
                frag += b"\0"
            out += struct.pack("<HHI", 0xFFFE, 0xE000, len(frag)) + frag
    return out + struct.pack("<HHI", 0xFFFE, 0xE0DD, 0)

def read_fragments(path):
    """The fragments of the encapsulated pixel data of a file, in order."""
    data = open(path, "rb").read()
    at = data.rfind(b"\xe0\x7f\x10\x00OB\x00\x00\xff\xff\xff\xff")
    pos = at + 12
    fragments = []
    first = True
    while True:
        group, elem, length = struct.unpack_from("<HHI", data, pos)
        pos += 8
        if (group, elem) == (0xFFFE, 0xE0DD):
            return fragments
        if not first:
            fragments.append(data[pos:pos + length])
        first = False
        pos += length

def common(rows, cols, frames, spp, photometric, bits, stored, signed, extra=()):
    # Secondary Capture, or its multi-frame classes (toolkits check the match).
    sop = "1.2.840.10008.5.1.4.1.1.7"
    if frames > 1:
        sop += ".4" if spp == 3 else ".3" if bits > 8 else ".2"
    e = [
        (0x0008, 0x0016, b"UI", sop),
        (0x0008, 0x0018, b"UI", "1.2.826.0.1.3680043.8.498.98.1"),
        (0x0008, 0x0060, b"CS", "OT"),
        (0x0010, 0x0010, b"PN", "Codec^Fixture"),
        (0x0020, 0x000D, b"UI", "1.2.826.0.1.3680043.8.498.97"),
        (0x0020, 0x000E, b"UI", "1.2.826.0.1.3680043.8.498.96"),
        (0x0028, 0x0002, b"US", us(spp)),
        (0x0028, 0x0004, b"CS", photometric),
        (0x0028, 0x0008, b"IS", str(frames)),
        (0x0028, 0x0010, b"US", us(rows)),
        (0x0028, 0x0011, b"US", us(cols)),
        (0x0028, 0x0100, b"US", us(bits)),
        (0x0028, 0x0101, b"US", us(stored)),
        (0x0028, 0x0102, b"US", us(stored - 1)),
        (0x0028, 0x0103, b"US", us(1 if signed else 0)),
    ]
    if spp == 3:
        e.append((0x0028, 0x0006, b"US", us(0)))
    return e + list(extra)
PY

"$python" - "$work" <<'PY'
import math, struct, sys
sys.path.insert(0, sys.argv[1])
from dicomio import *
work = sys.argv[1]
R, C = 48, 64

def lcg(seed):
    state = seed
    while True:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        yield state >> 8

noise = lcg(31337)
# ct16: air around a disc of tissue with noise and a ring of bone; signed.
ct = []
for f in range(2):
    for y in range(R):
        for x in range(C):
            r2 = (x - C / 2) ** 2 + (y - R / 2) ** 2
            v = -1000 + next(noise) % 7
            if r2 < 20 ** 2: v = 40 + next(noise) % 31 - 15 + f * 5
            if 16 ** 2 < r2 < 18 ** 2: v = 900 + next(noise) % 41
            ct.append(v)
extra = [(0x0028, 0x1050, b"DS", "40"), (0x0028, 0x1051, b"DS", "400"),
         (0x0028, 0x1052, b"DS", "-1024"), (0x0028, 0x1053, b"DS", "1")]
write(f"{work}/ct16.dcm", "1.2.840.10008.1.2.1", common(R, C, 2, 1, "MONOCHROME2", 16, 16, True, extra),
      native_pixels(b"OW", struct.pack(f"<{len(ct)}h", *[v + 1024 for v in ct])))
rgb = bytearray()
for f in range(2):
    for y in range(R):
        for x in range(C):
            rgb += bytes(((x * 4 + f * 40) % 256, (y * 5) % 256, (128 + int(60 * math.sin((x + y) / 7.0)) + next(noise) % 5) % 256))
write(f"{work}/rgb8.dcm", "1.2.840.10008.1.2.1", common(R, C, 2, 3, "RGB", 8, 8, False), native_pixels(b"OB", bytes(rgb)))
g12 = [min(4095, (x * 60 + y * 20) % 4096 + next(noise) % 9) for y in range(R) for x in range(C)]
write(f"{work}/grey12.dcm", "1.2.840.10008.1.2.1", common(R, C, 1, 1, "MONOCHROME2", 16, 12, False),
      native_pixels(b"OW", struct.pack(f"<{len(g12)}H", *g12)))
g10 = [min(1023, (x * 15 + y * 9) % 1024 + next(noise) % 5) for y in range(R) for x in range(C)]
write(f"{work}/grey10.dcm", "1.2.840.10008.1.2.1", common(R, C, 1, 1, "MONOCHROME2", 16, 10, False),
      native_pixels(b"OW", struct.pack(f"<{len(g10)}H", *g10)))
# Netpbm copies for the HTJ2K encoder (16-bit PGM is big endian).
with open(f"{work}/grey12.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n4095\n" % (C, R) + struct.pack(f">{len(g12)}H", *g12))
with open(f"{work}/rgb8.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (C, R) + bytes(rgb[:R * C * 3]))
PY

cd "$work"
dcmcjpls +el ct16.dcm "$out/jls_ct16.dcm"
dcmcjpls +el +in rgb8.dcm "$out/jls_rgb8_none.dcm"
dcmcjpls +el +il rgb8.dcm "$out/jls_rgb8_line.dcm"
dcmcjpls +el +is rgb8.dcm "$out/jls_rgb8_sample.dcm"
dcmcjpls +en +md 3 +un grey12.dcm "$out/jls_grey12_near.dcm"
dcmcjpls +el +fs 1 -ot ct16.dcm "$out/jls_ct16_fragments.dcm"
dcmcjpls +el +fs 1 +ot rgb8.dcm "$out/jls_rgb8_fragments_table.dcm"
gdcmconv --j2k ct16.dcm "$out/j2k_ct16.dcm"
gdcmconv --j2k rgb8.dcm "$out/j2k_rgb8.dcm"
gdcmconv --j2k --lossy -q 30 grey12.dcm "$out/j2k_grey12_lossy.dcm"
gdcmconv --j2k --lossy --irreversible -q 30 rgb8.dcm "$out/j2k_rgb8_lossy.dcm"
dcmcjpeg +e1 rgb8.dcm "$out/jpll_rgb8.dcm"
dcmcjpeg +el +sv 6 ct16.dcm "$out/jpll_ct16_sv6.dcm"
dcmcjpeg +ee +un grey10.dcm "$out/jpeg_grey10_extended.dcm"
# DCMTK writes 12 bits stored for its 12-bit process; the data has 10.
dcmodify -nb -m "(0028,0101)=10" -m "(0028,0102)=9" "$out/jpeg_grey10_extended.dcm"
dcmcjpeg +ep +un rgb8.dcm "$out/jpeg_rgb8_progressive.dcm"
dcmcrle ct16.dcm "$out/rle_ct16.dcm"
dcmcrle rgb8.dcm "$out/rle_rgb8.dcm"
dcmconv +td ct16.dcm "$out/deflate_ct16.dcm"
cp ct16.dcm rgb8.dcm grey12.dcm "$out/"

# HTJ2K: codestreams from OpenJPH, wrapped as one frame each.
ojph_compress -i grey12.pgm -o grey12.j2c -reversible true > /dev/null
ojph_compress -i rgb8.ppm -o rgb8.j2c -reversible true -colour_trans true > /dev/null
ojph_compress -i rgb8.ppm -o rgb8_lossy.j2c -qstep 0.01 -colour_trans true > /dev/null
# OpenJPH's own decoding of the lossy one, as RGB samples (the PPM without its header).
ojph_expand -i rgb8_lossy.j2c -o rgb8_lossy_expanded.ppm > /dev/null
tail -c $((64 * 48 * 3)) rgb8_lossy_expanded.ppm > "$out/htj2k_rgb8_lossy.raw"
"$python" - "$work" "$out" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from dicomio import *
work, out = sys.argv[1], sys.argv[2]
R, C = 48, 64
def wrap(name, ts, codestream, spp, photometric, bits, stored):
    write(f"{out}/{name}.dcm", ts, common(R, C, 1, spp, photometric, bits, stored, False),
          encapsulated([[open(f"{work}/{codestream}", "rb").read()]], [0]))
wrap("htj2k_grey12", "1.2.840.10008.1.2.4.201", "grey12.j2c", 1, "MONOCHROME2", 16, 12)
wrap("htj2k_rgb8", "1.2.840.10008.1.2.4.201", "rgb8.j2c", 3, "YBR_RCT", 8, 8)
wrap("htj2k_rgb8_lossy", "1.2.840.10008.1.2.4.203", "rgb8_lossy.j2c", 3, "YBR_ICT", 8, 8)

# A structured report: an object without pixel data.
report = [(0x0008, 0x0016, b"UI", "1.2.840.10008.5.1.4.1.1.88.11"), (0x0008, 0x0060, b"CS", "SR"),
          (0x0010, 0x0010, b"PN", "Codec^Fixture"), (0x0040, 0xA040, b"CS", "CONTAINER"),
          (0x0040, 0xA730, b"SQ", struct.pack("<HHI", 0xFFFE, 0xE000, 0xFFFFFFFF) + element(0x0040, 0xA040, b"CS", "TEXT") +
           element(0x0040, 0xA160, b"UT", "No acute findings") + struct.pack("<HHIHHI", 0xFFFE, 0xE00D, 0, 0xFFFE, 0xE0DD, 0))]
sr = b"".join(element(g, e, vr, v) for g, e, vr, v in report)
sr = sr.replace(element(0x0040, 0xA730, b"SQ", report[-1][3]), struct.pack("<HH2sHI", 0x0040, 0xA730, b"SQ", 0, 0xFFFFFFFF) + report[-1][3])
write(f"{out}/report_sr.dcm", "1.2.840.10008.1.2.1", [], sr)

# JPEG-LS frames in two fragments each, found by an Extended Offset Table
# (the basic table left empty).
frames = read_fragments(f"{out}/jls_ct16.dcm")
split = [[f[:len(f) // 2 + (len(f) // 2) % 2], f[len(f) // 2 + (len(f) // 2) % 2:]] for f in frames]
offsets, lengths, at = [], [], 0
for parts in split:
    offsets.append(at)
    lengths.append(sum(len(p) for p in parts))
    at += sum(8 + len(p) + len(p) % 2 for p in parts)
eot = struct.pack(f"<{len(offsets)}Q", *offsets)
eotl = struct.pack(f"<{len(lengths)}Q", *lengths)
base = open(f"{out}/jls_ct16.dcm", "rb").read()
write(f"{out}/jls_ct16_extended_offsets.dcm", "1.2.840.10008.1.2.4.80",
      common(R, C, 2, 1, "MONOCHROME2", 16, 16, True, [(0x0028, 0x1052, b"DS", "-1024")]),
      element(0x7FE0, 0x0001, b"OV", eot) + element(0x7FE0, 0x0002, b"OV", eotl) + encapsulated(split))
PY
ls -l "$out"

# Seeds of the fuzz targets (fuzz/seeds/<target>/), in the layout each documents.
seeds="$root/fuzz/seeds"
mkdir -p "$seeds/jpeg_ls" "$seeds/jpeg2000" "$seeds/encapsulated" "$seeds/deflate" "$seeds/parser"
"$python" - "$work" "$out" "$seeds" <<'PY'
import struct, sys, zlib
sys.path.insert(0, sys.argv[1])
from dicomio import read_fragments
work, out, seeds = sys.argv[1:4]
def geometry(rows, cols, spp, code):
    return struct.pack("<HHBB", rows - 1, cols - 1, 0 if spp == 1 else 1, code)
cases = {
    "jpeg_ls": [("jls_ct16", 1, 9), ("jls_rgb8_none", 3, 0), ("jls_rgb8_sample", 3, 0), ("jls_grey12_near", 1, 5)],
    "jpeg2000": [("j2k_ct16", 1, 9), ("j2k_rgb8_lossy", 3, 0), ("htj2k_grey12", 1, 5), ("htj2k_rgb8", 3, 0)],
}
for target, rows in cases.items():
    for name, spp, code in rows:
        stream = read_fragments(f"{out}/{name}.dcm")[0]
        open(f"{seeds}/{target}/{name}", "wb").write(geometry(48, 64, spp, code) + stream)
        open(f"{seeds}/{target}/{name}_cut", "wb").write(geometry(48, 64, spp, code) + stream[:len(stream) // 2])
for name, frames in (("jls_ct16_fragments", 2), ("jls_rgb8_fragments_table", 2), ("rle_rgb8", 2)):
    data = open(f"{out}/{name}.dcm", "rb").read()
    at = data.rfind(b"\xe0\x7f\x10\x00OB\x00\x00\xff\xff\xff\xff")
    open(f"{seeds}/encapsulated/{name}", "wb").write(bytes([frames]) + data[at + 12:])
dataset = open(f"{work}/ct16.dcm", "rb").read()
meta_length = struct.unpack_from("<I", dataset, 140)[0]
body = dataset[144 + meta_length:]
c = zlib.compressobj(6, zlib.DEFLATED, -15)
open(f"{seeds}/deflate/ct16", "wb").write(c.compress(body) + c.flush())
c = zlib.compressobj(6, zlib.DEFLATED, 15)
open(f"{seeds}/deflate/ct16_zlib", "wb").write(c.compress(body[:3000]) + c.flush())
PY
for name in jls_ct16 j2k_ct16 htj2k_grey12 rle_ct16 deflate_ct16 jls_ct16_extended_offsets; do
    cp "$out/$name.dcm" "$seeds/parser/$name.dcm"
done
