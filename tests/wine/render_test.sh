#!/usr/bin/env bash
# shellcheck disable=SC2086
# render_test.sh WINDOWS_RENDER LINUX_RENDER WORK: orvanta-render.exe under Wine
# against the Linux orvanta-render: the same pictures, counts, refusals, PNG
# views and film frames, straight from the points (strips past the framebuffer's
# limit too) and through the render loop.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 3 ] && [ -x "$2" ] || fail "usage: render_test.sh WINDOWS_RENDER LINUX_RENDER WORK (build the release preset first)"
wine_environment "${WINEPREFIX:?WINEPREFIX is not set}"
rm -rf "$3" && mkdir -p "$3" && cd "$3"
trap 'stop_wine' EXIT
pictures() { ls | grep -E "^${name//%d/[0-9]+}-$1\.png$" | sed "s/-$1\.png$//"; }
# Each row run by both: the same exit code, refusal and counts (less the time),
# and the same files, each of the same header, texts and pixels. A film's NAME
# holds its number pattern; from-view has each read the view of deep's Linux PNG.
while read -r name options; do
  linux_code=0 windows_code=0
  "$2" --stats $options "$name-linux.png" 2>&1 | grep -v '^seconds:' >"$name-linux.txt" || linux_code=$?
  wine "$1" --stats $options "$name-windows.png" 2>&1 | tr -d '\r' | grep -v '^seconds:' >"$name-windows.txt" || windows_code=$?
  [ "$linux_code" -eq "$windows_code" ] && diff "$name-linux.txt" "$name-windows.txt" &&
    [ "$(pictures linux)" = "$(pictures windows)" ] || fail "$name ($options)"
  for png in $(pictures linux); do same_png "$png-linux.png" "$png-windows.png" || fail "$png.png ($options)"; done
done <<ROWS
deep --size 256x192 --center -0.743643887037151,0.13182590420533 --height 0.00001 --iterations 3000 --threads 2
coloured --size 333x217 --center 0.28,0.01 --height 0.05 --iterations 500 --invert --rgb 5 --color-factor 40 --start-level 7
preview --size 640x480 --start-level 5 --passes 2
progressive --size 333x217 --center 0.28,0.01 --height 0.05 --iterations 500 --invert --rgb 5 --progressive --threads 3
tall --size 17x300 --center -1.25,0 --height 0.3 --iterations 64
wide-strip --size 70000x3 --center -0.7436,0.1318 --height 1e-6 --iterations 700 --rgb 5 --invert --threads 3
tall-strip --size 3x70000 --center -0.7436,0.1318 --height 0.03 --iterations 700 --threads 2
from-view --size 8x8 --height 9 --view deep-linux.png
film%d --size 64x48 --center -0.7436,0.1318 --height 0.01 --iterations 500 --frames 3 --zoom-per-frame 0.5 --frame-range 1:3
bad-size --size 0x10
loop-too-large --size 16385x8 --progressive
no-threads --threads 0
ROWS
echo "the Windows and Linux orvanta-render agree"
