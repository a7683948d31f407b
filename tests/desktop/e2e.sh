#!/usr/bin/env bash
# End-to-end tests of the desktop program in a real X server: Xvfb, driven
# with xdotool, pictures taken with ImageMagick and compared pixel for pixel
# with orvanta-render's. A failing step keeps its screenshots.
#   e2e.sh ORVANTA ORVANTA_RENDER WORKDIR
set -uo pipefail

orvanta=$1
render=$2
work=$3
rm -rf "$work"
mkdir -p "$work/home" "$work/failures"
export HOME=$work/home XDG_RUNTIME_DIR=$work/home LC_ALL=C
timeout_s=60
failures=0
passes=0

fail() {
  echo "FAIL: $step: $*"
  failures=$((failures + 1))
  cp "$work"/shot*.png "$work"/expected*.png "$work/failures/" 2>/dev/null
  import -window root "$work/failures/${step// /_}-screen.png" 2>/dev/null
}

pass() {
  echo "ok: $step"
  passes=$((passes + 1))
}

# Xvfb picks a display number no other server holds and reports it once it
# accepts clients, so parallel runs never share a server.
start_x() {
  local number_file="$work/display"
  : >"$number_file"
  Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp -noreset 3>"$number_file" \
    >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do
    if [ -s "$number_file" ]; then
      export DISPLAY=":$(tr -d '\n' <"$number_file")"
      return 0
    fi
    sleep 0.1
  done
  echo "cannot start Xvfb"; exit 1
}

wait_for_window() {  # NAME -> prints the window id
  local end=$((SECONDS + timeout_s)) id
  while [ $SECONDS -lt $end ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

wait_for_no_window() {
  local end=$((SECONDS + timeout_s))
  while [ $SECONDS -lt $end ]; do
    [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

# The client area is the main window's larger child (the other is the menu bar).
find_client() {
  client=$(xwininfo -id "$main" -children | awk '/^ +0x/ {print $1}' | while read -r id; do
    xwininfo -id "$id" | awk -v id="$id" '/Width:/ {w=$2} /Height:/ {h=$2} END {print w*h, id}'
  done | sort -n | tail -n 1 | cut -d' ' -f2)
  width=$(xwininfo -id "$client" | awk '/Width:/ {print $2}')
  height=$(xwininfo -id "$client" | awk '/Height:/ {print $2}')
  left=$(xwininfo -id "$client" | awk '/Absolute upper-left X:/ {print $4}')
  top=$(xwininfo -id "$client" | awk '/Absolute upper-left Y:/ {print $4}')
}

shoot() { import -window "$client" "png:$1" 2>/dev/null; }

differing_pixels() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# Waits until the client area shows exactly what orvanta-render draws with ARGS.
expect_picture() {
  "$render" --size "${width}x${height}" "$@" "$work/expected.png" || { fail "orvanta-render $*"; return 1; }
  local end=$((SECONDS + timeout_s)) diff=
  while [ $SECONDS -lt $end ]; do
    shoot "$work/shot.png"
    diff=$(differing_pixels "$work/shot.png" "$work/expected.png")
    [ "$diff" = "0" ] && return 0
    sleep 0.2
  done
  fail "picture differs from orvanta-render $* in $diff pixels"
  return 1
}

# Waits until the picture differs from FILE and holds still.
expect_change_from() {
  local end=$((SECONDS + timeout_s))
  while [ $SECONDS -lt $end ]; do
    shoot "$work/shot-a.png"; sleep 0.3; shoot "$work/shot-b.png"
    if [ "$(differing_pixels "$work/shot-a.png" "$work/shot-b.png")" = "0" ] &&
       [ "$(differing_pixels "$work/shot-a.png" "$1")" != "0" ]; then return 0; fi
  done
  fail "the picture did not change"
  return 1
}

focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null; xdotool mousemove 300 300; }
key() { focus_main; xdotool key "$@"; }

# In the program's own arithmetic: the plane point under pixel X of the default view.
centre_at() {
  awk -v x="$1" -v y="$2" -v w="$width" -v h="$height" 'BEGIN {
    sw = 4 * (w / h); mx = (0 - sw * 0.5) + (x / w) * sw; my = (0 - 4 * 0.5) + (y / h) * 4
    printf "%.17g,%.17g", mx, -my }'
}

view_bytes() {  # the 65 bytes of the view saved in the Save As step
  printf 'VELDRAN KQZ FILE:'
  printf '\x00\x00\x00\x00\x00\x00\xe8\xbf'  # -0.75
  printf '\x00\x00\x00\x00\x00\x00\x00\x00'  # 0.0
  printf '\x00\x04\x00\x00'                  # 1024
  printf '\x00\x00\x00\x00\x00\x00\xe0\x3f'  # 0.5
  printf '\x9a\x99\x99\x99\x99\x99\xc9\x3f'  # 0.2
  printf '\x02\x00\x00\x00\x64\x00\x00\x00\x00\x00\x00\x00'
}

start_x
trap 'kill $orvanta_pid $xvfb_pid 2>/dev/null' EXIT
"$orvanta" >"$work/orvanta.log" 2>&1 &
orvanta_pid=$!

step="the window opens maximised"
if main=$(wait_for_window Orvanta); then pass; else fail "no window"; exit 1; fi
find_client
echo "client area ${width}x${height}"

step="the finished picture is orvanta-render's"
expect_picture && pass
shoot "$work/default.png"

step="Insert zooms in"
key Insert; expect_picture --height 3.6 && pass
step="N starts a new view"
key n; expect_picture && pass
step="I inverts the colours"
key i; expect_picture --invert && pass; key i; expect_picture
step="Page Up raises the limit"
key Prior; expect_picture --iterations 1040 && pass; key n; expect_picture

step="right click recentres"
focus_main; xdotool mousemove $((left + 200)) $((top + 150)) click 3
expect_picture --center "$(centre_at 200 150)" && pass; key n; expect_picture

step="dragging pans"
focus_main
xdotool mousemove $((left + 300)) $((top + 300)) mousedown 1 mousemove $((left + 340)) $((top + 320)) \
  mousemove $((left + 360)) $((top + 330)) mouseup 1
expect_change_from "$work/default.png" && pass; key n; expect_picture

step="the Edit dialog takes typed values"
key alt+e
if dialog=$(wait_for_window "Edit Drawing Values"); then
  xdotool windowfocus --sync "$dialog"
  xdotool key ctrl+a type -- "-0.75"
  xdotool key Tab Tab Tab ctrl+a type "0.5"
  xdotool key Return
  wait_for_no_window "Edit Drawing Values" && expect_picture --center -0.75,0 --height 0.5 && pass
else
  fail "no dialog"
fi

step="Save As writes the view file"
rm -f "$work/view.KQZ"
key alt+f a
if dialog=$(wait_for_window "Save As"); then
  xdotool windowfocus --sync "$dialog"
  xdotool type "$work/view"; xdotool key Return
  end=$((SECONDS + timeout_s))
  while [ ! -s "$work/view.KQZ" ] && [ $SECONDS -lt $end ]; do sleep 0.1; done
  if cmp -s "$work/view.KQZ" <(view_bytes); then pass; else fail "view file: $(od -An -tx1 "$work/view.KQZ" 2>&1 | tr -d '\n')"; fi
else
  fail "no Save As dialog"
fi

step="New, then Open restores the view"
key n; expect_picture
key alt+f o
if dialog=$(wait_for_window "Open"); then
  xdotool windowfocus --sync "$dialog"
  xdotool type "$work/view.KQZ"; xdotool key Return
  expect_picture --center -0.75,0 --height 0.5 && pass
else
  fail "no Open dialog"
fi

step="closing a changed view offers to save"
key Insert; expect_picture --center -0.75,0 --height 0.45
key alt+f x
if box=$(wait_for_window Veldran); then
  xdotool windowfocus --sync "$box"; xdotool key Escape
  wait_for_no_window Veldran && kill -0 "$orvanta_pid" 2>/dev/null && pass
else
  fail "no save question"
fi

step="closing an unchanged view asks Quit now? and OK ends the program"
key n; expect_picture
key alt+f x
# After New the main window is titled "Orvanta - [untitled]": the box is the one named Orvanta.
if box=$(wait_for_window Orvanta); then
  xdotool windowfocus --sync "$box"; xdotool key Return
  end=$((SECONDS + timeout_s))
  while kill -0 "$orvanta_pid" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.1; done
  if wait "$orvanta_pid"; then pass; else fail "exit code $?"; fi
else
  fail "no quit question"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
