#!/usr/bin/env bash
# veltor's command line: usage, version, dump output and failures.
set -u
veltor=$1; data=$2; fixtures=$3
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
# A settings file of our own: the user's stored choices must not leak in.
export VELTOR_SETTINGS="$tmp/no-settings.ini"
passed=0; failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}

"$veltor" --version > "$tmp/version"; rc=$?
check "version exits 0" test $rc -eq 0
check "version text" grep -qx "Veltor Dicom Viewer 4.0.1" "$tmp/version"

"$veltor" --help > "$tmp/help"; check "help mentions dump" grep -q "dump" "$tmp/help"
"$veltor" dump --help > "$tmp/dhelp"; check "dump help" grep -q -- "--header-only" "$tmp/dhelp"
"$veltor" > /dev/null 2>&1; check "no command is a usage error" test $? -eq 2
"$veltor" dump --bogus x > /dev/null 2>&1; check "unknown option is a usage error" test $? -eq 2

"$veltor" dump "$data/sample_ct.dcm" > "$tmp/dump"; rc=$?
check "dump exits 0" test $rc -eq 0
check "dump lists the patient" grep -q '^0x0010, 0x0010  Patient'"'"'s Name  *PN  *10  "QUILL^ADA "$' "$tmp/dump"
check "dump shows numbers for US" grep -q '^0x0028, 0x0010  Rows  *US  *2  256$' "$tmp/dump"
check "dump lists the pixel data" grep -q '^0x7fe0, 0x0010  Frame Data  *OW  *131072  "Frame Data"$' "$tmp/dump"

"$veltor" dump --header-only "$data/sample_ct.dcm" > "$tmp/hdr"
check "header-only stops before the pixels" bash -c "! grep -q '^0x7fe0' '$tmp/hdr'"
check "header-only keeps the rest" test "$(wc -l < "$tmp/hdr")" -eq "$(( $(wc -l < "$tmp/dump") - 1 ))"

"$veltor" dump --nested "$fixtures/nested_evle.dcm" > "$tmp/nested"
check "nested children are indented" grep -q '^      0x0010, 0x0010  Patient' "$tmp/nested"

printf 'plain text, certainly not an image file at all, just words and more words............................................................................................\n' > "$tmp/text.txt"
"$veltor" dump "$data/sample_ct.dcm" "$tmp/missing.dcm" "$tmp/text.txt" > "$tmp/mixed" 2> "$tmp/err"; rc=$?
check "any failure gives exit 1" test $rc -eq 1
check "missing file message" grep -qx "$tmp/missing.dcm: File not fount" "$tmp/err"
check "not DICOM message" grep -qx "$tmp/text.txt: Unsupported Dicom file format: not a DICOM file: no DICM marker and no data set at its start" "$tmp/err"
check "good files still listed" grep -qx "# $data/sample_ct.dcm" "$tmp/mixed"

"$veltor" info "$data/sample_ct.dcm" "$fixtures/rgb8_rle.dcm" > "$tmp/info"; rc=$?
check "info exits 0" test $rc -eq 0
check "info of the sample" grep -q "sample_ct.dcm: 256x256 frames=1 samples=1 bits=16/16 photometric=MONOCHROME2 compression=NONE window=40/400 rescale=1/-1024" "$tmp/info"
check "info shows the file's windows and the one used" grep -q "sample_ct.dcm: .* file-windows=40/400,400/1500 used=40/400" "$tmp/info"
"$veltor" info --window 10,0 "$data/sample_ct.dcm" > /dev/null 2>&1; check "info refuses a window of width 0" test $? -eq 2
check "info of an RLE file" grep -q "rgb8_rle.dcm: 8x8 frames=1 samples=3 bits=8/8 photometric=RGB compression=RLE" "$tmp/info"
"$veltor" info "$tmp/text.txt" > /dev/null 2>&1; check "info failure exit 1" test $? -eq 1

mkdir -p "$tmp/series"; cp "$fixtures/nested_evle.dcm" "$fixtures/nested_ivle.dcm" "$fixtures/rgb8.dcm" "$tmp/series/"
"$veltor" series "$tmp/series" > "$tmp/groups"; rc=$?
check "series exits 0" test $rc -eq 0
check "series groups the two copies" grep -q "^0001: ROE^JANE, , 20230101, CT (2 files)$" "$tmp/groups"
check "series keeps the other image apart" grep -q "^0002: .*(1 file)$" "$tmp/groups"
"$veltor" series --keys Bogus "$tmp/series" > /dev/null 2>&1; check "unknown key is a usage error" test $? -eq 2

echo "$passed passed, $failed failed"
test $failed -eq 0
