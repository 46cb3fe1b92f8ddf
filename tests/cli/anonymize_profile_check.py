#!/usr/bin/python3
"""veltor anonymize --profile basic over a small tree of DCMTK-written files,
checked with dcmdump: every profile attribute gone, a dummy or replaced at
every depth, private values gone, pixel data identical, UIDs consistent
within a run and across runs with one key, different with another key, every
copy read by dcmdump without a complaint; and the bad inputs refused.

    anonymize_profile_check.py VELTOR FIXTURES PROFILE_TABLE_SOURCE
"""

import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

VELTOR, FIXTURES, TABLE = sys.argv[1:4]
FAILED = []
PASSED = [0]


def check(name, ok, detail=""):
    if ok:
        PASSED[0] += 1
    else:
        FAILED.append(name)
        print("FAIL: %s %s" % (name, detail))


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", **kw)


# --- the table, read as data: tag -> (action code, temporal)
ROWS = {}
MASKED = []
for g, e, gm, em, code, temporal in re.findall(
        r'\{0x([0-9A-F]{4}), 0x([0-9A-F]{4}), 0x([0-9A-F]{4}), 0x([0-9A-F]{4}), act\("([^"]+)"\), (true|false)',
        open(TABLE).read()):
    if gm == "FFFF" and em == "FFFF":
        ROWS[(int(g, 16), int(e, 16))] = (code, temporal == "true")
    else:
        MASKED.append((int(g, 16), int(e, 16), int(gm, 16), int(em, 16), code))
check("the table was read", len(ROWS) > 400, str(len(ROWS)))


def row(tag):
    if tag in ROWS:
        return ROWS[tag]
    for g, e, gm, em, code in MASKED:
        if tag[0] & gm == g and tag[1] & em == e:
            return (code, False)
    return None


# --- fixtures, written by DCMTK's dump2dcm
def nested(depth, n):
    """A chain of Procedure Code Sequences (not in the table) `n` deep, each
    item with values the table names."""
    pad = "  " * (2 * depth)
    if depth >= n:
        return []
    d = depth + 1
    lines = [pad + "(0008,1032) SQ (Sequence with undefined length)",
             pad + "  (fffe,e000) na (Item with undefined length)"]
    lines += nested(depth + 1, n)
    lines += [pad + "    (0010,0020) LO [ID-DEPTH-%d]" % d,
              pad + "    (0040,a121) DA [2023051%d]" % d,
              pad + "    (0040,a123) PN [PERSON^DEPTH%d]" % d,
              pad + "    (0040,a124) UI [1.2.826.0.1.3680043.10.1147.9.5%d]" % d,
              pad + "  (fffe,e00d) na (ItemDelimitationItem)",
              pad + "(fffe,e0dd) na (SequenceDelimitationItem)"]
    return lines


def dump(sop, patient, study, referenced=None, depth=5):
    lines = [
        "(0008,0016) UI =CTImageStorage",
        "(0008,0018) UI [%s]" % sop,
        "(0008,0020) DA [20230514]",
        "(0008,0021) DA [20230514]",
        "(0008,0030) TM [101500]",
        "(0008,0050) SH [ACC-7788]",
        "(0008,0060) CS [CT]",
        "(0008,0080) LO [SAINT ELSEWHERE HOSPITAL]",
        "(0008,0090) PN [REFERRER^ROSA]",
        "(0008,1010) SH [STATION-7]",
        "(0008,1030) LO [HEAD ROUTINE STUDY]",
        "(0008,1070) PN [OPERATOR^OLGA]",
        "(0008,1120) SQ (Sequence with undefined length)",
        "  (fffe,e000) na (Item with undefined length)",
        "    (0008,1150) UI [1.2.840.10008.3.1.2.1.1]",
        "    (0008,1155) UI [1.2.826.0.1.3680043.10.1147.9.77]",
        "  (fffe,e00d) na (ItemDelimitationItem)",
        "(fffe,e0dd) na (SequenceDelimitationItem)",
    ]
    if referenced:
        lines += ["(0008,1140) SQ (Sequence with undefined length)",
                  "  (fffe,e000) na (Item with undefined length)",
                  "    (0008,1150) UI =CTImageStorage",
                  "    (0008,1155) UI [%s]" % referenced,
                  "  (fffe,e00d) na (ItemDelimitationItem)",
                  "(fffe,e0dd) na (SequenceDelimitationItem)"]
    lines += ["(0009,0010) LO [VELTOR TEST]",
              "(0009,1001) LO [private text]",
              "(0009,1002) SQ (Sequence with undefined length)",
              "  (fffe,e000) na (Item with undefined length)",
              "    (0010,0010) PN [PRIVSEQ^NAME]",
              "  (fffe,e00d) na (ItemDelimitationItem)",
              "(fffe,e0dd) na (SequenceDelimitationItem)",
              "(0010,0010) PN [DOE^JOHNATHAN]",
              "(0010,0020) LO [%s]" % patient,
              "(0010,0030) DA [19700101]",
              "(0010,0040) CS [M]",
              "(0010,1002) SQ (Sequence with undefined length)",
              "  (fffe,e000) na (Item with undefined length)",
              "    (0010,0020) LO [OTHER-ID-9]",
              "    (0010,0022) CS [TEXT]",
              "  (fffe,e00d) na (ItemDelimitationItem)",
              "(fffe,e0dd) na (SequenceDelimitationItem)",
              "(0010,1010) AS [053Y]",
              "(0018,1000) LO [SN-0042]",
              "(0020,000d) UI [%s]" % study,
              "(0020,000e) UI [%s.3]" % study,
              "(0020,0010) SH [STUDY-11]",
              "(0020,0013) IS [1]",
              "(0020,0052) UI [%s.4]" % study,
              "(0028,0002) US 1",
              "(0028,0004) CS [MONOCHROME2]",
              "(0028,0010) US 4",
              "(0028,0011) US 4",
              "(0028,0100) US 16",
              "(0028,0101) US 12",
              "(0028,0102) US 11",
              "(0028,0103) US 0",
              "(0040,0275) SQ (Sequence with undefined length)",
              "  (fffe,e000) na (Item with undefined length)",
              "    (0040,0007) LO [HEAD CT REQUEST]",
              "    (0040,0009) SH [SPS-0001]",
              "    (0040,1001) SH [RP-0001]",
              "  (fffe,e00d) na (ItemDelimitationItem)",
              "(fffe,e0dd) na (SequenceDelimitationItem)"]
    lines += nested(0, depth)
    lines.append("(7fe0,0010) OW " + "\\".join("%04x" % (i * 97 + 5) for i in range(16)))
    return "\n".join(lines) + "\n"


IDENTIFYING = ["ACC-7788", "SAINT ELSEWHERE", "REFERRER", "STATION-7", "OPERATOR", "PRIVSEQ", "private text",
               "VELTOR TEST", "DOE^JOHNATHAN", "PID-424242", "PID-777", "19700101", "OTHER-ID-9", "053Y",
               "SN-0042", "STUDY-11", "SPS-0001", "RP-0001", "HEAD CT REQUEST", "HEAD ROUTINE STUDY",
               "1.2.826.0.1.3680043.10.1147.9", "20230514", "PERSON^DEPTH", "ID-DEPTH",
               # from the DCMTK-made fixtures of the other anonymization tests
               "DOE^JOHNATHN", "DEEPLY^NESTED", "NESTEDID", "PRIVATE^PERSON", "1.2.826.0.1.3680043.10.1147.6"]

tmp = tempfile.mkdtemp()
os.environ["VELTOR_SETTINGS"] = os.path.join(tmp, "no-settings.ini")
tree = os.path.join(tmp, "tree")
os.makedirs(os.path.join(tree, "sub", "deeper"))
STUDY1 = "1.2.826.0.1.3680043.10.1147.9.20230514.1"
SOP_A = "1.2.826.0.1.3680043.10.1147.9.1.1"
for name, text, syntax in [
        ("A.dcm", dump(SOP_A, "PID-424242", STUDY1), "+te"),
        ("sub/B.dcm", dump("1.2.826.0.1.3680043.10.1147.9.1.2", "PID-424242", STUDY1, referenced=SOP_A), "+ti"),
        ("sub/deeper/C.dcm", dump("1.2.826.0.1.3680043.10.1147.9.2.1", "PID-777",
                                  "1.2.826.0.1.3680043.10.1147.9.20230514.2"), "+tb")]:
    with open(os.path.join(tmp, "in.txt"), "w") as f:
        f.write(text)
    r = run(["dump2dcm", syntax, os.path.join(tmp, "in.txt"), os.path.join(tree, name)])
    check("dump2dcm wrote " + name, r.returncode == 0, r.stderr)
for name in ["anon_evle.dcm", "anon_evbe.dcm", "anon_ivle.dcm"]:
    shutil.copy(os.path.join(FIXTURES, name), os.path.join(tree, "sub", name))
with open(os.path.join(tree, "readme.txt"), "w") as f:
    f.write("not an image\n" * 20)


def tree_digest():
    h = hashlib.md5()
    for root, _, files in sorted(os.walk(tree)):
        for n in sorted(files):
            h.update(open(os.path.join(root, n), "rb").read())
    return h.hexdigest()


before = tree_digest()


def anonymize(out, *extra):
    os.makedirs(out, exist_ok=True)
    return run([VELTOR, "anonymize", "--profile", "basic", "--recursive", "--out", out, *extra, tree])


key1 = os.path.join(tmp, "key1")
key2 = os.path.join(tmp, "key2")
open(key1, "wb").write(b"first shared secret")
open(key2, "wb").write(b"another secret")
ROOT = "1.2.826.0.1.3680043.10.543"

runs = {}
for label, extra in [("key1", ["--key", key1]), ("key1again", ["--key", key1]), ("key2", ["--key", key2]),
                     ("random", []), ("kept", ["--key", key1, "--keep-dates", "--uid-root", ROOT])]:
    out = os.path.join(tmp, "out-" + label)
    r = anonymize(out, *extra)
    runs[label] = (out, r)
    check("run %s exits 0" % label, r.returncode == 0, r.stderr)
    lines = r.stdout.splitlines()
    check("run %s: a line per copy" % label, len(lines) == 6, r.stdout)
    check("run %s: lines name no value" % label,
          not any(v in r.stdout for v in IDENTIFYING), r.stdout)
check("log line says what changed",
      re.search(r"A_anon\.dcm\t\d+ values blanked, \d+ dummy values, \d+ UIDs replaced, \d+ dates shifted, "
                r"\d+ private values blanked; no room for Patient Identity Removed", runs["key1"][1].stdout),
      runs["key1"][1].stdout)
check("sources untouched", tree_digest() == before)

COPIES = {"A.dcm": "A_anon.dcm", "sub/B.dcm": "B_anon.dcm", "sub/deeper/C.dcm": "C_anon.dcm",
          "sub/anon_evle.dcm": "anon_evle_anon.dcm", "sub/anon_evbe.dcm": "anon_evbe_anon.dcm",
          "sub/anon_ivle.dcm": "anon_ivle_anon.dcm"}

LINE = re.compile(r"^( *)\(([0-9a-f]{4}),([0-9a-f]{4})\) (\w\w) (.*?)\s+#\s*(\d+|u/l),")


def elements(path):
    """dcmdump's lines as (depth, tag, vr, value text, length), and dcmdump's complaints."""
    r = run(["dcmdump", "-Un", "+L", path])
    out = []
    for line in r.stdout.splitlines():
        m = LINE.match(line)
        if m:
            out.append((len(m.group(1)) // 2, (int(m.group(2), 16), int(m.group(3), 16)), m.group(4),
                        m.group(5), m.group(6)))
    complaints = [l for l in r.stderr.splitlines() if l.startswith(("E:", "W:", "F:"))]
    return out, r.returncode, complaints


def value(text):
    if text.startswith("(no value") or text.startswith("(Sequence") or text.startswith("(Item"):
        return ""
    m = re.match(r"^\[(.*)\]$", text)
    return m.group(1).rstrip(" \0") if m else text


def is_uid(text):
    return re.fullmatch(r"(0|[1-9][0-9]*)(\.(0|[1-9][0-9]*))*", text) is not None and len(text) <= 64


def empty(vr, text):
    v = value(text)
    return v == "" or re.fullmatch(r"(00\\?)*|(0\\?)*|0", v) is not None


def check_copy(label, src, copy, keep_dates):
    s, _, _ = elements(src)
    c, rc, complaints = elements(copy)
    name = "%s %s" % (label, os.path.basename(copy))
    check(name + ": dcmdump reads it", rc == 0 and not complaints, "\n".join(complaints))
    check(name + ": same size", os.path.getsize(src) == os.path.getsize(copy))
    check(name + ": same structure", [(d, t) for d, t, *_ in s] == [(d, t) for d, t, *_ in c])
    if len(s) != len(c):
        return
    removed_at = None  # depth of a sequence whose items lose every value
    for (depth, tag, vr, was, length), (_, _, _, now, _) in zip(s, c):
        if removed_at is not None and depth <= removed_at:
            removed_at = None
        where = "%s (%04x,%04x) depth %d" % (name, tag[0], tag[1], depth)
        if tag[0] == 0xFFFE:
            continue
        r = row(tag)
        code = r[0] if r else None
        if vr == "SQ":
            if (tag[0] & 1 or code in ("X", "Z", "X/Z")) and removed_at is None:
                removed_at = depth
            continue
        if tag == (0x7FE0, 0x0010):
            check(where + ": pixel data identical", was == now)
            continue
        if removed_at is not None or tag[0] & 1:
            check(where + ": blank", empty(vr, now), now)
            continue
        if r is None:
            if vr in ("DA", "DT") and value(was):
                check(where + ": date moved" if not keep_dates else where + ": date kept",
                      (value(now) != value(was)) != keep_dates, "%s -> %s" % (was, now))
            elif tag not in [(0x0012, 0x0062), (0x0012, 0x0063), (0x0028, 0x0301), (0x0028, 0x0303)]:
                check(where + ": kept", was == now, "%s -> %s" % (was, now))
            continue
        if r[1] and vr in ("DA", "DT", "TM"):
            moved = vr != "TM" and not keep_dates
            check(where + (": date moved" if moved else ": kept"), (value(now) != value(was)) == moved,
                  "%s -> %s" % (was, now))
            continue
        if code == "U":
            old, new = value(was), value(now)
            check(where + ": UID replaced", is_uid(new) and len(new) == len(old) and new != old, new)
            if label == "kept" and len(old) >= len(ROOT) + 17:
                check(where + ": under the chosen root", new.startswith(ROOT + "."), new)
            continue
        if code in ("X", "Z", "X/Z"):
            check(where + ": blank", empty(vr, now), now)
            continue
        if code in ("D", "Z/D", "X/D", "X/Z/D"):
            check(where + ": a dummy", value(now) != value(was) and value(was) not in value(now), now)
            continue
    raw = open(copy, "rb").read()
    for v in IDENTIFYING:
        if keep_dates and v == "20230514":
            continue
        check(name + ": no trace of " + v, v.encode() not in raw)


for label in ["key1", "key2", "random", "kept"]:
    out = runs[label][0]
    for src, copy in COPIES.items():
        check_copy(label, os.path.join(tree, src), os.path.join(out, copy), label == "kept")


def uid_of(path, tag, depth=0):
    """The value of the last element with this tag at this depth."""
    found = None
    for d, t, vr, text, _ in elements(path)[0]:
        if t == tag and d == depth:
            found = value(text)
    return found


o1 = runs["key1"][0]
a, b, c = (os.path.join(o1, n) for n in ("A_anon.dcm", "B_anon.dcm", "C_anon.dcm"))
check("one study keeps one UID across files", uid_of(a, (0x0020, 0x000D)) == uid_of(b, (0x0020, 0x000D)))
check("and one series UID", uid_of(a, (0x0020, 0x000E)) == uid_of(b, (0x0020, 0x000E)))
check("another study another UID", uid_of(a, (0x0020, 0x000D)) != uid_of(c, (0x0020, 0x000D)))
check("a reference follows the referenced file", uid_of(b, (0x0008, 0x1155), 2) == uid_of(a, (0x0008, 0x0018)))
check("meta and data set agree", uid_of(a, (0x0002, 0x0003)) == uid_of(a, (0x0008, 0x0018)))
check("one patient, one date shift", uid_of(a, (0x0008, 0x0020)) == uid_of(b, (0x0008, 0x0020)))
for n in COPIES.values():
    same = open(os.path.join(o1, n), "rb").read() == open(os.path.join(runs["key1again"][0], n), "rb").read()
    check("same key, same copy: " + n, same)
for label in ["key2", "random"]:
    check("%s gives other UIDs" % label,
          uid_of(a, (0x0020, 0x000D)) != uid_of(os.path.join(runs[label][0], "A_anon.dcm"), (0x0020, 0x000D)))

# --- bad input
bad = os.path.join(tmp, "bad")
os.makedirs(bad)
r = run(["dcmconv", "+td", os.path.join(tree, "A.dcm"), os.path.join(bad, "deflated.dcm")])
check("dcmconv wrote a deflated file", r.returncode == 0, r.stderr)
data = open(os.path.join(tree, "A.dcm"), "rb").read()
open(os.path.join(bad, "truncated.dcm"), "wb").write(data[:700])
with open(os.path.join(tmp, "deep.txt"), "w") as f:
    f.write("(0008,0016) UI =CTImageStorage\n(0008,0018) UI [1.2.3.4]\n")
    f.write("\n".join(nested(0, 65)) + "\n")
r = run(["dump2dcm", "+te", os.path.join(tmp, "deep.txt"), os.path.join(bad, "deep.dcm")])
check("dump2dcm wrote 65 nested sequences", r.returncode == 0, r.stderr)
open(os.path.join(bad, "text.dcm"), "w").write("plain text, no DICOM at all\n" * 10)
bad_before = hashlib.md5(b"".join(open(os.path.join(bad, n), "rb").read() for n in sorted(os.listdir(bad)))).digest()
out = os.path.join(tmp, "out-bad")
os.makedirs(out)
r = run([VELTOR, "anonymize", "--profile", "basic", "--out", out] +
        [os.path.join(bad, n) for n in ("deflated.dcm", "truncated.dcm", "deep.dcm", "text.dcm")])
check("bad inputs: exit 1", r.returncode == 1, r.stderr)
for n, why in [("deflated.dcm", "Deflated data set"), ("truncated.dcm", "runs past the end of the file"),
               ("deep.dcm", "nested too deep"), ("text.dcm", "neither a DICOM preamble nor a data set")]:
    check("bad input %s refused with a reason" % n, re.search(re.escape(n) + ".*" + why, r.stderr) is not None,
          r.stderr)
check("bad inputs: no copy, no leftover", os.listdir(out) == [], str(os.listdir(out)))
check("bad inputs untouched",
      hashlib.md5(b"".join(open(os.path.join(bad, n), "rb").read() for n in sorted(os.listdir(bad)))).digest()
      == bad_before)

out = os.path.join(tmp, "out-nokey")
r = anonymize(out, "--key", os.path.join(tmp, "missing.key"))
check("missing key file: exit 1", r.returncode == 1)
check("missing key file: named", "missing.key" in r.stderr and "nothing was written" in r.stderr, r.stderr)
check("missing key file: no copy", os.listdir(out) == [])
r = run([VELTOR, "anonymize", "--key", key1, "--profile", "none", tree])
check("--key without the profile is a usage error", r.returncode == 2, r.stderr)
r = run([VELTOR, "anonymize", "--profile", "basic", "--uid-root", "1.02.3", tree])
check("a bad root is a usage error", r.returncode == 2 and "not a UID root" in r.stderr, r.stderr)
r = run([VELTOR, "anonymize", "--help"])
check("help lists the profile's options",
      all(o in r.stdout for o in ("--profile basic", "--uid-root ROOT", "--key FILE", "--keep-dates")))

shutil.rmtree(tmp)
print("%d passed, %d failed" % (PASSED[0], len(FAILED)))
sys.exit(1 if FAILED else 0)
