#!/usr/bin/env bash
# render_test.sh WINDOWS_RENDER LINUX_RENDER WORK: orvanta-render.exe, the
# portable core cross-built for Windows and run under Wine, against the Linux
# orvanta-render: the same pictures pixel for pixel, the same counts of points
# and iterations, the same view files byte for byte, the same refusals.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

[ $# -eq 3 ] || fail "usage: render_test.sh WINDOWS_RENDER LINUX_RENDER WORK"
windows_render="$1" linux_render="$2" work="$3"
[ -x "$linux_render" ] || fail "no Linux orvanta-render at $linux_render (build the release preset first)"
wine_environment "${WINEPREFIX:?WINEPREFIX is not set}"
rm -rf "$work"
mkdir -p "$work"
trap 'stop_wine' EXIT

failures=0 passes=0
check() { if "$@"; then passes=$((passes + 1)); else failures=$((failures + 1)); fi; }

# Windows ends its lines with CR LF; the counts are compared without the time taken.
unix_text() { tr -d '\r' <"$1" | grep -v '^seconds:' || true; }

same_render() {
  local name="$1" linux="$work/$1-linux" windows="$work/$1-windows" differing
  shift
  "$linux_render" --stats "$@" "$linux.png" >"$linux.txt"
  wine "$windows_render" --stats "$@" "$windows.png" >"$windows.txt" || { echo "$name: orvanta-render.exe failed: $*"; return 1; }
  differing="$(differing_pixels "$linux.png" "$windows.png" "$work/$name-diff.png")"
  [ "$differing" = "0" ] || { echo "$name: $differing pixels differ ($*)"; return 1; }
  diff <(unix_text "$linux.txt") <(unix_text "$windows.txt") || { echo "$name: the counts differ ($*)"; return 1; }
  echo "$name: same picture and counts ($*)"
  rm -f "$linux".* "$windows".* "$work/$name-diff.png"
}

check same_render default --size 320x240
check same_render deep --size 256x192 --center -0.743643887037151,0.13182590420533 --height 0.00001 --iterations 3000
check same_render coloured --size 300x200 --center -0.5,0.5 --height 1 --iterations 300 --invert --rgb 3 --color-factor 150
check same_render odd --size 333x217 --center 0.28,0.01 --height 0.05 --iterations 500 --rgb 5 --color-factor 40 --start-level 7
check same_render preview --size 640x480 --start-level 5 --passes 2
check same_render tiny --size 1x1 --center -2,0
check same_render tall --size 17x300 --center -1.25,0 --height 0.3 --iterations 64

# A view written by each is the same file, and each reads the other's.
same_view_files() {
  local values=(--center -1.5,0.25 --height 0.125 --iterations 77 --start-level 3 --color-factor 90 --rgb 2 --size 8x8)
  "$linux_render" "${values[@]}" --save-view "$work/linux.kqz" "$work/linux-view.png"
  wine "$windows_render" "${values[@]}" --save-view "$work/windows.kqz" "$work/windows-view.png"
  cmp "$work/linux.kqz" "$work/windows.kqz" || { echo "the saved views differ"; return 1; }
  [ "$(stat -c %s "$work/windows.kqz")" -eq 65 ] || { echo "the Windows view is not 65 bytes"; return 1; }
  "$linux_render" --view "$work/windows.kqz" --size 64x48 "$work/from-windows.png"
  wine "$windows_render" --view "$work/linux.kqz" --size 64x48 "$work/from-linux.png"
  local differing
  differing="$(differing_pixels "$work/from-windows.png" "$work/from-linux.png")"
  [ "$differing" = "0" ] || { echo "the views render differently: $differing pixels"; return 1; }
  echo "view files: the same bytes, read alike"
}
check same_view_files

# The same refusals with the same exit codes and messages.
same_refusal() {
  local linux_code=0 windows_code=0
  "$linux_render" "$@" >/dev/null 2>"$work/refusal-linux.txt" || linux_code=$?
  wine "$windows_render" "$@" >/dev/null 2>"$work/refusal-windows.txt" || windows_code=$?
  if [ "$linux_code" -ne "$windows_code" ] || [ "$linux_code" -eq 0 ] ||
    [ "$(unix_text "$work/refusal-linux.txt")" != "$(unix_text "$work/refusal-windows.txt")" ]; then
    echo "refusal of $*: Linux $linux_code, Windows $windows_code"
    cat "$work/refusal-linux.txt" "$work/refusal-windows.txt"
    return 1
  fi
  echo "refusal of $*: exit code $linux_code, same message"
}
check same_refusal --size 0x10 out.png
check same_refusal --height 1e999 out.png
check same_refusal --view "$work/missing.kqz" out.png

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
