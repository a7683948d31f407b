#!/usr/bin/env bash
# End-to-end tests of the desktop program in a real X server: Xvfb, driven
# with xdotool, pictures taken with ImageMagick and compared pixel for pixel
# with orvanta-render's. A failing step keeps its screenshots.
#   e2e.sh ORVANTA ORVANTA_RENDER WORKDIR
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
no_window() { ! has_window "$1"; }
wait_for_window() { until_true "$PICTURE_TIMEOUT" has_window "$1" && window_id "$1"; }
wait_for_no_window() { until_true "$PICTURE_TIMEOUT" no_window "$1"; }
# Waits for the window NAME and gives it the keyboard.
focus_window() {
  local id
  id=$(wait_for_window "$1") || { picture_failed "no window $1"; return 1; }
  xdotool windowfocus --sync "$id"
}

# The client area is the main window's larger child (the other is the menu bar).
find_client() {
  client=$(xwininfo -id "$main" -children | awk '/^ +0x/ {print $1}' | while read -r id; do
    xwininfo -id "$id" | awk -v id="$id" '/Width:/ {w=$2} /Height:/ {h=$2} END {print w*h, id}'
  done | sort -n | tail -n 1 | cut -d' ' -f2)
  read -r CLIENT_W CLIENT_H left top < <(xwininfo -id "$client" |
    awk '/Width:/ {w=$2} /Height:/ {h=$2} /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print w, h, x, y}')
}

capture() { import -window "$client" "png:$1" 2>/dev/null; }
picture() { expect_picture shot "$@"; }

# Waits until the picture differs from FILE and holds still.
settled_change() {
  capture "$work/shot-a.png"; sleep 0.3; capture "$work/shot-b.png"
  [ "$(differing_pixels "$work/shot-a.png" "$work/shot-b.png")" = "0" ] && [ "$(differing_pixels "$work/shot-a.png" "$1")" != "0" ]
}

focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null; xdotool mousemove 300 300; }
key() { focus_main; xdotool key "$@"; }

# In the program's own arithmetic: the plane point under pixel X,Y of the default view.
centre_at() {
  awk -v x="$1" -v y="$2" -v w="$CLIENT_W" -v h="$CLIENT_H" 'BEGIN {
    sw = 4 * (w / h); mx = (0 - sw * 0.5) + (x / w) * sw; my = (0 - 4 * 0.5) + (y / h) * 4
    printf "%.17g,%.17g", mx, -my }'
}

start_xvfb 1024x700
trap 'kill $orvanta_pid 2>/dev/null; stop_xvfb' EXIT
"$orvanta" >"$work/orvanta.log" 2>&1 &
orvanta_pid=$!

step="the window opens maximised"
main=$(wait_for_window Orvanta) || { picture_failed "no window"; exit 1; }
passed
find_client
echo "client area ${CLIENT_W}x${CLIENT_H}"

step="the finished picture is orvanta-render's"
picture && passed
capture "$work/default.png"

step="Insert zooms in"
key Insert; picture --height 3.6 && passed
step="N starts a new view"
key n; picture && passed
step="I inverts the colours"
key i; picture --invert && passed; key i; picture
step="Page Up raises the limit"
key Prior; picture --iterations 1040 && passed; key n; picture

step="right click recentres"
focus_main; xdotool mousemove $((left + 200)) $((top + 150)) click 3
picture --center "$(centre_at 200 150)" && passed; key n; picture

step="dragging pans"
focus_main
xdotool mousemove $((left + 300)) $((top + 300)) mousedown 1 mousemove $((left + 340)) $((top + 320)) \
  mousemove $((left + 360)) $((top + 330)) mouseup 1
if until_true "$PICTURE_TIMEOUT" settled_change "$work/default.png"; then passed; else picture_failed "the picture did not change"; fi
key n; picture

step="the Edit dialog takes typed values"
key alt+e
if focus_window "Edit Drawing Values"; then
  xdotool key ctrl+a type -- "-0.75"
  xdotool key Tab Tab Tab ctrl+a type "0.5"
  xdotool key Return
  wait_for_no_window "Edit Drawing Values" && picture --center -0.75,0 --height 0.5 && passed
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
key n; picture
key alt+f o
if focus_window "Open"; then
  xdotool type "$work/view.KQZ"; xdotool key Return
  picture --center -0.75,0 --height 0.5 && passed
fi

step="closing a changed view offers to save"
key Insert; picture --center -0.75,0 --height 0.45
key alt+f x
if focus_window Veldran; then
  xdotool key Escape
  wait_for_no_window Veldran && kill -0 "$orvanta_pid" 2>/dev/null && passed
fi

step="closing an unchanged view asks Quit now? and OK ends the program"
key n; picture
key alt+f x
# After New the main window is titled "Orvanta - [untitled]": the box is the one named Orvanta.
if focus_window Orvanta; then
  xdotool key Return
  until_true "$PICTURE_TIMEOUT" eval '! kill -0 "$orvanta_pid" 2>/dev/null'
  if wait "$orvanta_pid"; then passed; else picture_failed "exit code $?"; fi
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
