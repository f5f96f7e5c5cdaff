#!/usr/bin/env bash
# Starts the program on the emulated rig under a virtual X display, presses
# Read Data, then opens each decoder dialog from its button and saves a
# screenshot of it as docs/decoder-<name>.png (or into the given folder).
set -euo pipefail
cd "$(dirname "$0")/.."

# Runs inside the virtual display: the script calls itself there.
take_shots() {
  local pelmor=$1 out=$2
  # No window manager runs, so the shots show the client areas without title
  # bars: the title-bar buttons are the window manager's choice (Qt asks for a
  # title with none; openbox, for one, draws them all the same).
  "$pelmor" --emulated &
  local pid=$!
  trap 'kill $pid 2>/dev/null || true' RETURN
  local main
  main=$(xdotool search --sync --onlyvisible --name 'Pelmor$' | head -n 1)
  sleep 1
  # Places in the 623 x 409 client area (app/MainFormLayout.cpp); the menu bar
  # sits above it, so its height is the window's height less 409.
  local height menu
  height=$(xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p')
  menu=$((height - 409))
  click() { xdotool mousemove --window "$main" "$1" $(($2 + menu)) click 1; }

  click 148 324 # Read Data
  sleep 6       # one pass over the 33 rows, about 100 ms each, and the link closing

  # button centre x, y in the client area; dialog caption; file name
  local shots=(
    "202 71|Battery Mode|battery-mode"
    "538 87|Battery Status|battery-status"
    "538 151|Specification Info|version-and-scaling"
    "538 167|Manufacture Date|manufacture-date"
    "554 337|Manufacturer Data|manufacturer-data"
  )
  local shot place caption name dialog
  for shot in "${shots[@]}"; do
    IFS='|' read -r place caption name <<<"$shot"
    # shellcheck disable=SC2086  # place is "x y"
    click $place
    dialog=$(xdotool search --sync --onlyvisible --name "^$caption\$" | head -n 1)
    sleep 1
    import -window "$dialog" "$out/decoder-$name.png"
    xdotool key Escape
    while xdotool search --onlyvisible --name "^$caption\$" >/dev/null; do sleep 0.2; done
    echo "$out/decoder-$name.png"
  done
}
if [[ "${1:-}" == --inside ]]; then
  take_shots "$2" "$3"
  exit 0
fi

out_dir=${1:-docs}
mkdir -p "$out_dir"
scripts/install-deps.sh screenshots
missing=()
command -v import >/dev/null || missing+=(imagemagick)
command -v xdotool >/dev/null || missing+=(xdotool)
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi
build_dir=$(scripts/build.sh | tail -n 1)
xvfb-run -a -s "-screen 0 1024x640x24" "$0" --inside "$build_dir/app/pelmor" "$out_dir"
