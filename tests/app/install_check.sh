#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# both programs and their manual pages, a valid desktop entry, the icon in the
# theme's sizes, and a DICOM file type that the MIME database recognises by
# content (a DICOM file without the .dcm extension).
set -euo pipefail
build=$1
sample=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null 2>&1
fail() { echo "install check: $*" >&2; exit 1; }
for p in veltor veltor-viewer; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p missing"
  grep -q '^\.SH DESCRIPTION' "$prefix/share/man/man1/$p.1" || fail "man page of $p missing"
done
# every command that `veltor --help` lists has its section in veltor.1
commands=$("$prefix/bin/veltor" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z]*\) .*/\1/p')
[ -n "$commands" ] || fail "veltor --help lists no commands"
for c in $commands; do
  grep -q "^\.SS $c\$" "$prefix/share/man/man1/veltor.1" || fail "veltor.1 lacks the section of $c"
done
for s in 16 22 24 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${s}x${s}/apps/veltor-viewer.png" ] || fail "icon ${s}x${s} missing"
done
[ -s "$prefix/share/icons/hicolor/scalable/apps/veltor-viewer.svg" ] || fail "scalable icon missing"
desktop-file-validate "$prefix/share/applications/veltor-viewer.desktop" || fail "desktop entry invalid"
[ -s "$prefix/share/mime/packages/veltor-dicom.xml" ] || fail "MIME package missing"
update-mime-database "$prefix/share/mime"
cp "$sample" "$prefix/scan"
export XDG_DATA_DIRS="$prefix/share" XDG_DATA_HOME="$prefix/no-user-data"
type=$(xdg-mime query filetype "$prefix/scan")
[ "$type" = application/dicom ] || fail "xdg-mime says $type"
# and the viewer is the program that opens it
if command -v update-desktop-database >/dev/null; then
  handler=$(xdg-mime query default application/dicom)
  [ "$handler" = veltor-viewer.desktop ] || fail "xdg-mime opens DICOM files with '$handler'"
fi
if command -v gio >/dev/null; then
  # gio reads only the database under XDG_DATA_DIRS: our entry alone
  type=$(gio info -a standard::content-type "$prefix/scan" | sed -n 's/.*content-type: //p')
  [ "$type" = application/dicom ] || fail "gio says $type"
fi
echo "install check: ok"
