#!/usr/bin/env bash
# Builds the parser fixtures in tests/dicom/data with DCMTK (Debian package dcmtk):
# one small data set with nested sequences, private elements and many VRs,
# written in every layout and encoding the reader supports.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../tests/dicom/data}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 16 x 16 16-bit ramp as the pixel data
/usr/bin/python3 -c "
import struct,sys
sys.stdout.buffer.write(struct.pack('<256h', *[(i*37)%4096-1024 for i in range(256)]))" > "$work/pixels.raw"

cat > "$work/nested.txt" <<DUMP
(0002,0001) OB 00\01
(0002,0002) UI 1.2.840.10008.5.1.4.1.1.2
(0002,0003) UI 1.2.826.0.1.3680043.10.1147.2.1
(0002,0010) UI 1.2.840.10008.1.2.1
(0002,0012) UI 1.2.826.0.1.3680043.10.1147.99
(0008,0005) CS [ISO_IR 100]
(0008,0008) CS [DERIVED\SECONDARY]
(0008,0016) UI 1.2.840.10008.5.1.4.1.1.2
(0008,0018) UI 1.2.826.0.1.3680043.10.1147.2.1
(0008,0020) DA [20230101]
(0008,0060) CS [CT]
(0008,1080) LO [ROUTINE CHECK]
(0008,1140) SQ (Sequence with undefined length)
  (fffe,e000) na (Item with undefined length)
    (0008,1150) UI 1.2.840.10008.5.1.4.1.1.2
    (0008,1155) UI 1.2.826.0.1.3680043.10.1147.2.7
    (0040,a730) SQ (Sequence with undefined length)
      (fffe,e000) na (Item with undefined length)
        (0040,a040) CS [TEXT]
        (0040,a160) UT [deep text value]
        (0040,a730) SQ (Sequence with undefined length)
          (fffe,e000) na (Item with undefined length)
            (0010,0010) PN [NESTED^NAME]
          (fffe,e00d)
        (fffe,e0dd)
      (fffe,e00d)
    (fffe,e0dd)
  (fffe,e00d)
  (fffe,e000) na (Item with undefined length)
    (0008,1150) UI 1.2.840.10008.5.1.4.1.1.4
  (fffe,e00d)
(fffe,e0dd)
(0009,0010) LO [VELTOR PRIVATE]
(0009,1001) LO [private text]
(0009,1002) UN 01\02\03\04
(0010,0010) PN [ROE^JANE]
(0010,0020) LO [FIX-0001]
(0018,0050) DS [1.25]
(0018,1063) DS [33.3]
(0020,0013) IS [7]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0010) US 16
(0028,0011) US 16
(0028,0030) DS [0.5\0.5]
(0028,0034) IS [1\1]
(0028,0100) US 16
(0028,0101) US 12
(0028,0102) US 11
(0028,0103) US 1
(0028,1050) DS [40]
(0028,1051) DS [400]
(0028,1052) DS [-1024]
(0028,1053) DS [1]
(0028,3002) US 256\0\16
(7fe0,0010) OW =pixels.raw
DUMP
cd "$work"
dump2dcm -q +te "$work/nested.txt" "$work/base.dcm"
dcmconv -q +te "$work/base.dcm" "$out/nested_evle.dcm"
dcmconv -q +ti "$work/base.dcm" "$out/nested_ivle.dcm"
dcmconv -q +tb "$work/base.dcm" "$out/nested_evbe.dcm"
# explicit lengths for sequences and items
dcmconv -q +te +e "$work/base.dcm" "$out/nested_evle_deflen.dcm"
# a bare data set: no preamble, no meta group, implicit VR little endian
dcmconv -q -F +ti "$work/base.dcm" "$out/nested_bare.dcm"
# Compressed copies: lossless JPEG must give the uncompressed samples back
dcmcjpeg -q +e1 "$out/nested_evle.dcm" "$out/nested_jpll_sv1.dcm"
dcmcjpeg -q +el +sv 7 "$out/nested_evle.dcm" "$out/nested_jpll_sv7.dcm"

# A small 8-bit colour image (interleaved) and its RLE and JPEG baseline copies
/usr/bin/python3 -c "
import sys
sys.stdout.buffer.write(bytes((x * 16 + y * 3 + c * 80) % 256 for y in range(8) for x in range(8) for c in range(3)))" > "$work/rgb.raw"
cat > "$work/rgb.txt" <<DUMP
(0002,0001) OB 00\01
(0002,0002) UI 1.2.840.10008.5.1.4.1.1.7
(0002,0003) UI 1.2.826.0.1.3680043.10.1147.2.2
(0002,0010) UI 1.2.840.10008.1.2.1
(0008,0016) UI 1.2.840.10008.5.1.4.1.1.7
(0008,0018) UI 1.2.826.0.1.3680043.10.1147.2.2
(0008,0060) CS [OT]
(0028,0002) US 3
(0028,0004) CS [RGB]
(0028,0006) US 0
(0028,0010) US 8
(0028,0011) US 8
(0028,0100) US 8
(0028,0101) US 8
(0028,0102) US 7
(0028,0103) US 0
(7fe0,0010) OB =rgb.raw
DUMP
dump2dcm -q +te "$work/rgb.txt" "$out/rgb8.dcm"
dcmcrle -q "$out/rgb8.dcm" "$out/rgb8_rle.dcm"
ls -la "$out"
