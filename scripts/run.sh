#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pelmor on the emulated rig.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build_dir=$(scripts/build.sh | tail -n 1)

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No desktop session found (DISPLAY is not set); start Pelmor from a desktop terminal." >&2
  exit 1
fi
# Installing needs root; the program itself runs as the user who called sudo.
if [[ -n "${SUDO_USER:-}" && "$SUDO_USER" != root ]]; then
  exec sudo -u "$SUDO_USER" --preserve-env=DISPLAY,WAYLAND_DISPLAY,XAUTHORITY,XDG_RUNTIME_DIR \
    "$build_dir/app/pelmor" --emulated
fi
exec "$build_dir/app/pelmor" --emulated
