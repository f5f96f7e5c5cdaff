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
# Its configuration folder is the test's own, not the user's.
export XDG_CONFIG_HOME=$stage/config
[[ $(env -u DISPLAY "$program" --version) == "pelmor $version" ]] || fail "--version does not say pelmor $version"
help=$(env -u DISPLAY "$program" --help)
for option in --emulated --all-buses --pec --help --version; do
  grep -q -e "$option" <<<"$help" || fail "--help does not name $option"
done
status=0
env -u DISPLAY "$program" --no-such-option >/dev/null 2>"$stage/usage" || status=$?
[[ $status == 2 ]] || fail "an unknown option gave status $status, not 2"
grep -q '^Usage:' "$stage/usage" || fail "an unknown option printed no usage on standard error"

# `pelmor plot` is the chart module's, which the installed program finds in
# the modules' folder beside its own.
env -u DISPLAY "$program" plot --help >/dev/null 2>"$stage/errors" ||
  fail "pelmor plot --help failed: $(cat "$stage/errors")"

# The installed program starts its window on the emulated rig and keeps running
# until stopped; the offscreen platform needs no display.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 3 "$program" --emulated \
  2>"$stage/errors" || status=$?
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

# The manual page renders without warnings and holds every option, command
# and exit status that the program's --help texts show, and what a person
# needs to reach an adapter.
page=$root/share/man/man1/pelmor.1.gz
[[ -f $page ]] || fail "no manual page at share/man/man1/pelmor.1.gz"
text=$(MANWIDTH=250 MAN_KEEP_FORMATTING= man --warnings -l "$page" 2>"$stage/man-warnings" | col -b)
[[ ! -s $stage/man-warnings ]] || fail "man: $(cat "$stage/man-warnings")"
grep -q '^NAME' <<<"$text" || fail "the manual page has no NAME section"
section() { awk -v title="$1" '/^[A-Z]/ { inside = ($0 == title); next } inside' <<<"$text"; }
block() { awk -v title="$1" '$0 == title { inside = 1; next } /^$/ { inside = 0 } inside'; }
commands=$(env -u DISPLAY "$program" --help | block "Commands:" | awk '{ print $1 }')
[[ -n $commands ]] || fail "pelmor --help lists no command"
for command in "" $commands; do
  # shellcheck disable=SC2086  # no command: the window's own --help
  help=$(env -u DISPLAY "$program" $command --help)
  [[ -z $command ]] || grep -qE "^ +pelmor $command$" <<<"$(section COMMANDS)" ||
    fail "the manual page has no section on pelmor $command"
  for option in $(block "Options:" <<<"$help" | grep -oE '^  (-[A-Za-z0-9], )?--[A-Za-z0-9-]+' |
                  tr -d ','); do
    grep -qE -- "(^|[^-A-Za-z0-9])$option([^-A-Za-z0-9]|$)" <<<"$text" ||
      fail "the manual page does not name $option of pelmor $command --help"
  done
  while read -r status first second third _; do
    # A long description wraps, and man justifies its first line with spaces.
    words=$(sed -e 's/[][\.*^$+?(){}|/]/\\&/g' -e 's/ / +/g' <<<"$first $second $third")
    grep -qE "^ +$status +$words" <<<"$(section "EXIT STATUS")" ||
      fail "the manual page's exit statuses lack $status ($first $second $third...) of pelmor $command"
  done < <(block "Exit status:" <<<"$help" | grep -E '^  [0-9]')
done
for status in 0 1 2 3 4; do
  grep -qE "^ +$status +[a-z]" <<<"$(section "EXIT STATUS")" || fail "exit status $status is not in the manual page"
done
for fact in 70-pelmor-i2c.rules "group i2c" "modprobe i2c-dev" "usermod -aG i2c"; do
  grep -qF -- "$fact" <<<"$text" || fail "the manual page does not say: $fact"
done

# The read-me viewer's text, where the installed program looks for it, with
# the checklist for a missing adapter; the full guide beside the copyright.
cmp -s "$source/README.TXT" "$root/share/pelmor/README.TXT" ||
  fail "README.TXT is not installed in share/pelmor"
grep -q '^No adapter listed$' "$root/share/pelmor/README.TXT" ||
  fail "README.TXT has no section \"No adapter listed\""
zcmp -s "$source/README.md" "$root/share/doc/pelmor/README.md.gz" ||
  fail "README.md is not installed as share/doc/pelmor/README.md.gz"

echo "install layout: program, desktop entry, icons, manual page and README.TXT in place"
