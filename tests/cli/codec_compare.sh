#!/usr/bin/env bash
# `veltor extract` against the reference decoders: every codec fixture is
# decoded by DCMTK or GDCM into an uncompressed file at test time, and the
# samples must be byte for byte the same (within 1 for lossy data), and the
# same as the uncompressed source for lossless data.
set -u
veltor=$1; fixtures=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
passed=0; failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
# within NAME A B BYTES TOLERANCE: same length, every sample within TOLERANCE.
within() {
    /usr/bin/python3 - "$2" "$3" "$4" "$5" <<'PY'
import sys
a, b = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
n, tol = int(sys.argv[3]), int(sys.argv[4])
if len(a) != len(b) or not a:
    sys.exit(1)
worst = 0
for i in range(0, len(a), n):
    x = int.from_bytes(a[i:i + n], "little", signed=n > 1)
    y = int.from_bytes(b[i:i + n], "little", signed=n > 1)
    worst = max(worst, abs(x - y))
sys.exit(0 if worst <= tol else 1)
PY
}
extract() { # FILE OUT: every frame
    "$veltor" extract --all --out "$2" "$1" 2> "$2.layout"
}
reference() { # TOOL FILE: the uncompressed copy, as extracted samples
    local tool=$1 file=$2 name; name=$(basename "$file" .dcm)
    case $tool in
        dcmdjpls) dcmdjpls "$file" "$tmp/$name.ref.dcm" ;;
        dcmdrle) dcmdrle "$file" "$tmp/$name.ref.dcm" ;;
        dcmdjpeg) dcmdjpeg "$file" "$tmp/$name.ref.dcm" ;;
        dcmconv) dcmconv +te "$file" "$tmp/$name.ref.dcm" ;;
        gdcmconv) gdcmconv --raw "$file" "$tmp/$name.ref.dcm" ;;
    esac || return 1
    extract "$tmp/$name.ref.dcm" "$tmp/$name.ref.raw"
}

for name in ct16 rgb8 grey12; do extract "$fixtures/$name.dcm" "$tmp/$name.raw"; done
check "source layout" grep -qx "rows=48 columns=64 samples=1 bits=16 photometric=MONOCHROME2 frames=2 bytes=12288" "$tmp/ct16.raw.layout"

# name, reference decoder, uncompressed source (or -), tolerance
while read -r name tool source tolerance; do
    file="$fixtures/$name.dcm"
    extract "$file" "$tmp/$name.raw"; rc=$?
    check "$name: extract exits 0" test $rc -eq 0
    bytes=1; grep -q "bits=16" "$tmp/$name.raw.layout" && bytes=2
    if command -v "$tool" > /dev/null && reference "$tool" "$file"; then
        if [ "$tolerance" = 0 ]; then
            check "$name: same samples as $tool" cmp -s "$tmp/$name.raw" "$tmp/$name.ref.raw"
        else
            check "$name: within $tolerance of $tool" within "$name" "$tmp/$name.raw" "$tmp/$name.ref.raw" $bytes "$tolerance"
        fi
    elif command -v "$tool" > /dev/null; then
        check "$name: $tool decodes it" false
    fi
    if [ "$source" != - ]; then
        head -c "$(stat -c %s "$tmp/$name.raw")" "$tmp/$source.raw" > "$tmp/$name.source"
        check "$name: same samples as $source" cmp -s "$tmp/$name.raw" "$tmp/$name.source"
    fi
done <<'LIST'
jls_ct16 dcmdjpls ct16 0
jls_rgb8_line dcmdjpls rgb8 0
jls_rgb8_sample dcmdjpls rgb8 0
jls_rgb8_none dcmdjpls rgb8 0
jls_ct16_fragments dcmdjpls ct16 0
jls_rgb8_fragments_table dcmdjpls rgb8 0
jls_grey12_near dcmdjpls - 0
j2k_ct16 gdcmconv ct16 0
j2k_rgb8 gdcmconv rgb8 0
j2k_grey12_lossy gdcmconv - 1
j2k_rgb8_lossy gdcmconv - 1
jpll_rgb8 dcmdjpeg rgb8 0
jpll_ct16_sv6 dcmdjpeg ct16 0
jpeg_grey10_extended dcmdjpeg - 1
jpeg_rgb8_progressive dcmdjpeg - 1
rle_ct16 dcmdrle ct16 0
rle_rgb8 dcmdrle rgb8 0
deflate_ct16 dcmconv ct16 0
htj2k_grey12 - grey12 0
htj2k_rgb8 - rgb8 0
jls_ct16_extended_offsets - ct16 0
LIST

# Near-lossless stays near the source.
check "jls_grey12_near: within 3 of the source" within near "$tmp/jls_grey12_near.raw" "$tmp/grey12.raw" 2 3
# HTJ2K lossy: within 1 of OpenJPH's own decoding.
extract "$fixtures/htj2k_rgb8_lossy.dcm" "$tmp/htj2k_rgb8_lossy.raw"
check "htj2k_rgb8_lossy: within 1 of OpenJPH" within htj "$tmp/htj2k_rgb8_lossy.raw" "$fixtures/htj2k_rgb8_lossy.raw" 1 1
check "htj2k lossy layout is RGB" grep -q "photometric=RGB frames=1" "$tmp/htj2k_rgb8_lossy.raw.layout"

# One frame at a time, and frames that are not there.
"$veltor" extract --frame 2 "$fixtures/jls_ct16.dcm" > "$tmp/f2.raw" 2> /dev/null
tail -c 6144 "$tmp/ct16.raw" > "$tmp/ct16_f2.raw"
check "frame 2 alone" cmp -s "$tmp/f2.raw" "$tmp/ct16_f2.raw"
"$veltor" extract --frame 3 "$fixtures/jls_ct16.dcm" > /dev/null 2> "$tmp/err"; rc=$?
check "frame 3 of 2: exit 1" test $rc -eq 1
check "frame 3 of 2: said" grep -q "no frame 3 (the file has 2)" "$tmp/err"
"$veltor" extract --frame 0 "$fixtures/jls_ct16.dcm" > /dev/null 2>&1
check "frame 0: usage error" test $? -eq 2
"$veltor" extract --all --frame 1 "$fixtures/jls_ct16.dcm" > /dev/null 2>&1
check "--all with --frame: usage error" test $? -eq 2

# Objects without pixel data: info says so and succeeds, convert skips them.
sr="$fixtures/report_sr.dcm"
"$veltor" info "$sr" > "$tmp/info" 2>&1; rc=$?
check "report: info exits 0" test $rc -eq 0
check "report: no pixel data" grep -qx "$sr: no pixel data" "$tmp/info"
mkdir -p "$tmp/conv"
"$veltor" convert --verbose --out "$tmp/conv" "$sr" "$fixtures/rle_ct16.dcm" > /dev/null 2> "$tmp/conv.err"; rc=$?
check "report: convert exits 0" test $rc -eq 0
check "report: convert names it" grep -q "report_sr.dcm: no pixel data; skipped" "$tmp/conv.err"
check "report: the image beside it converted" test -f "$tmp/conv/rle_ct16_dcm_0001.tif"
"$veltor" extract "$sr" > /dev/null 2> "$tmp/err"; rc=$?
check "report: nothing to extract" test $rc -eq 1
check "report: extract says why" grep -qx "$sr: no pixel data" "$tmp/err"

echo "$passed passed, $failed failed"
test $failed -eq 0
