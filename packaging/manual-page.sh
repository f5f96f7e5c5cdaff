#!/usr/bin/env bash
# Writes the manual page from the program's own --help texts, so that every
# option, command and exit status the program knows is in the page:
#   manual-page.sh <pelmor executable> <page template> <page to write>
# The template holds the prose; these lines in it are replaced:
#   @VERSION@      the version that --version prints
#   @SYNOPSIS@     the usage lines of the program and of each command
#   @OPTIONS@      the options of `pelmor --help`
#   @COMMANDS@     one subsection a command of `pelmor --help`, from its own --help
#   @EXIT_STATUS@  the exit statuses of the window and of the commands
set -euo pipefail
pelmor=$1 template=$2 output=$3

# The help texts need no display; the program's own name stands for its path.
help_of() {
  env -u DISPLAY -u WAYLAND_DISPLAY "$pelmor" "$@" --help | sed "1s|^Usage: [^ ]*|Usage: pelmor|"
}

# Escapes text for roff: backslashes, hyphens (so that options render as the
# characters typed), and a leading dot or quote.
escape() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^[.']/\\\\\&&/"
}

# The entries of one section of a help text ("Options:"), one a line as
# term, a tab, and the description with its continuation lines joined.
entries() {
  awk -v section="$1" '
    /^[^ ].*:$/ { inside = ($0 == section); next }
    /^$/ { inside = 0 }
    !inside { next }
    /^  [^ ]/ {
      if (term != "") print term "\t" text
      line = substr($0, 3)
      split_at = match(line, /  +/)
      if (split_at) { term = substr(line, 1, split_at - 1); text = substr(line, split_at + RLENGTH) }
      else { term = line; text = "" }
      next
    }
    { sub(/^ +/, ""); text = text " " $0 }
    END { if (term != "") print term "\t" text }'
}

# The description: the lines between the usage line and the first section.
description() {
  awk 'NR == 1 { next } /^$/ { exit } { print }'
}

# A term as roff: option names bold, <VALUE> italic.
term_roff() {
  escape | sed -E -e 's/(\\-\\-?[A-Za-z0-9][A-Za-z0-9\\-]*)/\\fB\1\\fR/g' \
    -e 's/<([^>]*)>/\\fI\1\\fR/g'
}

# Tagged paragraphs from entries(); the terms listed in $1 (one a line) are left out.
tagged() {
  local skip=${1:-}
  while IFS=$'\t' read -r term text; do
    grep -qxF -e "$term" <<<"$skip" && continue
    printf '.TP\n%s\n%s\n' "$(term_roff <<<"$term")" "$(escape <<<"$text")"
  done
}

# A usage line as roff: the program and command bold, placeholders italic.
usage_roff() {
  local command=$1
  sed -n '1s/^Usage: pelmor //p' | escape |
    sed -E -e "s/^((\\[options\\] )?)$command ?/\\1/" -e 's/options/\\fIoptions\\fR/' \
      -e 's/\b([A-Z][A-Z=]*[A-Z])\b/\\fI\1\\fR/g' |
    sed "1i .B pelmor${command:+ $command}"
}

main_help=$(help_of)
mapfile -t commands < <(entries "Commands:" <<<"$main_help" | cut -f1)
declare -A command_help
for command in "${commands[@]}"; do command_help[$command]=$(help_of "$command"); done

synopsis() {
  usage_roff "" <<<"$main_help"
  for command in "${commands[@]}"; do
    echo ".br"
    usage_roff "$command" <<<"${command_help[$command]}"
  done
  printf '.br\n.B pelmor\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n'
}

command_sections() {
  for command in "${commands[@]}"; do
    local help=${command_help[$command]}
    printf '.SS "pelmor %s"\n' "$command"
    description <<<"$help" | escape
    echo ".PP"
    echo "Options:"
    entries "Options:" <<<"$help" | tagged
    if [[ -n $(entries "Arguments:" <<<"$help" | grep -v -P "^$command\t") ]]; then
      echo ".PP"
      echo "Arguments:"
      entries "Arguments:" <<<"$help" | tagged "$command"
    fi
  done
}

# The window's statuses, then each table the commands print, naming the
# commands that share it.
exit_statuses() {
  echo "The window:"
  entries "Exit status:" <<<"$main_help" | tagged
  local -A sharing=()
  local -a tables=()
  for command in "${commands[@]}"; do
    local table
    table=$(entries "Exit status:" <<<"${command_help[$command]}")
    [[ -n ${sharing[$table]:-} ]] || tables+=("$table")
    sharing[$table]+="${sharing[$table]:+, }\\fBpelmor $command\\fR"
  done
  for table in "${tables[@]}"; do
    printf '.PP\n%s:\n' "${sharing[$table]}"
    tagged <<<"$table"
  done
}

version=$(env -u DISPLAY "$pelmor" --version | sed 's/^pelmor //')
{
  while IFS= read -r line; do
    case $line in
      @SYNOPSIS@) synopsis ;;
      @OPTIONS@) entries "Options:" <<<"$main_help" | tagged ;;
      @COMMANDS@) command_sections ;;
      @EXIT_STATUS@) exit_statuses ;;
      *) printf '%s\n' "${line//@VERSION@/$version}" ;;
    esac
  done <"$template"
} >"$output.new"
mv "$output.new" "$output"
