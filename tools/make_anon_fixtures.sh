#!/usr/bin/env bash
# Builds the anonymization fixtures in tests/export/data with DCMTK (Debian
# package dcmtk): one CT data set holding every element the anonymizer can
# blank, private elements of several VRs, person names nested in sequence
# items, Burned In Annotation YES and a small pixel data element, written in
# explicit VR little endian, explicit VR big endian and implicit VR little endian.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../tests/export/data}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 8 x 8 16-bit ramp as the pixel data
/usr/bin/python3 -c "
import struct,sys
sys.stdout.buffer.write(struct.pack('<64h', *[i*16-512 for i in range(64)]))" > "$work/pixels.raw"

cat > "$work/anon.txt" <<DUMP
(0002,0001) OB 00\01
(0002,0002) UI 1.2.840.10008.5.1.4.1.1.2
(0002,0003) UI 1.2.826.0.1.3680043.10.1147.6.1
(0002,0010) UI 1.2.840.10008.1.2.1
(0002,0012) UI 1.2.826.0.1.3680043.10.1147.99
(0008,0005) CS [ISO_IR 100]
(0008,0008) CS [ORIGINAL\PRIMARY\AXIAL]
(0008,0016) UI 1.2.840.10008.5.1.4.1.1.2
(0008,0018) UI 1.2.826.0.1.3680043.10.1147.6.1
(0008,0020) DA [20240229]
(0008,0030) TM [101500]
(0008,0050) SH [ACC778899]
(0008,0060) CS [CT]
(0008,0080) LO [SAINT ELSEWHERE HOSPITAL]
(0008,0081) ST [12 HIDDEN LANE, NOWHERE]
(0008,0090) PN [REFERRER^ROSA]
(0008,1010) SH [STATION-7]
(0008,1030) LO [HEAD WITHOUT CONTRAST]
(0008,103e) LO [AXIAL 5MM]
(0008,1040) LO [RADIOLOGY WEST]
(0008,1048) PN [RECORDS^RUTH]
(0008,1050) PN [PERFORMER^PAUL]
(0008,1060) PN [READER^RITA]
(0008,1070) PN [OPERATOR^OLGA]
(0008,1080) LO [SUSPECTED STROKE]
(0008,1140) SQ (Sequence with undefined length)
  (fffe,e000) na (Item with undefined length)
    (0008,1150) UI 1.2.840.10008.5.1.4.1.1.2
    (0008,1155) UI 1.2.826.0.1.3680043.10.1147.6.7
    (0008,0090) PN [NESTED^REFERRER]
    (0040,a730) SQ (Sequence with undefined length)
      (fffe,e000) na (Item with undefined length)
        (0010,0010) PN [DEEPLY^NESTED]
        (0010,0020) LO [NESTEDID]
      (fffe,e00d)
    (fffe,e0dd)
  (fffe,e00d)
(fffe,e0dd)
(0008,2111) ST [RESAMPLED FROM ORIGINAL]
(0009,0010) LO [VELTOR ANON TEST]
(0009,1001) LO [private text]
(0009,1002) PN [PRIVATE^PERSON]
(0009,1003) SL 123456
(0010,0010) PN [DOE^JOHNATHN]
(0010,0020) LO [PID-424242]
(0010,0030) DA [19700101]
(0010,0032) TM [0830]
(0010,0040) CS [M]
(0010,1000) LO [OTHER-ID-9]
(0010,1001) PN [ALIAS^JACK]
(0010,1005) PN [BIRTHNAME^JO]
(0010,1010) AS [053Y]
(0010,1020) DS [1.82]
(0010,1030) DS [77.5]
(0010,1040) LO [1 MAIN STREET]
(0010,1060) PN [MOTHER^MARY]
(0010,2154) SH [555-0101]
(0010,2160) SH [NONE GIVEN]
(0010,2180) SH [ENGINEER]
(0010,21b0) LT [NO HISTORY OF NOTE]
(0010,4000) LT [CALM PATIENT]
(0018,0050) DS [5]
(0018,1000) LO [SN-0042]
(0018,1030) LO [HEAD ROUTINE]
(0020,000d) UI 1.2.826.0.1.3680043.10.1147.6.2
(0020,000e) UI 1.2.826.0.1.3680043.10.1147.6.3
(0020,0010) SH [STUDY-11]
(0020,0013) IS [1]
(0020,4000) LT [IMAGE COMMENT TEXT]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0010) US 8
(0028,0011) US 8
(0028,0100) US 16
(0028,0101) US 16
(0028,0102) US 15
(0028,0103) US 1
(0028,0301) CS [YES]
(7fe0,0010) OW =pixels.raw
DUMP

cd "$work"
dump2dcm --write-xfer-little anon.txt "$out/anon_evle.dcm"
dcmconv --write-xfer-big "$out/anon_evle.dcm" "$out/anon_evbe.dcm"
dcmconv --write-xfer-implicit "$out/anon_evle.dcm" "$out/anon_ivle.dcm"
echo "wrote $out/anon_{evle,evbe,ivle}.dcm"
