#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its control data
# and that it holds exactly the files that an install holds.
# Usage: package_test.sh <build folder>
set -euo pipefail
build=$1

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || fail "$tool is missing; scripts/install-deps.sh installs it"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/package/pelmor_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || fail "cpack made no pelmor_*.deb: $(cat "$work/cpack.log")"
deb=${debs[0]}

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == pelmor ]] || fail "Package is $(field Package)"
[[ "pelmor $(field Version)" == "$(env -u DISPLAY "$build/app/pelmor" --version)" ]] ||
  fail "Version $(field Version) is not the program's"
[[ -n $(field Maintainer) ]] || fail "no Maintainer"
[[ $(field Section) == electronics ]] || fail "Section is $(field Section)"
depends=$(field Depends)
# The libraries (the chart module's and libmosquitto, loaded on demand,
# among them), and the fonts without which the window's labels are cut off.
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libmosquitto1 libc6 libstdc++6 \
  fonts-liberation; do
  grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
# The tools of the README's checklist for a missing adapter.
[[ $(field Suggests) == "i2c-tools, usbutils" ]] || fail "Suggests is '$(field Suggests)'"

info=$(dpkg-deb --info "$deb")
grep -q '^ Depends: .*libqt6widgets6' <<<"$info" || fail "dpkg-deb --info shows no Qt dependency"

# Its files (and links) are those of an install to /usr.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
(cd "$work/stage" && find . ! -type d | sed 's|^\.||' | sort) >"$work/installed"
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\.||' | sort >"$work/packaged"
diff -u "$work/installed" "$work/packaged" >"$work/difference" ||
  fail "the package's files differ from the install's: $(cat "$work/difference")"

echo "package: $(basename "$deb"), Depends: $depends"
