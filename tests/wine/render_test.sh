#!/usr/bin/env bash
# render_test.sh WINDOWS_RENDER LINUX_RENDER WORK: orvanta-render.exe under Wine
# against the Linux orvanta-render: the same pictures pixel for pixel, the same
# counts, the same view files byte for byte, the same refusals.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 3 ] && [ -x "$2" ] || fail "usage: render_test.sh WINDOWS_RENDER LINUX_RENDER WORK (build the release preset first)"
windows_render="$1" linux_render="$2" work="$3"
wine_environment "${WINEPREFIX:?WINEPREFIX is not set}"
rm -rf "$work"
mkdir -p "$work"
trap 'stop_wine' EXIT
failures=0
# Windows ends its lines with CR LF; the counts are compared without the time taken.
unix_text() { tr -d '\r' <"$1" | grep -v '^seconds:' || true; }

# Each row: a name, then the options of a render, a saved view or a refusal.
while read -r name options; do
  linux="$work/$name-linux" windows="$work/$name-windows" linux_code=0 windows_code=0
  # shellcheck disable=SC2086
  "$linux_render" --stats $options "$linux.png" >"$linux.txt" 2>&1 || linux_code=$?
  # shellcheck disable=SC2086
  wine "$windows_render" --stats $options "$windows.png" >"$windows.txt" 2>&1 || windows_code=$?
  if [ "$linux_code" -ne "$windows_code" ] || ! diff <(unix_text "$linux.txt") <(unix_text "$windows.txt"); then
    echo "FAIL: $name: exit codes $linux_code and $windows_code or the output differ ($options)"; failures=$((failures + 1))
  elif [ "$linux_code" -eq 0 ] && [ "$(differing_pixels "$linux.png" "$windows.png")" != "0" ]; then
    echo "FAIL: $name: the pictures differ ($options)"; failures=$((failures + 1))
  else
    echo "ok: $name (exit code $linux_code)"
  fi
done <<ROWS
default --size 320x240
deep --size 256x192 --center -0.743643887037151,0.13182590420533 --height 0.00001 --iterations 3000
coloured --size 333x217 --center 0.28,0.01 --height 0.05 --iterations 500 --invert --rgb 5 --color-factor 40 --start-level 7
preview --size 640x480 --start-level 5 --passes 2
tall --size 17x300 --center -1.25,0 --height 0.3 --iterations 64 --rgb 2 --color-factor 90
bad-size --size 0x10
bad-view --view $work/missing.kqz
ROWS

# A view written by each is the same file, and each reads the other's.
"$linux_render" --center -1.5,0.25 --height 0.125 --iterations 77 --size 8x8 --save-view "$work/linux.kqz" "$work/l.png"
wine "$windows_render" --view "$work/linux.kqz" --save-view "$work/windows.kqz" --size 64x48 "$work/from-linux.png"
"$linux_render" --view "$work/windows.kqz" --size 64x48 "$work/from-windows.png"
if ! cmp "$work/linux.kqz" "$work/windows.kqz" || [ "$(differing_pixels "$work/from-windows.png" "$work/from-linux.png")" != "0" ]; then
  echo "FAIL: the view files differ or render differently"; failures=$((failures + 1))
fi
echo "$failures failed"
[ "$failures" -eq 0 ]
