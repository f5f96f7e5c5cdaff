#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built with lintian (installed
# here when missing, as only this check needs it). Fails on any error; prints
# warnings and information tags for the record.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v lintian >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q lintian
fi
debs=(pelmor_*.deb)
[[ -f ${debs[0]} ]] || { echo "No pelmor_*.deb here; run scripts/package.sh first." >&2; exit 1; }
lintian --info --display-info --pedantic --fail-on error "${debs[@]}"
echo "lintian: no errors in ${debs[*]}"
