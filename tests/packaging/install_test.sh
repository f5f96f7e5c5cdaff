#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop and a
# terminal find there: the program, its menu entry, its icons, its manual page
# and its read-me text.
# Usage: install_test.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate man; do
  command -v "$tool" >/dev/null || fail "$tool is missing; scripts/install-deps.sh installs it"
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr

# The program, and its answers on a terminal without a display.
program=$root/bin/pelmor
[[ -x $program ]] || fail "no executable at bin/pelmor"
version=$(sed -n 's/^project(Pelmor VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[[ $(env -u DISPLAY "$program" --version) == "pelmor $version" ]] || fail "--version does not say pelmor $version"
help=$(env -u DISPLAY "$program" --help)
for option in --emulated --all-buses --pec --help --version; do
  grep -q -e "$option" <<<"$help" || fail "--help does not name $option"
done
status=0
env -u DISPLAY "$program" --no-such-option >/dev/null 2>"$stage/usage" || status=$?
[[ $status == 2 ]] || fail "an unknown option gave status $status, not 2"
grep -q '^Usage:' "$stage/usage" || fail "an unknown option printed no usage on standard error"

# The installed program starts its window on the emulated rig and keeps running
# until stopped.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$program" --emulated 2>"$stage/errors" || status=$?
[[ $status == 124 ]] || fail "pelmor --emulated ended with status $status: $(cat "$stage/errors")"

# The menu entry.
entry=$root/share/applications/pelmor.desktop
[[ -f $entry ]] || fail "no desktop entry at share/applications/pelmor.desktop"
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[[ -z $report ]] || fail "desktop-file-validate: $report"
value() { sed -n "/^\[Desktop Entry\]/,/^\[/s/^$1=//p" "$entry"; }
[[ $(value Name) == Pelmor ]] || fail "Name is not Pelmor"
[[ $(value GenericName) == "Smart Battery Tester" ]] || fail "GenericName is not Smart Battery Tester"
[[ $(value Exec) == pelmor ]] || fail "Exec is not pelmor"
[[ -n $(value Comment) ]] || fail "no Comment"
[[ $(value Categories) == *Development\;* ]] || fail "Categories lacks Development"
grep -qx 'Exec=pelmor --emulated' "$entry" || fail "no action starting the emulated rig"

# The icon the entry names, at every size of the hicolor theme from 16 to 256.
icon=$(value Icon)
[[ -n $icon && $icon != */* ]] || fail "Icon is not a theme icon name: '$icon'"
png_size() { # width and height from the PNG header
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*2^24+$2*2^16+$3*2^8+$4, $5*2^24+$6*2^16+$7*2^8+$8 }'
}
for size in 16 22 24 32 48 64 128 256; do
  file=$root/share/icons/hicolor/${size}x${size}/apps/$icon.png
  [[ -f $file ]] || fail "no icon $icon at ${size}x${size}"
  [[ $(head -c 8 "$file" | od -An -tx1 | tr -d ' ') == 89504e470d0a1a0a ]] || fail "$file is no PNG"
  [[ $(png_size "$file") == "${size}x${size}" ]] || fail "$file is $(png_size "$file")"
done

# The manual page renders without warnings and names every option.
page=$root/share/man/man1/pelmor.1.gz
[[ -f $page ]] || fail "no manual page at share/man/man1/pelmor.1.gz"
text=$(MANWIDTH=80 MAN_KEEP_FORMATTING= man --warnings -l "$page" 2>"$stage/man-warnings" | col -b)
[[ ! -s $stage/man-warnings ]] || fail "man: $(cat "$stage/man-warnings")"
grep -q '^NAME' <<<"$text" || fail "the manual page has no NAME section"
for option in --emulated --all-buses --pec --help --version; do
  grep -q -e "$option" <<<"$text" || fail "the manual page does not name $option"
done

# The read-me viewer's text, where the installed program looks for it.
cmp -s "$source/README.TXT" "$root/share/pelmor/README.TXT" ||
  fail "README.TXT is not installed in share/pelmor"

echo "install layout: program, desktop entry, icons, manual page and README.TXT in place"
