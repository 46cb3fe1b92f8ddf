#!/usr/bin/env bash
# veltor convert on the fixtures: the benchmark's calling form, names, layouts
# read back by independent readers (Pillow, DCMTK's dcmj2pnm), multi-frame
# numbering, directories, overwrite choices and bad input.
set -u
veltor=$1; data=$2; fixtures=$3
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
passed=0; failed=0
check() { # name, command...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
size_is() { test "$(stat -c %s "$1")" -eq "$2"; }
py=/usr/bin/python3
have_pil=0; $py -c "import PIL, numpy" 2> /dev/null && have_pil=1

ct=$data/sample_ct.dcm
rgb=$fixtures/rgb8.dcm
mkdir -p "$tmp/out" "$tmp/src/sub"

# usage
"$veltor" convert --help > "$tmp/help"; check "help names the formats" grep -q "tiff|jpeg|bmp|raw" "$tmp/help"
"$veltor" --help | grep -q convert; check "main help names the command" test $? -eq 0
"$veltor" convert > /dev/null 2>&1; check "no input is a usage error" test $? -eq 2
"$veltor" convert --format png "$ct" > /dev/null 2>&1; check "unknown format is a usage error" test $? -eq 2
"$veltor" convert --window 40 "$ct" > /dev/null 2>&1; check "a window without width is a usage error" test $? -eq 2
"$veltor" convert --quality 0 "$ct" > /dev/null 2>&1; check "quality 0 is a usage error" test $? -eq 2
"$veltor" convert --out > /dev/null 2>&1; check "--out without a value is a usage error" test $? -eq 2
"$veltor" convert --out "$tmp/nowhere" "$ct" > /dev/null 2> "$tmp/err"; rc=$?
check "missing --out folder fails" test $rc -eq 1
check "missing --out folder is named" grep -q "nowhere: not a directory" "$tmp/err"
"$veltor" convert --out "$ct" "$ct" > /dev/null 2>&1; check "a file as --out fails" test $? -eq 1

# as the benchmark calls it: a list through xargs, one process
printf '%s\n' "$ct" "$rgb" "$fixtures/nested_jpll_sv1.dcm" "$fixtures/rgb8_rle.dcm" > "$tmp/list"
for f in tiff bmp jpeg raw; do
    xargs -d "\n" -a "$tmp/list" "$veltor" convert --format $f --out "$tmp/out" > "$tmp/stdout" 2> "$tmp/stderr"
    check "$f: exit 0" test $? -eq 0
    check "$f: each converted file printed" cmp -s "$tmp/stdout" "$tmp/list"
    check "$f: summary" grep -q "4 of 4 files converted, 4 images written" "$tmp/stderr"
done
check "one file per source and format" test "$(ls "$tmp/out" | wc -l)" -eq 16
check "grey TIFF: 170 + 256 x 256 bytes" size_is "$tmp/out/sample_ct_dcm.tif" $((170 + 65536))
check "RGB TIFF: 188 + 3 x 8 x 8 bytes" size_is "$tmp/out/rgb8_dcm.tif" $((188 + 192))
check "grey BMP: 14 + 40 + 1024 + 256 x 256 bytes" size_is "$tmp/out/sample_ct_dcm.bmp" $((14 + 1064 + 65536))
check "RGB BMP: 14 + 40 + 8 x 24 bytes" size_is "$tmp/out/rgb8_dcm.bmp" $((14 + 40 + 192))
check "grey raw: pixels only" size_is "$tmp/out/sample_ct_dcm.raw" 65536
check "RGB raw: pixels only" size_is "$tmp/out/rgb8_dcm.raw" 192
check "lossless JPEG source" size_is "$tmp/out/nested_jpll_sv1_dcm.raw" 256
check "TIFF starts II*" test "$(head -c 4 "$tmp/out/sample_ct_dcm.tif" | od -An -tx1 | tr -d ' ')" = "49492a00"
check "JPEG starts FFD8" test "$(head -c 2 "$tmp/out/rgb8_dcm.jpg" | od -An -tx1 | tr -d ' ')" = "ffd8"

if [ $have_pil -eq 1 ]; then
    # Pillow reads the TIFF, BMP and JPEG files; TIFF and BMP pixels equal the
    # raw file, JPEG pixels lie close to them on average (the colour fixtures
    # are 8 x 8 patterns with sharp edges, which chroma subsampling blurs).
    $py - "$tmp/out" > "$tmp/pil" 2>&1 <<'EOF'
import sys, numpy as np
from PIL import Image
out = sys.argv[1]
for name, shape in (("sample_ct_dcm", (256, 256)), ("rgb8_dcm", (8, 8, 3)), ("rgb8_rle_dcm", (8, 8, 3))):
    raw = np.fromfile(f"{out}/{name}.raw", np.uint8).reshape(shape).astype(int)
    for ext, tolerance in (("tif", 0), ("bmp", 0), ("jpg", 3 if len(shape) == 2 else 16)):
        im = np.asarray(Image.open(f"{out}/{name}.{ext}").convert("RGB" if len(shape) == 3 else "L")).astype(int)
        error = np.abs(im - raw).mean() if im.shape == raw.shape else 999
        ok = error <= tolerance if ext == "jpg" else error == 0
        print(name, ext, "ok" if ok else f"MISMATCH {im.shape} {error}")
EOF
    check "Pillow reads every file with the raw pixels" test "$(grep -c " ok$" "$tmp/pil")" -eq 9
    grep -v " ok$" "$tmp/pil"
fi
if command -v dcmj2pnm > /dev/null; then
    # DCMTK windows with the same first window (40/400); its formula differs
    # from ours by at most one grey level. Colour is copied exactly.
    dcmj2pnm +Wi 1 +op "$ct" "$tmp/ct.pgm" && dcmj2pnm +op "$rgb" "$tmp/rgb.ppm"
    if [ $have_pil -eq 1 ]; then
        $py - "$tmp" > "$tmp/dcmtk" 2>&1 <<'EOF'
import sys, numpy as np
from PIL import Image
t = sys.argv[1]
ct = np.fromfile(f"{t}/out/sample_ct_dcm.raw", np.uint8).astype(int)
ref = np.asarray(Image.open(f"{t}/ct.pgm")).astype(int).ravel()
rgb = np.fromfile(f"{t}/out/rgb8_dcm.raw", np.uint8).astype(int)
refc = np.asarray(Image.open(f"{t}/rgb.ppm")).astype(int).ravel()
print("ct", np.abs(ct - ref).max(), "rgb", np.abs(rgb - refc).max())
EOF
        check "dcmj2pnm agrees within one level" grep -q "^ct [01] rgb 0$" "$tmp/dcmtk"
    fi
fi

# a multi-frame file: one file per frame, numbered from 0
$py - "$tmp/src/cine.x.dcm" <<'EOF'
import struct, sys
def el(g, e, vr, v):
    if vr in (b"OB", b"OW"):
        return struct.pack("<HH2sHI", g, e, vr, 0, len(v)) + v
    return struct.pack("<HH2sH", g, e, vr, len(v)) + v
ts = b"1.2.840.10008.1.2.1\0"
body = el(2, 1, b"OB", b"\0\1") + el(2, 0x10, b"UI", ts)
image = (el(0x28, 2, b"US", struct.pack("<H", 1)) + el(0x28, 4, b"CS", b"MONOCHROME2 ")
         + el(0x28, 8, b"IS", b"3 ") + el(0x28, 0x10, b"US", struct.pack("<H", 2))
         + el(0x28, 0x11, b"US", struct.pack("<H", 2)) + el(0x28, 0x100, b"US", struct.pack("<H", 8))
         + el(0x28, 0x101, b"US", struct.pack("<H", 8)) + el(0x28, 0x102, b"US", struct.pack("<H", 7))
         + el(0x7FE0, 0x10, b"OB", bytes(range(12))))
open(sys.argv[1], "wb").write(b"\0" * 128 + b"DICM" + body + image)
EOF
"$veltor" convert --format raw --out "$tmp/out" "$tmp/src/cine.x.dcm" > /dev/null 2>&1
check "multi-frame: exit 0" test $? -eq 0
check "multi-frame: frames numbered from 0" test "$(cd "$tmp/out" && ls cine_x_dcm_*.raw | tr '\n' ' ')" = "cine_x_dcm_0000.raw cine_x_dcm_0001.raw cine_x_dcm_0002.raw "
check "multi-frame: third frame" test "$(od -An -tu1 "$tmp/out/cine_x_dcm_0002.raw" | tr -s ' ')" = " 8 9 10 11"

# directories: images beside each source; other files passed over silently
cp "$ct" "$tmp/src/ct.dcm"; cp "$rgb" "$tmp/src/sub/rgb.dcm"; echo "not dicom" > "$tmp/src/notes.txt"
"$veltor" convert "$tmp/src" > "$tmp/stdout" 2> "$tmp/stderr"; rc=$?
check "folder: exit 0" test $rc -eq 0
check "folder: image beside its source" test -f "$tmp/src/ct_dcm.tif"
check "folder: subfolders only with --recursive" test ! -e "$tmp/src/sub/rgb_dcm.tif"
check "folder: non-DICOM file passed over silently" bash -c "! grep -q notes.txt '$tmp/stderr'"
check "folder: no image of the non-DICOM file" test ! -e "$tmp/src/notes_txt.tif"
"$veltor" convert --recursive --verbose --format bmp "$tmp/src" > /dev/null 2> "$tmp/stderr"
check "recursive: subfolder image" test -f "$tmp/src/sub/rgb_dcm.bmp"
check "imglib BMP beside the source is a BMP" test "$(head -c 2 "$tmp/src/sub/rgb_dcm.bmp")" = "BM"

# overwrite choices and name clashes
printf 'old' > "$tmp/out/sample_ct_dcm.raw"
"$veltor" convert --format raw --no-overwrite --out "$tmp/out" "$ct" > /dev/null 2>&1
check "--no-overwrite keeps the existing file" test "$(cat "$tmp/out/sample_ct_dcm.raw")" = "old"
"$veltor" convert --format raw --out "$tmp/out" "$ct" > /dev/null 2>&1
check "overwrite replaces it whole" size_is "$tmp/out/sample_ct_dcm.raw" 65536
"$veltor" convert --format raw --out "$tmp/out" "$ct" "$tmp/src/ct.dcm" "$tmp/src/../src/ct.dcm" > /dev/null 2> "$tmp/stderr"; rc=$?
check "same name twice into one folder fails" test $rc -eq 1
check "same name twice: said so" grep -q "already written in this run" "$tmp/stderr"

# bad input: named files that cannot be converted are reported, the rest converted
"$veltor" convert --format raw --out "$tmp/out" "$tmp/src/notes.txt" "$tmp/missing.dcm" "$rgb" > /dev/null 2> "$tmp/stderr"; rc=$?
check "bad named files: exit 1" test $rc -eq 1
check "bad named files: text file reported" grep -q "notes.txt:" "$tmp/stderr"
check "bad named files: missing file reported" grep -q "missing.dcm:" "$tmp/stderr"
check "bad named files: the good one converted" grep -q "1 of 3 files converted" "$tmp/stderr"
"$veltor" convert --format raw --out "$tmp/out" "$tmp/src/notes.txt" > /dev/null 2>&1
check "nothing converted: exit 1" test $? -eq 1
head -c 700 "$ct" > "$tmp/src/truncated.dcm"
"$veltor" convert --out "$tmp/out" "$tmp/src/truncated.dcm" > /dev/null 2> "$tmp/stderr"; rc=$?
check "truncated file: exit 1, no crash" test $rc -eq 1
"$veltor" convert --out /proc "$ct" > /dev/null 2> "$tmp/stderr"; rc=$?
check "unwritable output: exit 1" test $rc -eq 1
check "unwritable output: File creation error" grep -q "File creation error" "$tmp/stderr"

# HTML pages: the page, its folder with both sets of pictures, CR LF lines
ct2=$fixtures/codecs/ct16.dcm
mkdir -p "$tmp/html"
"$veltor" convert --format html --out "$tmp/html" "$ct2" > /dev/null 2>&1
check "html: exit 0" test $? -eq 0
check "html: page" test -f "$tmp/html/ct16.dcm.html"
check "html: pictures numbered from 1 and from 0" test -f "$tmp/html/ct16.dcm_files/0002.jpg" -a -f "$tmp/html/ct16.dcm_files/ct16.dcm_0001.jpg"
check "html: CR LF line ends" grep -q $'^<HEAD>\r$' "$tmp/html/ct16.dcm.html"
check "html: absolute picture paths" grep -q "<IMG SRC=\"$tmp/html/ct16.dcm_files/0001.jpg\"> <BR> Frame : 0001 <BR>" "$tmp/html/ct16.dcm.html"

# video: a playable AVI, and bad values refused
if command -v ffprobe > /dev/null; then
    "$veltor" video --frame-time 40 --codec mjpeg --size 32x24 "$ct2" "$tmp/v.avi" 2> /dev/null
    check "video: exit 0" test $? -eq 0
    probe=$(ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 "$tmp/v.avi")
    check "video: mjpeg 32x24 at 25 fps, 2 frames ($probe)" test "$probe" = "mjpeg,32,24,25/1,2"
fi
"$veltor" video --fps 1001 "$ct2" "$tmp/x.avi" > /dev/null 2>&1; check "video: 1001 fps refused" test $? -eq 2
"$veltor" video --size 0x10 "$ct2" "$tmp/x.avi" > /dev/null 2>&1; check "video: size 0 refused" test $? -eq 2
"$veltor" video "$ct2" "$tmp/nowhere/x.avi" > /dev/null 2> "$tmp/err"; rc=$?
check "video: missing folder fails" test $rc -eq 1
check "video: missing folder message" grep -q "I can not create file" "$tmp/err"
check "video: nothing left behind" test ! -e "$tmp/x.avi"

echo "convert smoke: $passed passed, $failed failed"
test $failed -eq 0
