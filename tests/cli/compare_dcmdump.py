#!/usr/bin/python3
"""Checks `veltor dump --nested` against DCMTK's dcmdump on the same files:
the same elements in the same order (item and delimitation tags aside), with
the same lengths and, for explicit VR files, the same VRs."""
import re
import subprocess
import sys

veltor, dcmdump, files = sys.argv[1], sys.argv[2], sys.argv[3:]
passed = failed = 0

DCM = re.compile(r"^( *)\(([0-9a-f]{4}),([0-9a-f]{4})\) (\S\S) .*#\s*(\d+|u/l),")
OURS = re.compile(r"^( *)0x([0-9a-f]{4}), 0x([0-9a-f]{4})  .*?(\S\S|  ) +(\d+)  ")

for path in files:
    ref = []
    out = subprocess.run([dcmdump, "-q", "+L", "-M", "+uc", path], capture_output=True, text=True,
                         errors="replace").stdout
    for line in out.splitlines():
        m = DCM.match(line)
        if not m or m.group(2) == "fffe":
            continue
        depth = len(m.group(1)) // 2
        length = m.group(5)
        ref.append((depth // 2 if depth else 0, m.group(2), m.group(3), m.group(4), length))
    ours = []
    out = subprocess.run([veltor, "dump", "--nested", path], capture_output=True, text=True,
                         errors="replace").stdout
    for line in out.splitlines():
        m = OURS.match(line)
        if m:
            ours.append((len(m.group(1)) // 2, m.group(2), m.group(3), m.group(4), m.group(5)))
    explicit = "ivle" not in path
    problems = []
    if len(ref) != len(ours):
        problems.append("element count %d vs dcmdump %d" % (len(ours), len(ref)))
    for r, o in zip(ref, ours):
        if (r[1], r[2]) != (o[1], o[2]):
            problems.append("tag %s,%s vs dcmdump %s,%s" % (o[1], o[2], r[1], r[2]))
            break
        if r[3] == "SQ" or r[4] == "u/l":
            continue  # sequence lengths are not kept
        if r[1] == "7fe0":
            continue
        if r[4] != o[4]:
            problems.append("(%s,%s) length %s vs dcmdump %s" % (o[1], o[2], o[4], r[4]))
        if explicit and r[3] != o[3] and r[3] != "??":
            problems.append("(%s,%s) VR %s vs dcmdump %s" % (o[1], o[2], o[3], r[3]))
    if problems:
        failed += 1
        print("FAIL %s: %s" % (path, "; ".join(problems[:5])))
    else:
        passed += 1
print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
