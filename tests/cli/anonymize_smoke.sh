#!/usr/bin/env bash
# veltor anonymize and dump --anonymized on the DCMTK-made fixtures.
set -u
veltor=$1; fixtures=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
# A settings file of our own: the user's stored choices must not leak in.
export VELTOR_SETTINGS="$tmp/no-settings.ini"
passed=0; failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
holds() { grep -aq -- "$2" "$1"; }
lacks() { ! grep -aq -- "$2" "$1"; }
have_dcmdump=0; command -v dcmdump > /dev/null && have_dcmdump=1

mkdir -p "$tmp/src/sub" "$tmp/out"
cp "$fixtures/anon_evle.dcm" "$fixtures/anon_evbe.dcm" "$tmp/src/"
cp "$fixtures/anon_ivle.dcm" "$tmp/src/sub/"
before=$(cat "$tmp"/src/anon_evle.dcm "$tmp"/src/anon_evbe.dcm "$tmp"/src/sub/anon_ivle.dcm | md5sum)

# usage
"$veltor" anonymize --help > "$tmp/help"; check "help lists the option keys" grep -q "InsttutionName" "$tmp/help"
"$veltor" --help | grep -q anonymize; check "main help names the command" test $? -eq 0
"$veltor" anonymize > /dev/null 2>&1; check "no input is a usage error" test $? -eq 2
"$veltor" anonymize --keep Nonsense "$tmp/src/anon_evle.dcm" > /dev/null 2>&1; check "unknown key is a usage error" test $? -eq 2
"$veltor" anonymize --no-suffix "$tmp/src/anon_evle.dcm" > /dev/null 2>&1; check "--no-suffix needs --out" test $? -eq 2
"$veltor" anonymize --out "$tmp/nowhere" "$tmp/src/anon_evle.dcm" > /dev/null 2>&1; check "missing --out folder fails" test $? -eq 1

# into a folder, as the benchmark calls it
printf '%s\n' "$tmp/src/anon_evle.dcm" "$tmp/src/anon_evbe.dcm" > "$tmp/list"
xargs -d "\n" -a "$tmp/list" "$veltor" anonymize --out "$tmp/out" > "$tmp/stdout" 2> "$tmp/stderr"; rc=$?
check "anonymize exits 0" test $rc -eq 0
check "each copy is printed" test "$(cut -f1 "$tmp/stdout")" = "$(printf '%s\n' "$tmp/out/anon_evle_anon.dcm" "$tmp/out/anon_evbe_anon.dcm")"
check "with what was changed" grep -q "anon_evle_anon.dcm	[0-9]* values blanked$" "$tmp/stdout"
check "never a removed value" bash -c "! grep -q 'DOE' '$tmp/stdout'"
check "copy has the source's size" test "$(stat -c %s "$tmp/out/anon_evle_anon.dcm")" -eq "$(stat -c %s "$tmp/src/anon_evle.dcm")"
check "patient name gone" lacks "$tmp/out/anon_evle_anon.dcm" "DOE^JOHNATHN"
check "nested name gone" lacks "$tmp/out/anon_evbe_anon.dcm" "DEEPLY^NESTED"
check "nested patient ID gone" lacks "$tmp/out/anon_evbe_anon.dcm" "NESTEDID"
check "private PN gone" lacks "$tmp/out/anon_evle_anon.dcm" "PRIVATE^PERSON"
check "private LO kept" holds "$tmp/out/anon_evle_anon.dcm" "private text"
check "burned-in warning per file" test "$(grep -c "burned-in annotation flag" "$tmp/stderr")" -eq 2
check "no critical warning by default" bash -c "! grep -q 'critical fields' '$tmp/stderr'"
check "only the copies in the folder" test "$(ls -A "$tmp/out" | wc -l)" -eq 2
if [ $have_dcmdump -eq 1 ]; then
    dcmdump +P 0010,0010 +P 0008,0020 +P 0008,0080 "$tmp/out/anon_evbe_anon.dcm" > "$tmp/dd" 2>&1
    check "dcmdump reads the copy" grep -q "StudyDate" "$tmp/dd"
    check "dcmdump: study date kept" grep -q "\[20240229\]" "$tmp/dd"
    check "dcmdump: name blank" bash -c "! grep -q 'DOE' '$tmp/dd'"
    check "dcmdump: institution blank" bash -c "! grep -q 'ELSEWHERE' '$tmp/dd'"
fi

# choices for this run
"$veltor" anonymize --out "$tmp/out" --no-suffix --keep PatientsName,studyid --no-private-pn \
    "$tmp/src/anon_evle.dcm" "$tmp/src/sub/anon_ivle.dcm" > /dev/null 2> "$tmp/stderr"; rc=$?
check "kept values run exits 0" test $rc -eq 0
check "critical warning once" test "$(grep -c "critical fields" "$tmp/stderr")" -eq 1
check "kept name stays" holds "$tmp/out/anon_evle.dcm" "DOE^JOHNATHN"
check "kept study id stays" holds "$tmp/out/anon_evle.dcm" "STUDY-11"
check "private PN kept on request" holds "$tmp/out/anon_evle.dcm" "PRIVATE^PERSON"
check "others still gone" lacks "$tmp/out/anon_evle.dcm" "SAINT ELSEWHERE"

# safety
"$veltor" anonymize --out "$tmp/src" --no-suffix "$tmp/src/anon_evle.dcm" > /dev/null 2> "$tmp/stderr"; rc=$?
check "target equal to source refused" test $rc -eq 1
check "refusal names the file" grep -q "anon_evle.dcm: File not created! (the target is the source file)" "$tmp/stderr"
mkdir -p "$tmp/other"; cp "$fixtures/anon_evle.dcm" "$tmp/other/"
"$veltor" anonymize --out "$tmp/out" "$tmp/src/anon_evle.dcm" "$tmp/other/anon_evle.dcm" > "$tmp/stdout" 2> "$tmp/stderr"; rc=$?
check "same name twice fails" test $rc -eq 1
check "second copy of a name not written" test "$(wc -l < "$tmp/stdout")" -eq 1
check "same name twice explained" grep -q "already written in this run" "$tmp/stderr"
printf 'just text, not an image, long enough to pass any size test at all ......................................................................\n' > "$tmp/text.dcm"
"$veltor" anonymize --out "$tmp/out" "$tmp/text.dcm" "$tmp/missing.dcm" > /dev/null 2> "$tmp/stderr"; rc=$?
check "bad inputs give exit 1" test $rc -eq 1
check "not DICOM reported" grep -q "text.dcm: " "$tmp/stderr"
check "missing file reported" grep -q "missing.dcm: File not found!" "$tmp/stderr"
check "no copy of bad inputs" test ! -e "$tmp/out/text_anon.dcm"

# beside the sources, over a tree
"$veltor" anonymize --recursive "$tmp/src" > "$tmp/stdout" 2> /dev/null; rc=$?
check "tree run exits 0" test $rc -eq 0
check "copies beside sources" test -f "$tmp/src/anon_evle_anon.dcm" -a -f "$tmp/src/sub/anon_ivle_anon.dcm"
check "three copies listed" test "$(wc -l < "$tmp/stdout")" -eq 3
echo keep > "$tmp/marker"; cp "$tmp/marker" "$tmp/src/anon_evbe_anon.dcm"
"$veltor" anonymize --no-overwrite "$tmp/src" > "$tmp/stdout" 2> "$tmp/stderr"; rc=$?
check "no-overwrite run exits 0" test $rc -eq 0
check "existing copy kept" cmp -s "$tmp/marker" "$tmp/src/anon_evbe_anon.dcm"
check "skip reported" grep -q "anon_evbe_anon.dcm: exists; skipped" "$tmp/stderr"
check "second run anonymizes the copies again" test -f "$tmp/src/anon_evle_anon_anon.dcm"
check "sources untouched" test "$(cat "$tmp"/src/anon_evle.dcm "$tmp"/src/anon_evbe.dcm "$tmp"/src/sub/anon_ivle.dcm | md5sum)" = "$before"
check "no temporary files left" test -z "$(find "$tmp" -name '.veltor-anon-*')"

# dump as exports show it
"$veltor" dump --header-only "$tmp/src/anon_evle.dcm" > "$tmp/plain"
"$veltor" dump --header-only --anonymized "$tmp/src/anon_evle.dcm" > "$tmp/anonymized"
check "plain dump shows the name" grep -q '^0x0010, 0x0010  .*"DOE^JOHNATHN"$' "$tmp/plain"
check "anonymized dump empties it" grep -q '^0x0010, 0x0010  Patient.s Name  *PN  *12  ""$' "$tmp/anonymized"
check "anonymized dump keeps the study date" grep -q '"20240229"' "$tmp/anonymized"
check "anonymized dump keeps private names" grep -q '"PRIVATE^PERSON"' "$tmp/anonymized"
check "same rows either way" test "$(wc -l < "$tmp/plain")" -eq "$(wc -l < "$tmp/anonymized")"

# The choices stored by the desktop application apply to the command line.
mkdir -p "$tmp/stored"
printf '[Veltor%%20Dicom%%20Viewer]\nAnonymizing%%20Options\\PatientsName=0\n' > "$tmp/settings.ini"
VELTOR_SETTINGS="$tmp/settings.ini" "$veltor" anonymize --out "$tmp/stored" "$tmp/src/anon_evle.dcm" > /dev/null 2>&1
check "a stored choice keeps the name" holds "$tmp/stored/anon_evle_anon.dcm" "DOE^JOHNATHN"
check "a stored choice warns about critical fields" bash -c "VELTOR_SETTINGS='$tmp/settings.ini' '$veltor' anonymize --out '$tmp/stored' --overwrite '$tmp/src/anon_evle.dcm' 2>&1 >/dev/null | grep -q 'critical fields'"

echo "$passed passed, $failed failed"
test $failed -eq 0
