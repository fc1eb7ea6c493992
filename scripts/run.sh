#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts the tool on the demo
# instance: the stand-in SQL Server serves demo company databases on this
# machine as the named instance ".\VEZ", which the tool's default server box
# names, so one click on "Bağlan" connects. The tool runs in demo/ (its
# settings file and workbooks are written there); the demo databases live in
# demo/data and are written once, on the first run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-packages.sh"
bash "$root/scripts/build.sh" yorsabat yorsabat-standin

program="$root/build/shell/yorsabat"
standin="$root/build/standin/yorsabat-standin"
demo="$root/demo"
mkdir -p "$demo"
if [[ ! -d "$demo/data" ]]; then
  echo "run: writing the demo databases into $demo/data"
  "$standin" --data "$demo/data" --seed-demo
fi

# The stand-in answers the SQL Server Browser's question on UDP 1434 (a
# privileged port: run as root), so ".\VEZ" finds its TCP port. Without that
# answer the settings file is pointed at the port directly.
log="$demo/standin.log"
listen=(--port 0 --browser-port 1434)
[[ $(id -u) -eq 0 ]] || listen=(--port 14330)
coproc STANDIN { exec "$standin" --data "$demo/data" "${listen[@]}" 2>"$log"; }
standin_pid=$STANDIN_PID
exec {standin_out}<&"${STANDIN[0]}" # a copy that background jobs may read
trap 'kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true' EXIT
# It says "listening on ADDR:PORT" once it takes connections.
line=""
while [[ $line != "listening on "* ]]; do
  if ! read -r -t 10 line <&"$standin_out"; then
    echo "run: the stand-in server did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
done
port="${line##*:}"
cat <&"$standin_out" >>"$log" & # keep its output flowing
echo "run: stand-in SQL Server $line (instance VEZ, login sa / vqx)"
if [[ $(id -u) -ne 0 && ! -f "$demo/Yorsabat.INI" ]]; then
  printf '[MSSQL]\r\nSunucu=127.0.0.1,%s\r\n' "$port" > "$demo/Yorsabat.INI"
  chmod 600 "$demo/Yorsabat.INI"
fi

cd "$demo"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  "$program"
else
  echo "run: no display found; starting the tool on a virtual display (xvfb-run -a)."
  echo "run: it runs there unseen until it is ended (Ctrl+C)."
  xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
fi
