#!/usr/bin/env bash
# Regenerates the compressed-frame fixtures of tests/dicom/data/decoders.
#
# Synthetic 64x64 images (8-bit grey, 8-bit RGB, 12-bit and 16-bit grey) are
# written as uncompressed DICOM with pydicom, compressed with DCMTK (dcmcjpeg:
# lossless process 14 with every selection value, SV1, a point transform,
# baseline, progressive and extended 12-bit lossy; dcmcrle) and with the PVRG codec
# (lossless with restart intervals, which DCMTK does not write), then decoded
# again with dcmdjpeg and dcmdrle. For every case the script keeps:
#   NAME.bin  the compressed fragment of frame 1, exactly as stored
#   NAME.raw  the independent decoder's samples of frame 1: interleaved
#             samples, rows top to bottom, 16-bit samples little-endian
# It also writes the seed corpora of fuzz/fuzz_rle.cpp, fuzz_lossless_jpeg.cpp
# and fuzz_jpeg_lossy.cpp (fuzz/seeds/<target>/) from these fragments, in the
# input layout each target documents, with a few damaged variants.
# Needs: dcmtk, pvrg-jpeg, python3-pydicom (all Debian packages).
set -euo pipefail

# The Debian interpreter, where python3-pydicom lives (not a pyenv shim).
python="${PYTHON:-/usr/bin/python3}"

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/tests/dicom/data/decoders"
seeds="$root/fuzz/seeds"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

"$python" - "$work" <<'PY'
import struct, sys
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, SecondaryCaptureImageStorage

work = sys.argv[1]
W = H = 64

class Lcg:
    """Deterministic noise, independent of Python's random module."""
    def __init__(self, seed): self.state = seed
    def next(self, n):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 8) % n

def write(name, samples, bits_alloc, bits_stored, photometric, spp=1, rows=H, columns=W):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = SecondaryCaptureImageStorage
    meta.MediaStorageSOPInstanceUID = "1.2.826.0.1.3680043.8.498.1." + str(abs(hash(name)) % 10**8)
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian = True
    ds.is_implicit_VR = False
    ds.SOPClassUID = meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.Modality = "OT"
    ds.PatientName = "Decoder^Fixture"
    ds.PatientID = "FIXTURE"
    ds.StudyInstanceUID = "1.2.826.0.1.3680043.8.498.2"
    ds.SeriesInstanceUID = "1.2.826.0.1.3680043.8.498.3"
    ds.Rows, ds.Columns = rows, columns
    ds.SamplesPerPixel = spp
    ds.PhotometricInterpretation = photometric
    if spp == 3:
        ds.PlanarConfiguration = 0
    ds.BitsAllocated, ds.BitsStored, ds.HighBit = bits_alloc, bits_stored, bits_stored - 1
    ds.PixelRepresentation = 0
    if bits_alloc == 8:
        ds.PixelData = bytes(samples)
    else:
        ds.PixelData = b"".join(struct.pack("<H", v) for v in samples)
    ds.save_as(f"{work}/{name}.dcm", write_like_original=False)

noise = Lcg(2718)
gray8 = [min(255, (x * 3 + y * 2) + (40 if (x // 16 + y // 16) % 2 else 0) + noise.next(9))
         for y in range(H) for x in range(W)]
write("gray8", gray8, 8, 8, "MONOCHROME2")

rgb = []
for y in range(H):
    for x in range(W):
        rgb += [(x * 4) & 255, (y * 4) & 255, (128 + noise.next(64) + (x ^ y)) & 255]
write("rgb8", rgb, 8, 8, "RGB", spp=3)

ct12 = []
for y in range(H):
    for x in range(W):
        r2 = (x - 32) ** 2 + (y - 32) ** 2
        v = 1000 + noise.next(40) if r2 < 900 else 24 + noise.next(8)
        if r2 < 100: v = 4095 - noise.next(16)
        ct12.append(v)
write("ct12", ct12, 16, 12, "MONOCHROME2")

# 16-bit samples over the whole range: gradients that wrap at 65536 and cross
# 32768, and isolated spots 32768 away from their neighbours (difference
# category 16).
ct16 = []
for y in range(H):
    for x in range(W):
        v = (x * 1100 + y * 700 + noise.next(300)) & 0xFFFF
        if (x * 7 + y * 5) % 23 == 0: v = (v + 32768) & 0xFFFF
        ct16.append(v)
write("ct16", ct16, 16, 16, "MONOCHROME2")
with open(f"{work}/ct16.be", "wb") as f:
    f.write(b"".join(struct.pack(">H", v) for v in ct16))
# Odd dimensions (63 x 61): odd-length rows and segments.
odd = [(x * 5 + y * 9 + noise.next(5)) & 255 for y in range(61) for x in range(63)]
write("odd8", odd, 8, 8, "MONOCHROME2", rows=61, columns=63)
with open(f"{work}/gray8.pvrg", "wb") as f:
    f.write(bytes(gray8))
PY

cd "$work"
enc() { dcmcjpeg -q "$@"; }
enc +e1 gray8.dcm ll_gray8_sv1.dcm
enc +e1 rgb8.dcm ll_rgb8_sv1.dcm
enc +e1 ct12.dcm ll_ct12_sv1.dcm
enc +e1 odd8.dcm ll_odd8_sv1.dcm
for sv in 4 7; do enc +el +sv "$sv" gray8.dcm "ll_gray8_sv$sv.dcm"; enc +el +sv "$sv" ct12.dcm "ll_ct12_sv$sv.dcm"; done
enc +el +sv 1 +pt 2 ct12.dcm ll_ct12_sv1_pt2.dcm
for sv in 1 2 3 4 5 6 7; do enc +el +sv "$sv" ct16.dcm "ll_ct16_sv$sv.dcm"; done
enc +eb gray8.dcm jpeg_gray8_baseline.dcm
enc +eb rgb8.dcm jpeg_rgb8_baseline_422.dcm
enc +ep rgb8.dcm jpeg_rgb8_progressive.dcm
enc +ee ct12.dcm jpeg_ct12_extended.dcm
dcmcrle -q gray8.dcm rle_gray8.dcm
dcmcrle -q odd8.dcm rle_odd8.dcm
dcmcrle -q rgb8.dcm rle_rgb8.dcm
dcmcrle -q ct16.dcm rle_ct16.dcm

# PVRG: lossless with restart intervals of one row (RST0..RST7 cycle) and of
# two rows; 16-bit input is big-endian. The reference samples come from
# dcmdjpeg, which (like T.81 H.1.2.1) predicts the first sample of every
# restart interval as 2^(P-1); PVRG's own decoder predicts it from the row
# above and so disagrees with its input there. Only the entropy coding and
# the marker layout of these streams are the point of the fixtures.
pvrg-jpeg -iw 64 -ih 64 -k 7 -p 16 -r 64 -s pvrg_ct16_sv7_rst1.jpg ct16.be >/dev/null
pvrg-jpeg -iw 64 -ih 64 -k 4 -p 16 -r 128 -s pvrg_ct16_sv4_rst2.jpg ct16.be >/dev/null
pvrg-jpeg -iw 64 -ih 64 -k 1 -r 64 -s pvrg_gray8_sv1_rst1.jpg gray8.pvrg >/dev/null

"$python" - "$work" "$out" <<'PY'
import glob, os, struct, subprocess, sys
import pydicom
from pydicom.encaps import generate_pixel_data_frame, encapsulate
from pydicom.uid import JPEGLosslessSV1

work, out = sys.argv[1], sys.argv[2]

def interleaved(ds):
    data = ds.PixelData
    spp = ds.SamplesPerPixel
    if spp == 1 or getattr(ds, "PlanarConfiguration", 0) == 0:
        return data
    plane = len(data) // spp
    res = bytearray(len(data))
    for s in range(spp):
        res[s::spp] = data[s * plane:(s + 1) * plane]
    return bytes(res)

def keep(name, compressed, decoder):
    ds = pydicom.dcmread(compressed)
    fragment = next(generate_pixel_data_frame(ds.PixelData, 1))
    subprocess.run([decoder, "-q", compressed, f"{work}/{name}.dec.dcm"], check=True)
    ref = pydicom.dcmread(f"{work}/{name}.dec.dcm")
    with open(f"{out}/{name}.bin", "wb") as f: f.write(fragment)
    # Pixel data of odd length carries a pad byte that is not a sample.
    size = ref.Rows * ref.Columns * ref.SamplesPerPixel * ref.BitsAllocated // 8
    with open(f"{out}/{name}.raw", "wb") as f: f.write(interleaved(ref)[:size])

for path in sorted(glob.glob(f"{work}/*.dcm")):
    name = os.path.basename(path)[:-4]
    if name.startswith(("ll_", "jpeg_")) and not name.endswith(".dec"):
        keep(name, path, "dcmdjpeg")
    elif name.startswith("rle_") and not name.endswith(".dec"):
        keep(name, path, "dcmdrle")

# PVRG streams: wrapped into a JPEG Lossless SV1 data set (the transfer syntax
# only has to make dcmdjpeg decode the stream) for the reference samples.
template = pydicom.dcmread(f"{work}/ct16.dcm")
gray = pydicom.dcmread(f"{work}/gray8.dcm")
for path in sorted(glob.glob(f"{work}/pvrg_*.jpg")):
    name = os.path.basename(path)[:-4]
    stream = open(path, "rb").read()
    ds = (gray if "gray8" in name else template).copy()
    ds.file_meta.TransferSyntaxUID = JPEGLosslessSV1
    ds.PixelData = encapsulate([stream])
    ds["PixelData"].is_undefined_length = True
    ds.is_implicit_VR = False
    ds.is_little_endian = True
    ds.save_as(f"{work}/{name}.dcm", write_like_original=False)
    keep(name, f"{work}/{name}.dcm", "dcmdjpeg")
PY

"$python" - "$out" "$seeds" <<'PY'
import os, sys
out, seeds = sys.argv[1], sys.argv[2]

def fixture(name): return open(f"{out}/{name}.bin", "rb").read()

def write(target, name, data):
    os.makedirs(f"{seeds}/{target}", exist_ok=True)
    with open(f"{seeds}/{target}/{name}", "wb") as f: f.write(data)

# RLE: frame size - 1 as two little-endian bytes, then the fragment.
def rle(size): return (size - 1).to_bytes(2, "little")
for name, size in [("rle_gray8", 4096), ("rle_rgb8", 12288), ("rle_ct16", 8192)]:
    write("rle", name, rle(size) + fixture(name))
gray = fixture("rle_gray8")
write("rle", "truncated_header", rle(4096) + gray[:40])
write("rle", "sixteen_segments", rle(4096) + bytes([16]) + gray[1:])
rgb = bytearray(fixture("rle_rgb8"))
rgb[8:12] = (64).to_bytes(4, "little")  # second segment offset equal to the first
write("rle", "offsets_not_increasing", rle(12288) + bytes(rgb))
header = bytearray(64); header[0] = 1; header[4] = 64
write("rle", "minus128_two_pass", rle(129) + bytes(header) + bytes([0x80, 0x01, 0xAA, 0xBB]))
write("rle", "expansion_beyond_limit", rle(65536) + bytes(header) + bytes([0x81, 0x00]))

# Lossless JPEG: bits stored (0: 8, 1: 12, 2: 16), then the stream.
for name, bits in [("ll_gray8_sv1", 0), ("ll_rgb8_sv1", 0), ("ll_ct12_sv1", 1), ("ll_ct12_sv1_pt2", 1),
                   ("ll_ct16_sv7", 2), ("pvrg_ct16_sv7_rst1", 2), ("pvrg_gray8_sv1_rst1", 0)]:
    write("lossless_jpeg", name, bytes([bits]) + fixture(name))
ct = fixture("ll_ct16_sv4")
write("lossless_jpeg", "truncated_entropy", bytes([2]) + ct[:len(ct) // 2])
write("lossless_jpeg", "trailing_ff", bytes([2]) + ct[:-2] + b"\xff")
rst = bytearray(fixture("pvrg_ct16_sv7_rst1"))
rst[rst.index(b"\xff\xd1") + 1] = 0xD3
write("lossless_jpeg", "restart_out_of_order", bytes([2]) + bytes(rst))
dht = bytearray(ct); at = dht.index(b"\xff\xc4")
dht[at + 5] = 2  # two 1-bit codes: over-subscribed
write("lossless_jpeg", "oversubscribed_table", bytes([2]) + bytes(dht))

# Lossy JPEG: bit 0 chooses 12-bit samples, then the stream.
for name, bits in [("jpeg_gray8_baseline", 0), ("jpeg_rgb8_baseline_422", 0), ("jpeg_rgb8_progressive", 0),
                   ("jpeg_ct12_extended", 1)]:
    write("jpeg_lossy", name, bytes([bits]) + fixture(name))
baseline = fixture("jpeg_gray8_baseline")
write("jpeg_lossy", "truncated", bytes([0]) + baseline[:len(baseline) // 2])
huge = bytearray(baseline); at = huge.index(b"\xff\xc0")
huge[at + 5:at + 9] = b"\xfd\xe8\xfd\xe8"
write("jpeg_lossy", "huge_header", bytes([0]) + bytes(huge))
PY

ls -l "$out"
