#!/usr/bin/env bash
# shellcheck disable=SC2086
# render_test.sh WINDOWS_RENDER LINUX_RENDER WORK: orvanta-render.exe under Wine
# against the Linux orvanta-render: the same pictures, counts, refusals and PNG
# views, straight from the points (strips past the framebuffer's limit too) and
# through the render loop.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 3 ] && [ -x "$2" ] || fail "usage: render_test.sh WINDOWS_RENDER LINUX_RENDER WORK (build the release preset first)"
wine_environment "${WINEPREFIX:?WINEPREFIX is not set}"
rm -rf "$3" && mkdir -p "$3" && cd "$3"
trap 'stop_wine' EXIT
failures=0
# Each row run by both: the same picture, counts (less the time), exit code and refusal.
while read -r name options; do
  linux_code=0 windows_code=0
  "$2" --stats $options "$name-linux.png" 2>&1 | grep -v '^seconds:' >"$name-linux.txt" || linux_code=$?
  wine "$1" --stats $options "$name-windows.png" 2>&1 | tr -d '\r' | grep -v '^seconds:' >"$name-windows.txt" || windows_code=$?
  if [ "$linux_code" -ne "$windows_code" ] || ! diff "$name-linux.txt" "$name-windows.txt" ||
    { [ -f "$name-linux.png" ] && ! same_pixels "$name-linux.png" "$name-windows.png"; }; then
    echo "FAIL: $name ($options)"; failures=$((failures + 1))
  fi
done <<ROWS
deep --size 256x192 --center -0.743643887037151,0.13182590420533 --height 0.00001 --iterations 3000 --threads 2
coloured --size 333x217 --center 0.28,0.01 --height 0.05 --iterations 500 --invert --rgb 5 --color-factor 40 --start-level 7
preview --size 640x480 --start-level 5 --passes 2
progressive --size 333x217 --center 0.28,0.01 --height 0.05 --iterations 500 --invert --rgb 5 --progressive --threads 3
tall --size 17x300 --center -1.25,0 --height 0.3 --iterations 64
wide-strip --size 70000x3 --center -0.7436,0.1318 --height 1e-6 --iterations 700 --rgb 5 --invert --threads 3
tall-strip --size 3x70000 --center -0.7436,0.1318 --height 0.03 --iterations 700 --threads 2
bad-size --size 0x10
loop-too-large --size 16385x8 --progressive
no-threads --threads 0
ROWS
# Each takes the view the other's PNG carries, the same texts, and paints the same picture.
"$2" --size 8x8 --center -1.5,0.25 --height 0.125 --iterations 77 --rgb 2 linux-view.png
wine "$1" --size 8x8 --center -1.5,0.25 --height 0.125 --iterations 77 --rgb 2 windows-view.png
wine "$1" --size 8x8 --view linux-view.png windows-from-png.png
"$2" --size 8x8 --view windows-view.png linux-from-png.png
for png in windows-view windows-from-png linux-from-png; do
  same_pixels linux-view.png $png.png && [ "$(png_texts linux-view.png)" = "$(png_texts $png.png)" ] ||
    { echo "FAIL: $png.png differs from linux-view.png"; failures=$((failures + 1)); }
done
# A short film's frames 1 and 2, the same pictures, views and names.
film="--size 64x48 --center -0.7436,0.1318 --height 0.01 --iterations 500 --frames 3 --zoom-per-frame 0.5 --frame-range 1:3"
"$2" $film linux-film%d.png && wine "$1" $film windows-film%d.png || { echo "FAIL: a film"; failures=$((failures + 1)); }
for k in 1 2; do
  same_pixels linux-film$k.png windows-film$k.png && [ "$(png_texts linux-film$k.png)" = "$(png_texts windows-film$k.png)" ] ||
    { echo "FAIL: film frame $k differs"; failures=$((failures + 1)); }
done
[ ! -e windows-film0.png ] || { echo "FAIL: frame 0 is outside the range"; failures=$((failures + 1)); }
echo "$failures failed"
[ "$failures" -eq 0 ]
