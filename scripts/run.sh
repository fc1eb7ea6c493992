#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts the tool in the
# current directory (its settings file and workbooks are written there).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-packages.sh"
bash "$root/scripts/build.sh" yorsabat

program="$root/build/shell/yorsabat"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$program"
fi
echo "run: no display found; starting the tool on a virtual display (xvfb-run -a)."
echo "run: it runs there unseen until it is ended (Ctrl+C)."
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
