#!/bin/bash
# veltor search on a small tree: matches, the exit statuses and the long form.
set -u
VELTOR=$1
DATA=$(cd "$(dirname "$0")/../../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/sub"
cp "$DATA/sample_ct.dcm" "$work/tree/IM10"
cp "$DATA/sample_ct.dcm" "$work/tree/IM2"
cp "$DATA/sample_ct.dcm" "$work/tree/sub/IM1"
echo "not a DICOM file" > "$work/tree/notes.txt"
fail() { echo "FAIL: $*"; exit 1; }

out=$("$VELTOR" search "$work/tree") || fail "no match in the top folder"
[ "$out" = "$work/tree/IM2
$work/tree/IM10" ] || fail "top folder, natural order: $out"

out=$("$VELTOR" search --recursive "$work/tree" --name '*') || fail "recursive"
[ "$(echo "$out" | wc -l)" = 3 ] || fail "recursive count: $out"

name=$("$VELTOR" search --long "$work/tree/sub" | cut -f2)
[ -n "$name" ] || fail "long form lacks the patient's name"
"$VELTOR" search "$work/tree" --name "$(echo "$name" | tr 'A-Z' 'a-z')" > /dev/null || fail "name in lower case"

"$VELTOR" search "$work/tree" --name 'NOBODY*' > "$work/none"
[ $? = 1 ] || fail "no match must exit 1"
[ -s "$work/none" ] && fail "no match printed paths"
"$VELTOR" search "$work/tree" --from 2004 2> /dev/null
[ $? = 2 ] || fail "a four-digit date is a usage error"
"$VELTOR" search "$work/tree" --bogus 2> /dev/null
[ $? = 2 ] || fail "unknown option"
"$VELTOR" search "$work/missing" 2> /dev/null
[ $? = 1 ] || fail "missing folder"
"$VELTOR" search "$work/tree" --name "$(head -c 100000 /dev/zero | tr '\0' '*')Z" > /dev/null
[ $? = 1 ] || fail "long pattern"
echo "search smoke: ok"
