#!/usr/bin/env bash
# Installs the build from source into a scratch prefix that already holds some
# folders, twice, then uninstalls it and checks that exactly what was there
# before is left: the files and the folders the install made are gone.
# Usage: uninstall_test.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
mkdir -p "$prefix/bin" "$prefix/share/applications"
touch "$prefix/share/applications/other.desktop"
before=$(cd "$scratch" && find . | sort)

# A second install into the same prefix finds every folder there already.
env -u DESTDIR cmake --install "$build" --prefix "$prefix" >/dev/null
env -u DESTDIR cmake --install "$build" --prefix "$prefix" >/dev/null
[[ -x $prefix/bin/pelmor && -f $prefix/share/pelmor/README.TXT ]] || fail "the install wrote no program"

cmake -DRECORDS="$build/install-records" -DPREFIX="$prefix" -P "$source/packaging/Uninstall.cmake" \
  >"$scratch/uninstall.log"
after=$(cd "$scratch" && find . ! -name uninstall.log | sort)
[[ $after == "$before" ]] ||
  fail "the uninstall left: $(diff <(echo "$before") <(echo "$after") | sed -n 's/^> //p' | tr '\n' ' ')"
grep -q "Uninstalled from $prefix: [1-9][0-9]* files and [1-9][0-9]* folders" "$scratch/uninstall.log" ||
  fail "the uninstall did not say what it removed: $(cat "$scratch/uninstall.log")"
! grep -rqsF "prefix $prefix" "$build/install-records" || fail "the install's record was kept"

echo "uninstall: $(sed -n 's/^-- //p' "$scratch/uninstall.log")"
