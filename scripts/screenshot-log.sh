#!/usr/bin/env bash
# Starts the program under a virtual X display with a window manager, opens a
# log file from the File menu as a person would (pelmorlog.txt in a scratch
# folder), chooses Auto Repeat Continuous, ticks Auto Repeat, presses Read Data,
# and after two passes saves a screenshot of the window with the log open
# (default docs/main-window-log-open.png). The log is then closed from the
# File menu and its header and first two records are kept (default
# docs/pelmorlog-sample.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/main-window-log-open.png}
sample=${2:-docs/pelmorlog-sample.txt}
mkdir -p "$(dirname "$output")" "$(dirname "$sample")"
scripts/install-deps.sh screenshots
for tool in import:imagemagick xdotool:xdotool openbox:openbox; do
  command -v "${tool%%:*}" >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${tool##*:}"
done
build_dir=$(scripts/build.sh | tail -n 1)
top=$PWD
work=$(mktemp -d)
xvfb-run -a -s "-screen 0 1024x640x24" bash -c "
  set -e
  cd '$work'
  openbox & wm=\$!
  '$top/$build_dir/app/pelmor' --emulated & pid=\$!
  window=\$(xdotool search --sync --onlyvisible --name 'Dalvern' | head -n 1)
  sleep 1
  xdotool windowactivate --sync \$window
  xdotool key alt+f; sleep 0.5; xdotool key o; sleep 1.5   # File, Open Log File...
  xdotool key Return; sleep 0.7                            # pelmorlog.txt
  xdotool key alt+o; sleep 0.5; xdotool key Down Return    # Auto Repeat Continuous
  sleep 0.5
  xdotool key Tab Tab space                                # tick Auto Repeat
  xdotool key shift+Tab shift+Tab space                    # Read Data
  sleep 9
  import -window root png:- | convert - -trim +repage '$top/$output'
  xdotool key alt+f; sleep 0.5; xdotool key c; sleep 0.5  # File, Close Log File
  kill \$pid \$wm"
head -n 3 "$work/pelmorlog.txt" > "$sample"
rm -r "$work"
echo "$output"
echo "$sample"
