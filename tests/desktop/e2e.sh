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
picture() { expect_picture shot "$@"; }
key() { xdotool windowfocus --sync "$main" 2>/dev/null; xdotool mousemove 300 300 key "$@"; }

start_xvfb 1024x700
trap 'kill $orvanta_pid 2>/dev/null; stop_xvfb' EXIT
"$orvanta" >"$work/orvanta.log" 2>&1 &
orvanta_pid=$!

step="the window opens and shows orvanta-render's picture"
focus_window Orvanta || exit 1
main=$(window_id Orvanta)
# The client area is the main window's larger child (the other is the menu bar).
client=$(xwininfo -id "$main" -children | awk '/^ +0x/ {print $1}' | while read -r id; do
  xwininfo -id "$id" | awk -v id="$id" '/Width:/ {w=$2} /Height:/ {h=$2} END {print w*h, id}'
done | sort -n | tail -n 1 | cut -d' ' -f2)
read -r CLIENT_W CLIENT_H < <(xwininfo -id "$client" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
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

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
