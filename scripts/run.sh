#!/usr/bin/env bash
# Starts Pelmor's window on the emulated rig: checks for a display, installs
# what building and running need (no test tools), builds with its progress
# shown, and starts the program as the user who called sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

# Whether the display named by WAYLAND_DISPLAY or DISPLAY accepts a client:
# a Wayland socket, a local X socket, or an X server over TCP (ssh -X).
display_answers() {
  if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
    local socket=$WAYLAND_DISPLAY
    [[ $socket == /* ]] || socket=${XDG_RUNTIME_DIR:-/run/user/$(id -u "${SUDO_USER:-$USER}")}/$socket
    [[ -S $socket ]] && return 0
  fi
  [[ ${DISPLAY:-} =~ ^([^:]*):([0-9]+) ]] || return 1
  local host=${BASH_REMATCH[1]} number=${BASH_REMATCH[2]}
  if [[ -z $host || $host == unix ]]; then
    [[ -S /tmp/.X11-unix/X$number ]]
  else
    (exec 3<>"/dev/tcp/$host/$((6000 + number))") 2>/dev/null
  fi
}

if ! display_answers; then
  if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
    why="DISPLAY and WAYLAND_DISPLAY are not set"
  else
    why="the display ${WAYLAND_DISPLAY:-${DISPLAY}} does not answer"
  fi
  cat >&2 <<MESSAGE
No display for Pelmor's window ($why).
Run scripts/run.sh from a terminal of your desktop session, or over SSH with
X forwarding (ssh -X; sudo keeps DISPLAY and XAUTHORITY).
Without a window the commands work anywhere, after a build:
  sudo scripts/install-deps.sh run && scripts/build.sh
  build/app/pelmor read --emulated
MESSAGE
  exit 1
fi

scripts/install-deps.sh run
echo "Building into build/ (the first build takes some minutes)..."
build_dir=$(scripts/build.sh)
# Installing needs root; the program itself runs as the user who called sudo.
if [[ -n "${SUDO_USER:-}" && "$SUDO_USER" != root ]]; then
  exec sudo -u "$SUDO_USER" --preserve-env=DISPLAY,WAYLAND_DISPLAY,XAUTHORITY,XDG_RUNTIME_DIR \
    "$build_dir/app/pelmor" --emulated
fi
exec "$build_dir/app/pelmor" --emulated
