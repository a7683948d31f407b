#!/usr/bin/env bash
# End-to-end tests of the desktop program in a real X server: Xvfb, driven
# with xdotool, pictures taken with ImageMagick and compared pixel for pixel
# with orvanta-render's; a failing step keeps its screenshots. e2e.sh ORVANTA ORVANTA_RENDER WORKDIR
set -uo pipefail
source "$(dirname "$0")/../wine/lib.sh"

orvanta=$1 RENDER=$2 work=$3
rm -rf "$work"
mkdir -p "$work/home" "$work/failures"
export HOME=$work/home XDG_RUNTIME_DIR=$work/home LC_ALL=C
PICTURE_TIMEOUT=60 failures=0 passes=0

picture_failed() {
  echo "FAIL: $step: $*"
  failures=$((failures + 1))
  cp "$work"/*.png "$work/failures/" 2>/dev/null
  import -window root "$work/failures/${step// /_}-screen.png" 2>/dev/null
}
passed() { echo "ok: $step"; passes=$((passes + 1)); }

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_id "$1")" ]; }
focus_window() {
  local id
  until_true "$PICTURE_TIMEOUT" has_window "$1" || { picture_failed "no window $1"; return 1; }
  id=$(window_id "$1")
  xdotool windowfocus --sync "$id"
}
capture() { import -window "$client" "png:$1" 2>/dev/null; }
geometry() { xwininfo -id "$1" | awk '/Relative upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print w, h, y}'; }
# The client area is the main window's larger child (the other is the menu bar).
find_client() {
  main=$(window_id Orvanta)
  client=$(xwininfo -id "$main" -children | awk '/^ +0x/ {print $1}' | while read -r id; do
    geometry "$id" | awk -v id="$id" '{print $1 * $2, id}'
  done | sort -n | tail -n 1 | cut -d' ' -f2)
  read -r CLIENT_W CLIENT_H CLIENT_Y < <(geometry "$client")
}
# Whether the client area reaches the main window's right and bottom edges exactly.
fills_frame() {
  read -r MAIN_W MAIN_H _ < <(geometry "$main")
  read -r CLIENT_W CLIENT_H CLIENT_Y < <(geometry "$client")
  [ "$CLIENT_W" = "$MAIN_W" ] && [ $((CLIENT_Y + CLIENT_H)) = "$MAIN_H" ]
}
# VIEW is the centre as the program holds it, y downwards; a right click at
# x y moves it there with the program's arithmetic (the view is 4 high).
recentre() {
  VIEW=$(awk -v v="$VIEW" -v x="$1" -v y="$2" -v W="$CLIENT_W" -v H="$CLIENT_H" 'BEGIN {
    split(v, c, " "); w = 4 * (W / H)
    printf "%.17g %.17g", (c[1] - w * 0.5) + (x / W) * w, (c[2] - 4 * 0.5) + (y / H) * 4 }')
}
view_center() { awk -v v="$VIEW" 'BEGIN { split(v, c, " "); printf "%.17g,%.17g", c[1], -c[2] }'; }
picture() { expect_picture shot "$@"; }
key() { xdotool windowfocus --sync "$main" 2>/dev/null; xdotool mousemove 300 300 key "$@"; }

start_xvfb 1024x700
trap 'kill $orvanta_pid 2>/dev/null; stop_xvfb' EXIT
"$orvanta" >"$work/orvanta.log" 2>&1 &
orvanta_pid=$!

step="the window opens and shows orvanta-render's picture"
focus_window Orvanta || exit 1
find_client
picture && passed
step="Insert zooms in"
key Insert; picture --height 3.6 && passed

step="the Edit dialog takes typed values"
key alt+e
if focus_window "Edit Drawing Values"; then
  xdotool key ctrl+a type -- "-0.75"
  xdotool key Tab Tab Tab ctrl+a type "0.5"
  xdotool key Return
  until_true "$PICTURE_TIMEOUT" eval '! has_window "Edit Drawing Values"' && picture --center -0.75,0 --height 0.5 && passed
fi

step="Save As writes the view file"
"$RENDER" --size 1x1 --center -0.75,-0 --height 0.5 --iterations 1024 --save-view "$work/expected.kqz" "$work/unused.png"
key alt+f a
if focus_window "Save As"; then
  xdotool type "$work/view"; xdotool key Return
  until_true "$PICTURE_TIMEOUT" test -s "$work/view.KQZ"
  if cmp -s "$work/view.KQZ" "$work/expected.kqz"; then passed; else picture_failed "view file: $(od -An -tx1 "$work/view.KQZ" 2>&1 | tr -d '\n')"; fi
fi

step="New, then Open restores the view"
key n alt+f o
if focus_window "Open"; then
  xdotool type "$work/view.KQZ"; xdotool key Return
  picture --center -0.75,0 --height 0.5 && passed
fi

step="closing an unchanged view asks Quit now? and OK ends the program"
key alt+f x
if focus_window Orvanta; then
  xdotool key Return
  until_true "$PICTURE_TIMEOUT" eval '! kill -0 "$orvanta_pid" 2>/dev/null'
  if wait "$orvanta_pid"; then passed; else picture_failed "exit code $?"; fi
fi

# Scaled by Qt, the client area still has one picture pixel per device pixel
# at every window size, and clicks land on the device pixel aimed at.
for scale in 1.5 2; do
  step="at scale $scale the window opens"
  QT_SCALE_FACTOR=$scale "$orvanta" >"$work/orvanta-$scale.log" 2>&1 &
  orvanta_pid=$!
  focus_window Orvanta || continue
  find_client
  VIEW="0 0"
  for size in 777x555 1001x601 640x480; do
    step="at scale $scale a ${size} client area fills the window and shows orvanta-render's picture"
    xdotool windowsize "$main" "${size%x*}" $((${size#*x} + CLIENT_Y))
    until_true 20 fills_frame || { picture_failed "client ${CLIENT_W}x$CLIENT_H+$CLIENT_Y in ${MAIN_W}x$MAIN_H"; continue; }
    picture --center "$(view_center)" && passed
    step="at scale $scale a right click in the ${size} client area re-centres on the pixel aimed at"
    x=$((CLIENT_W / 3 | 1)) y=$((CLIENT_H / 4 | 1))
    xdotool mousemove --window "$client" "$x" "$y" click 3
    recentre "$x" "$y"
    picture --center "$(view_center)" && passed
  done
  kill "$orvanta_pid"; wait "$orvanta_pid" 2>/dev/null
done

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
