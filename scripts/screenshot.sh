#!/usr/bin/env bash
# Starts the program under a virtual X display and saves a screenshot of the
# screen as the given PNG (default: docs/main-window.png).
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/main-window.png}
mkdir -p "$(dirname "$output")"
scripts/install-deps.sh screenshots
command -v import >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q imagemagick
build_dir=$(scripts/build.sh | tail -n 1)
xvfb-run -a -s "-screen 0 1024x640x24" bash -c "
  $build_dir/app/pelmor --emulated & pid=\$!
  sleep 2
  import -window root png:- | convert - -trim +repage '$output'
  kill \$pid"
echo "$output"
