#!/usr/bin/env bash
# CPU used by the desktop program while a finished picture waits for input:
# orvanta in Xvfb, given time to finish, then its CPU time over five seconds.
#   desktop_idle.sh ORVANTA
set -euo pipefail
orvanta=$1
number_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $orvanta_pid $xvfb_pid 2>/dev/null; rm -f "$number_file"' EXIT
until [ -s "$number_file" ]; do sleep 0.1; done
display=":$(tr -d '\n' <"$number_file")"
DISPLAY=$display "$orvanta" >/dev/null 2>&1 &
orvanta_pid=$!
sleep 8  # far longer than the default picture takes
ticks() { awk '{print $14 + $15}' "/proc/$orvanta_pid/stat"; }
before=$(ticks)
sleep 5
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "idle CPU over 5 s: %.2f%% (%d ticks)\n", 100 * t / hz / 5, t }'
