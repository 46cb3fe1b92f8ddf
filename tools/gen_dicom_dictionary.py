#!/usr/bin/env python3
"""Generates src/dicom/dicom_dictionary_data.cpp: the data dictionary and the
table of well-known UIDs that the viewer uses to name elements and UID values.

Source: the machine-readable copy of the DICOM data dictionary (PS 3.6) and UID
registry shipped by Debian's python3-pydicom package (_dicom_dict.py and
_uid_dict.py). The files are read as data (ast.literal_eval), never imported.

    tools/gen_dicom_dictionary.py               # rewrite the table file
    tools/gen_dicom_dictionary.py --check       # exit 1 if it is out of date

The viewer's tables reproduce the dictionary of an older edition of the
standard, with its quirks, trimmed to a fixed number of entries per group.
How each choice is made is documented next to the data below; every choice is
deterministic, and the script asserts the resulting counts.
"""

import argparse
import ast
import os
import sys

PYDICOM_DIR = "/usr/lib/python3/dist-packages/pydicom"
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = os.path.join(REPO, "src", "dicom", "dicom_dictionary_data.cpp")

# ---------------------------------------------------------------------------
# Data dictionary
# ---------------------------------------------------------------------------

# Entries per group, group-length row included. Repeating groups (50xx, 60xx)
# and the item delimitation group FFFE are not part of the table.
GROUP_COUNTS = {
    0x0002: 10, 0x0004: 19, 0x0008: 100, 0x0010: 32, 0x0018: 291,
    0x0020: 32, 0x0028: 73, 0x0032: 26, 0x0038: 22, 0x003A: 25,
    0x0040: 169, 0x0050: 9, 0x0054: 78, 0x0088: 8, 0x2000: 15,
    0x2010: 18, 0x2020: 8, 0x2030: 3, 0x2040: 8, 0x2050: 4,
    0x2100: 11, 0x2110: 5, 0x2120: 3, 0x2130: 9, 0x3002: 17,
    0x3004: 22, 0x3006: 44, 0x300A: 224, 0x300C: 25, 0x300E: 4,
    0x4008: 28, 0x7FE0: 2,
}
TOTAL_ENTRIES = 1344

# 23 groups carry a (gggg,0000) "Group Length" UL row. The other nine do not:
# 0004, 2120, 2130, 300E and 4008, whose every dictionary entry is needed to
# reach the group's count, and the radiotherapy groups 3004, 3006, 300A and
# 300C. Groups 0088, 2030, 2050, 2100, 2110 and 7FE0 must have one (their
# dictionary entries fall one short of the count), and 0002, 0008, 0018 and
# 0028 must have one because the secondary-capture builder stores those group
# lengths in data sets that take their VRs from this table.
GROUPS_WITHOUT_LENGTH = {0x0004, 0x2120, 0x2130, 0x300E, 0x4008,
                         0x3004, 0x3006, 0x300A, 0x300C}

# Tags that must be present because the viewer reads, writes, filters or
# anonymizes them, or because their row has a particular form (below).
REQUIRED_TAGS = [
    # File meta information
    (0x0002, 0x0001), (0x0002, 0x0002), (0x0002, 0x0010), (0x0002, 0x0013),
    # Identification: header topics, anonymization, secondary capture
    (0x0008, 0x0005), (0x0008, 0x0008), (0x0008, 0x0016), (0x0008, 0x0020),
    (0x0008, 0x0021), (0x0008, 0x0023), (0x0008, 0x0030), (0x0008, 0x0033),
    (0x0008, 0x0050), (0x0008, 0x0054), (0x0008, 0x0058), (0x0008, 0x0060),
    (0x0008, 0x0070), (0x0008, 0x0080), (0x0008, 0x0081), (0x0008, 0x0090),
    (0x0008, 0x0092), (0x0008, 0x0094), (0x0008, 0x1010), (0x0008, 0x1030),
    (0x0008, 0x103E), (0x0008, 0x1040), (0x0008, 0x1048), (0x0008, 0x1050),
    (0x0008, 0x1060), (0x0008, 0x1070), (0x0008, 0x1080), (0x0008, 0x2111),
    # Patient
    (0x0010, 0x0010), (0x0010, 0x0020), (0x0010, 0x0030), (0x0010, 0x0032),
    (0x0010, 0x0040), (0x0010, 0x1000), (0x0010, 0x1001), (0x0010, 0x1005),
    (0x0010, 0x1010), (0x0010, 0x1020), (0x0010, 0x1030), (0x0010, 0x1040),
    (0x0010, 0x1060), (0x0010, 0x2154), (0x0010, 0x2160), (0x0010, 0x2180),
    (0x0010, 0x21B0), (0x0010, 0x4000),
    # Acquisition: slice thickness, frame time, anonymized device fields
    (0x0018, 0x0050), (0x0018, 0x1000), (0x0018, 0x1030), (0x0018, 0x1063),
    # Relationship
    (0x0020, 0x000D), (0x0020, 0x000E), (0x0020, 0x0010), (0x0020, 0x0013),
    (0x0020, 0x1070), (0x0020, 0x4000),
    # Image pixel, presentation, palettes and LUTs
    (0x0028, 0x0002), (0x0028, 0x0004), (0x0028, 0x0006), (0x0028, 0x0008),
    (0x0028, 0x0009), (0x0028, 0x0010), (0x0028, 0x0011), (0x0028, 0x0030),
    (0x0028, 0x0034), (0x0028, 0x0100), (0x0028, 0x0101), (0x0028, 0x0102),
    (0x0028, 0x0103), (0x0028, 0x0104), (0x0028, 0x0105), (0x0028, 0x0106),
    (0x0028, 0x0107), (0x0028, 0x0108), (0x0028, 0x0109), (0x0028, 0x0110),
    (0x0028, 0x0111), (0x0028, 0x0120), (0x0028, 0x0301), (0x0028, 0x1050),
    (0x0028, 0x1051), (0x0028, 0x1052), (0x0028, 0x1053), (0x0028, 0x1054),
    (0x0028, 0x1101), (0x0028, 0x1102), (0x0028, 0x1103), (0x0028, 0x1201),
    (0x0028, 0x1202), (0x0028, 0x1203), (0x0028, 0x1211), (0x0028, 0x1212),
    (0x0028, 0x1213), (0x0028, 0x1221), (0x0028, 0x1222), (0x0028, 0x1223),
    (0x0028, 0x3002), (0x0028, 0x3006),
    # Study (the "Study" and "Physician" header topics)
    (0x0032, 0x000A), (0x0032, 0x000C), (0x0032, 0x0012), (0x0032, 0x0032),
    (0x0032, 0x0033), (0x0032, 0x0034), (0x0032, 0x0035), (0x0032, 0x1000),
    (0x0032, 0x1001), (0x0032, 0x1010), (0x0032, 0x1011), (0x0032, 0x1020),
    (0x0032, 0x1021), (0x0032, 0x1030), (0x0032, 0x1032), (0x0032, 0x1040),
    (0x0032, 0x1041), (0x0032, 0x1050), (0x0032, 0x1051), (0x0032, 0x1055),
    (0x0032, 0x4000),
    # Pixel data
    (0x7FE0, 0x0010),
]

# Attributes common in stored images and their references, kept ahead of the
# rest of their group so that their names show and, in implicit-VR data sets,
# their sequences nest and their numbers are read: the core patient, study,
# series, equipment, image, plane, pixel, LUT and ultrasound-region attributes,
# the reference sequences and the coded-entry attributes found in their items.
COMMON_TAGS = [
    # SOP common, general study/series/image, references, codes
    (0x0008, 0x0010), (0x0008, 0x0012), (0x0008, 0x0013), (0x0008, 0x0014),
    (0x0008, 0x0018), (0x0008, 0x0022), (0x0008, 0x002A), (0x0008, 0x0031),
    (0x0008, 0x0032), (0x0008, 0x0064), (0x0008, 0x0068), (0x0008, 0x0100),
    (0x0008, 0x0102), (0x0008, 0x0103), (0x0008, 0x0104), (0x0008, 0x0201),
    (0x0008, 0x1032), (0x0008, 0x1090), (0x0008, 0x1110), (0x0008, 0x1111),
    (0x0008, 0x1115), (0x0008, 0x1120), (0x0008, 0x1125), (0x0008, 0x1140),
    (0x0008, 0x114A), (0x0008, 0x1150), (0x0008, 0x1155), (0x0008, 0x1160),
    (0x0008, 0x1199), (0x0008, 0x1250), (0x0008, 0x2112), (0x0008, 0x2120),
    (0x0008, 0x2122), (0x0008, 0x2124), (0x0008, 0x2127), (0x0008, 0x2128),
    (0x0008, 0x2129), (0x0008, 0x212A), (0x0008, 0x2142), (0x0008, 0x2143),
    (0x0008, 0x2144), (0x0008, 0x2218), (0x0008, 0x2220), (0x0008, 0x2228),
    (0x0008, 0x2230), (0x0008, 0x3010), (0x0008, 0x9007), (0x0008, 0x9205),
    # Patient
    (0x0010, 0x1002), (0x0010, 0x2000), (0x0010, 0x2110), (0x0010, 0x21A0),
    (0x0010, 0x21C0),
    # Patient position, ultrasound regions, detector
    (0x0018, 0x5100), (0x0018, 0x5101), (0x0018, 0x6011), (0x0018, 0x6012),
    (0x0018, 0x6014), (0x0018, 0x6016), (0x0018, 0x6018), (0x0018, 0x601A),
    (0x0018, 0x601C), (0x0018, 0x601E), (0x0018, 0x6020), (0x0018, 0x6022),
    (0x0018, 0x6024), (0x0018, 0x6026), (0x0018, 0x602C), (0x0018, 0x602E),
    (0x0018, 0x7004),
    # Relationship and image plane
    (0x0020, 0x0011), (0x0020, 0x0012), (0x0020, 0x0020), (0x0020, 0x0030),
    (0x0020, 0x0032), (0x0020, 0x0035), (0x0020, 0x0037), (0x0020, 0x0052),
    (0x0020, 0x0060), (0x0020, 0x0062), (0x0020, 0x0100), (0x0020, 0x0105),
    (0x0020, 0x0110), (0x0020, 0x0200), (0x0020, 0x1002), (0x0020, 0x1040),
    (0x0020, 0x1041), (0x0020, 0x9056), (0x0020, 0x9057), (0x0020, 0x9111),
    (0x0020, 0x9113), (0x0020, 0x9116), (0x0020, 0x9128),
    # Image pixel, presentation, LUTs, compression, masks, functional groups
    (0x0028, 0x0005), (0x0028, 0x0014), (0x0028, 0x0040), (0x0028, 0x0051),
    (0x0028, 0x0200), (0x0028, 0x1040), (0x0028, 0x1041), (0x0028, 0x1055),
    (0x0028, 0x1056), (0x0028, 0x1090), (0x0028, 0x1199), (0x0028, 0x2110),
    (0x0028, 0x2112), (0x0028, 0x2114), (0x0028, 0x3000), (0x0028, 0x3003),
    (0x0028, 0x3004), (0x0028, 0x3010), (0x0028, 0x6010), (0x0028, 0x6020),
    (0x0028, 0x6040), (0x0028, 0x6100), (0x0028, 0x6101), (0x0028, 0x6110),
    (0x0028, 0x9110), (0x0028, 0x9132), (0x0028, 0x9145),
    # Performed procedure step, request attributes, structured content
    (0x0040, 0x0009), (0x0040, 0x0244), (0x0040, 0x0245), (0x0040, 0x0253),
    (0x0040, 0x0254), (0x0040, 0x0260), (0x0040, 0x0275), (0x0040, 0x1001),
    (0x0040, 0xA043), (0x0040, 0xA160), (0x0040, 0xA168), (0x0040, 0xA300),
    (0x0040, 0xA30A), (0x0040, 0xA730),
]

# The only rows with more than one VR. Any other dictionary entry with a VR
# choice ("US or SS", "US or OW", ...) is left out of the table.
MULTI_VR_ROWS = {
    (0x0028, 0x0104): "US or SS", (0x0028, 0x0105): "US or SS",
    (0x0028, 0x0106): "US or SS", (0x0028, 0x0107): "US or SS",
    (0x0028, 0x0108): "US or SS", (0x0028, 0x0109): "US or SS",
    (0x0028, 0x0110): "US or SS", (0x0028, 0x0111): "US or SS",
    (0x0028, 0x0120): "US or SS",
    (0x0028, 0x1101): "US or SS", (0x0028, 0x1102): "US or SS",
    (0x0028, 0x1103): "US or SS",
    (0x0028, 0x1201): "US or SS or OW", (0x0028, 0x1202): "US or SS or OW",
    (0x0028, 0x1203): "US or SS or OW",
    (0x0028, 0x3002): "US or SS",
    (0x7FE0, 0x0010): "OB or OW",
}

# Rows whose name differs from the current dictionary.
NAME_OVERRIDES = {
    (0x7FE0, 0x0010): "Frame Data",
}

# 33 rows have an empty VR list and carry their VR at the end of the name
# ("Retrieve AE Title AE"); implicit-VR data sets then give such elements an
# empty VR. They are the six rows below (with the VR text that is appended),
# followed by the first 27 rows in ascending tag order that have a value
# multiplicity of exactly 1-n, a text VR whose display does not change (see
# TEXT_VRS) and that are not in REQUIRED_TAGS: rows the viewer reads or whose
# number the parser derives keep their VR.
VR_IN_NAME_FIXED = {
    (0x0008, 0x0054): "AE",
    (0x0008, 0x0058): "UI",
    (0x0008, 0x1080): "LO",
    (0x0010, 0x1000): "LO",
    (0x0028, 0x0009): "AT",
    (0x0028, 0x3006): "US or SS",
}
VR_IN_NAME_COUNT = 33
TEXT_VRS = {"AE", "CS", "DA", "LO", "PN", "SH", "TM", "UI"}

GROUP_LENGTH_NAME = "Group Length"


def load_literal(path, variable):
    """The value of `variable = {...}` in a Python source file, read as data."""
    with open(path, encoding="utf-8") as f:
        tree = ast.parse(f.read(), filename=path)
    for node in tree.body:
        targets = []
        if isinstance(node, ast.Assign):
            targets = node.targets
        elif isinstance(node, ast.AnnAssign) and node.value is not None:
            targets = [node.target]
        for target in targets:
            if isinstance(target, ast.Name) and target.id == variable:
                return ast.literal_eval(node.value)
    raise SystemExit(f"{path}: no {variable}")


def split_vrs(vr_text):
    return [v.strip() for v in vr_text.split(" or ")] if vr_text else []


def choose_dictionary(source):
    """Rows (group, element, name, [vrs]) in ascending tag order."""
    by_tag = {(t >> 16, t & 0xFFFF): v for t, v in source.items()}
    required = set(REQUIRED_TAGS)
    kept = required | set(COMMON_TAGS)
    for tag in kept:
        if tag not in by_tag:
            raise SystemExit("tag (%04X,%04X) missing from the source" % tag)

    def admissible(tag):
        vr, _vm, name, _retired, _keyword = by_tag[tag]
        if not name or tag[1] == 0x0000:
            return False
        # A VR choice is kept only on the rows listed in MULTI_VR_ROWS, or
        # spelled out in the name (LUT Data).
        return (len(split_vrs(vr)) == 1 or tag in MULTI_VR_ROWS
                or tag in VR_IN_NAME_FIXED)

    chosen = []
    for group, count in sorted(GROUP_COUNTS.items()):
        has_length = group not in GROUPS_WITHOUT_LENGTH
        wanted = count - (1 if has_length else 0)
        tags = [t for t in by_tag if t[0] == group and admissible(t)]
        must = [t for t in tags if t in kept]
        # Fill with current entries first, then retired ones; lower element
        # numbers first within each.
        rest = sorted((t for t in tags if t not in kept),
                      key=lambda t: (by_tag[t][3] != "", t[1]))
        picked = must + rest[:max(0, wanted - len(must))]
        if len(picked) != wanted or len(must) > wanted:
            raise SystemExit("group %04X: %d entries available, %d wanted"
                             % (group, len(picked), wanted))
        if has_length:
            chosen.append((group, 0x0000))
        chosen.extend(picked)

    chosen.sort()
    vr_in_name = dict(VR_IN_NAME_FIXED)
    for tag in chosen:
        if len(vr_in_name) == VR_IN_NAME_COUNT:
            break
        if tag[1] == 0 or tag in required or tag in vr_in_name:
            continue
        vr, vm, _name, _retired, _keyword = by_tag[tag]
        if vm == "1-n" and vr in TEXT_VRS:
            vr_in_name[tag] = vr
    if len(vr_in_name) != VR_IN_NAME_COUNT:
        raise SystemExit("only %d rows with the VR in the name" % len(vr_in_name))

    rows = []
    for tag in chosen:
        if tag[1] == 0x0000:
            rows.append((tag[0], 0, GROUP_LENGTH_NAME, ["UL"]))
            continue
        vr, _vm, name, _retired, _keyword = by_tag[tag]
        name = NAME_OVERRIDES.get(tag, name)
        vrs = split_vrs(MULTI_VR_ROWS.get(tag, vr))
        if tag in vr_in_name:
            name = "%s %s" % (name, vr_in_name[tag])
            vrs = []
        rows.append((tag[0], tag[1], name, vrs))
    return rows


# ---------------------------------------------------------------------------
# UID names
# ---------------------------------------------------------------------------

# The transfer syntaxes, first and in this order, with the names the viewer
# shows (the older registry's spelling, "&" for "and").
TRANSFER_SYNTAXES = [
    ("1.2.840.10008.1.2", "Implicit VR Little Endian"),
    ("1.2.840.10008.1.2.1", "Explicit VR Little Endian"),
    ("1.2.840.10008.1.2.2", "Explicit VR Big Endian"),
    ("1.2.840.10008.1.2.4.50", "JPEG Baseline (Process 1)"),
    ("1.2.840.10008.1.2.4.51", "JPEG Extended (Process 2 & 4)"),
    ("1.2.840.10008.1.2.4.52", "JPEG Extended (Process 3 & 5)"),
    ("1.2.840.10008.1.2.4.53", "JPEG Spectral Selection, Non-Hierarchical (Process 6 & 8)"),
    ("1.2.840.10008.1.2.4.54", "JPEG Spectral Selection, Non-Hierarchical (Process 7 & 9)"),
    ("1.2.840.10008.1.2.4.55", "JPEG Full Progression, Non-Hierarchical (Process 10 & 12)"),
    ("1.2.840.10008.1.2.4.56", "JPEG Full Progression, Non-Hierarchical (Process 11 & 13)"),
    ("1.2.840.10008.1.2.4.57", "JPEG Lossless, Non-Hierarchical (Process 14)"),
    ("1.2.840.10008.1.2.4.58", "JPEG Lossless, Non-Hierarchical (Process 15)"),
    ("1.2.840.10008.1.2.4.59", "JPEG Extended, Hierarchical (Process 16 & 18)"),
    ("1.2.840.10008.1.2.4.60", "JPEG Extended, Hierarchical (Process 17 & 19)"),
    ("1.2.840.10008.1.2.4.61", "JPEG Spectral Selection, Hierarchical (Process 20 & 22)"),
    ("1.2.840.10008.1.2.4.62", "JPEG Spectral Selection, Hierarchical (Process 21 & 23)"),
    ("1.2.840.10008.1.2.4.63", "JPEG Full Progression, Hierarchical (Process 24 & 26)"),
    ("1.2.840.10008.1.2.4.64", "JPEG Full Progression, Hierarchical (Process 25 & 27)"),
    ("1.2.840.10008.1.2.4.65", "JPEG Lossless, Hierarchical(Process 28)"),
    ("1.2.840.10008.1.2.4.66", "JPEG Lossless, Hierarchical (Process 29)"),
    ("1.2.840.10008.1.2.4.70",
     "JPEG Lossless, Non-Hierarchical,First-Order Prediction (Process 14 [Selection Value 1])"),
    ("1.2.840.10008.1.2.5", "RLE Lossless"),
]

# The other 94 rows: the SOP classes, well-known instances and the application
# context name of the older UID registry, in registry order. Names come from
# the source registry unless overridden. They are:
#   8  verification, media storage directory, basic study content
#      notification, the four storage-commitment UIDs, the application context;
#  12  detached patient / visit / study / results / interpretation management
#      (with their meta classes), study component management and the three
#      modality performed procedure step classes (1.2.840.10008.3.1.2.x);
#  26  print management, every UID from Basic Film Session (5.1.1.1) to Pull
#      Stored Print Management Meta (5.1.1.32);
#  38  image storage (5.1.4.1.1.x) from Computed Radiography to RT Treatment
#      Summary Record: the classes of the registry before the waveform,
#      softcopy presentation state and structured reporting supplements,
#      retired ones included (STORAGE_CLASSES);
#   9  Patient Root, Study Root and Patient/Study Only query/retrieve FIND,
#      MOVE and GET;
#   1  Modality Worklist Information Model - FIND, last.
OTHER_UIDS_HEAD = [
    "1.2.840.10008.1.1",
    "1.2.840.10008.1.3.10",
    "1.2.840.10008.1.9",
    "1.2.840.10008.1.20.1",
    "1.2.840.10008.1.20.1.1",
    "1.2.840.10008.1.20.2",
    "1.2.840.10008.1.20.2.1",
    "1.2.840.10008.3.1.1.1",
]
MANAGEMENT_PREFIX = "1.2.840.10008.3.1.2."
PRINT_FIRST, PRINT_LAST = "1.2.840.10008.5.1.1.1", "1.2.840.10008.5.1.1.32"
STORAGE_PREFIX = "1.2.840.10008.5.1.4.1.1."
STORAGE_CLASSES = [
    "1", "1.1", "1.1.1", "1.2", "1.2.1", "1.3", "1.3.1",  # CR, DX, MG, IO
    "2", "3", "3.1", "4", "5", "6", "6.1", "7",           # CT, US, MR, NM, SC
    "8", "9", "10", "11",                                 # standalone objects
    "12.1", "12.2", "12.3", "20",                         # XA, XRF, NM
    "77.1", "77.1.1", "77.1.2", "77.1.3", "77.1.4", "77.2",  # visible light
    "128", "129",                                         # PET
    "481.1", "481.2", "481.3", "481.4", "481.5", "481.6", "481.7",  # RT
]
QUERY_RETRIEVE = [
    "1.2.840.10008.5.1.4.1.2.1.1", "1.2.840.10008.5.1.4.1.2.1.2",
    "1.2.840.10008.5.1.4.1.2.1.3", "1.2.840.10008.5.1.4.1.2.2.1",
    "1.2.840.10008.5.1.4.1.2.2.2", "1.2.840.10008.5.1.4.1.2.2.3",
    "1.2.840.10008.5.1.4.1.2.3.1", "1.2.840.10008.5.1.4.1.2.3.2",
    "1.2.840.10008.5.1.4.1.2.3.3",
]
MODALITY_WORKLIST = "1.2.840.10008.5.1.4.31"
UID_NAME_OVERRIDES = {
    "1.2.840.10008.1.1": "Verification SOP Class SOP Class",
    "1.2.840.10008.3.1.1.1": "DICOM Application Context Name Application Context Name",
    "1.2.840.10008.5.1.4.1.1.7": "Secondary Capture Image Storage ",
}
OTHER_UID_COUNT = 94
UID_TEXT_MAX, UID_NAME_MAX = 31, 89


def uid_key(uid):
    return tuple(int(part) for part in uid.split("."))


def choose_uids(source):
    def in_range(uid, first, last):
        return uid_key(first) <= uid_key(uid) <= uid_key(last)

    management = sorted((u for u in source if u.startswith(MANAGEMENT_PREFIX)
                         and source[u][1].endswith("SOP Class")), key=uid_key)
    printing = sorted((u for u in source if in_range(u, PRINT_FIRST, PRINT_LAST)),
                      key=uid_key)
    storage = [STORAGE_PREFIX + s for s in STORAGE_CLASSES]
    others = (OTHER_UIDS_HEAD + management + printing + storage + QUERY_RETRIEVE
              + [MODALITY_WORKLIST])
    if len(others) != OTHER_UID_COUNT or len(set(others)) != len(others):
        raise SystemExit("%d other UID rows, %d wanted" % (len(others), OTHER_UID_COUNT))
    rows = list(TRANSFER_SYNTAXES)
    for uid in others:
        if uid not in source:
            raise SystemExit("UID %s missing from the source" % uid)
        rows.append((uid, UID_NAME_OVERRIDES.get(uid, source[uid][0])))
    for uid, name in rows:
        if not name or len(name) > UID_NAME_MAX or len(uid) > UID_TEXT_MAX:
            raise SystemExit("UID row does not fit: %s %r" % (uid, name))
    return rows


# ---------------------------------------------------------------------------
# Output
# ---------------------------------------------------------------------------

def c_string(text):
    out = []
    for ch in text:
        if ch in "\\\"":
            out.append("\\" + ch)
        elif 0x20 <= ord(ch) < 0x7F:
            out.append(ch)
        else:
            raise SystemExit("non-ASCII text %r" % text)
    return '"' + "".join(out) + '"'


def render(dictionary, uids):
    lines = [
        "// Generated by tools/gen_dicom_dictionary.py; do not edit.",
        "// Source: the DICOM data dictionary and UID registry as packaged in pydicom.",
        '#include "dicom_dictionary.h"',
        "",
        "namespace veltor {",
        "",
        "// clang-format off",
        "const DictionaryEntry kDicomDictionary[] = {",
    ]
    for group, element, name, vrs in dictionary:
        # Each VR is followed by a NUL; the literal's own NUL ends the last.
        vr_literal = '"' + "\\0".join(vrs) + '"'
        lines.append("    {0x%04X, 0x%04X, %s, %s}," % (group, element, c_string(name), vr_literal))
    lines += [
        "};",
        "const size_t kDicomDictionarySize = sizeof(kDicomDictionary) / sizeof(kDicomDictionary[0]);",
        "",
        "const UidNameEntry kUidNameTable[] = {",
    ]
    for uid, name in uids:
        lines.append("    {%s, %s}," % (c_string(uid), c_string(name)))
    lines += [
        "};",
        "const size_t kUidNameTableSize = sizeof(kUidNameTable) / sizeof(kUidNameTable[0]);",
        "// clang-format on",
        "",
        "} // namespace veltor",
        "",
    ]
    return "\n".join(lines)


def check_dictionary(rows):
    tags = [(g, e) for g, e, _n, _v in rows]
    assert len(rows) == TOTAL_ENTRIES, len(rows)
    assert tags == sorted(set(tags)), "rows not strictly ascending"
    for group, count in GROUP_COUNTS.items():
        got = sum(1 for g, _e in tags if g == group)
        assert got == count, "group %04X: %d rows, %d wanted" % (group, got, count)
    assert sum(1 for _g, e, _n, _v in rows if e == 0) == 23
    assert sum(1 for _g, _e, _n, v in rows if not v) == VR_IN_NAME_COUNT
    for _g, _e, name, vrs in rows:
        assert 0 < len(name) < 80, name          # fits DicomElement::name
        assert 0 <= len(vrs) <= 3 and all(len(v) == 2 for v in vrs), vrs


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pydicom", default=PYDICOM_DIR,
                        help="folder holding _dicom_dict.py and _uid_dict.py")
    parser.add_argument("--output", default=OUTPUT)
    parser.add_argument("--check", action="store_true",
                        help="compare with the existing output instead of writing it")
    args = parser.parse_args()

    source_dict = load_literal(os.path.join(args.pydicom, "_dicom_dict.py"), "DicomDictionary")
    source_uids = load_literal(os.path.join(args.pydicom, "_uid_dict.py"), "UID_dictionary")
    dictionary = choose_dictionary(source_dict)
    check_dictionary(dictionary)
    uids = choose_uids(source_uids)
    text = render(dictionary, uids)

    if args.check:
        try:
            with open(args.output, encoding="utf-8") as f:
                current = f.read()
        except OSError:
            current = None
        if current != text:
            print("%s is out of date; run %s" % (args.output, sys.argv[0]), file=sys.stderr)
            return 1
        return 0
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
