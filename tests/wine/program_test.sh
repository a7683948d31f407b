#!/usr/bin/env bash
# program_test.sh SCENARIO: orvanta.exe, the native Windows program, driven
# under Wine on a private Xvfb display as a person would drive it, with keys
# typed through xdotool. Its pictures are compared pixel for pixel with those
# of the Linux orvanta-render for the same client size and drawing values.
#
# Scenarios:
#   picture-and-quit  the first picture; closing asks "Quit now?"; Cancel keeps
#                     the program, OK ends it with exit code 0
#   keys-and-edit     Insert zooms in; the Edit dialog shows the values and its
#                     OK takes typed ones; the Display box
#   save-as           names typed without an extension in the Save As dialog
#
# Environment: WINEPREFIX (made by prefix.sh), ORVANTA_EXE, WINE_PROBE (the
# cross-built wine-probe.exe), LINUX_RENDER (orvanta-render for Linux),
# ARTIFACTS (a folder; a failing scenario leaves its screenshots there).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib.sh"

scenario="${1:-}"
for name in WINEPREFIX ORVANTA_EXE WINE_PROBE LINUX_RENDER ARTIFACTS; do
  [ -n "${!name:-}" ] || fail "$name is not set"
done
[ -f "$ORVANTA_EXE" ] || fail "no program at $ORVANTA_EXE (build the windows preset first)"
[ -x "$LINUX_RENDER" ] || fail "no Linux orvanta-render at $LINUX_RENDER (build the release preset first)"
[ -d "$WINEPREFIX" ] || fail "no Wine prefix at $WINEPREFIX"
wine_environment "$WINEPREFIX"

work="$ARTIFACTS/$scenario"
rm -rf "$work"
mkdir -p "$work"
readonly picture_timeout=120 window_timeout=60

cleanup() {
  local code=$?
  if [ "$code" -ne 0 ] && [ -n "${DESKTOP:-}" ]; then
    import -display "$DISPLAY" -window "$DESKTOP" "$work/desktop-at-failure.png" || true
  fi
  stop_wine
  stop_xvfb
  if [ "$code" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "Screenshots and logs of the failure: $work" >&2
  fi
}
trap cleanup EXIT

# Windows ends the probe's lines with CR LF.
probe() { wine "$WINE_PROBE" "$@" 2>>"$work/probe.log" | tr -d '\r'; }

# The client area on the desktop: CLIENT_X CLIENT_Y CLIENT_W CLIENT_H.
read_client() {
  local geometry
  geometry="$(probe client)" || return 1
  read -r CLIENT_X CLIENT_Y CLIENT_W CLIENT_H <<<"$geometry"
  [ "${CLIENT_W:-0}" -gt 0 ] && [ "${CLIENT_H:-0}" -gt 0 ]
}

desktop_window() {
  DESKTOP="$(xdotool search --name '^orvanta - Wine desktop$' 2>/dev/null | head -n 1)"
  [ -n "$DESKTOP" ]
}

start_program() {
  start_xvfb 1024x768
  (cd "$work" && exec wine "$ORVANTA_EXE" >"$work/program.log" 2>&1) &
  PROGRAM_PID=$!
  until_true "$window_timeout" desktop_window || fail "no Wine desktop window appeared"
  until_true "$window_timeout" read_client || fail "the main window did not appear"
  note "client area ${CLIENT_W}x${CLIENT_H} at $CLIENT_X,$CLIENT_Y"
  # Keys go to the X window with the focus, and from there to Wine's active window.
  xdotool windowfocus --sync "$DESKTOP"
  until_true "$window_timeout" probe foreground || fail "the main window is not in the foreground"
}

# capture FILE: the client area as it is on the screen now.
capture() {
  import -display "$DISPLAY" -window "$DESKTOP" \
    -crop "${CLIENT_W}x${CLIENT_H}+${CLIENT_X}+${CLIENT_Y}" +repage "$1"
}

differing_pixels() {
  compare -metric AE "$1" "$2" "$3" 2>&1 >/dev/null || true
}

same_picture() {
  capture "$work/$1-actual.png" && [ "$(differing_pixels "$work/$1-actual.png" \
    "$work/$1-expected.png" "$work/$1-diff.png")" = "0" ]
}

# expect_picture NAME [orvanta-render options]: waits until the client area
# shows exactly what orvanta-render draws with those options.
expect_picture() {
  local name="$1"
  shift
  "$LINUX_RENDER" --size "${CLIENT_W}x${CLIENT_H}" "$@" "$work/$name-expected.png"
  local start=$SECONDS
  if ! until_true "$picture_timeout" same_picture "$name"; then
    fail "$name: after ${picture_timeout} s the picture still differs from orvanta-render $* in" \
      "$(differing_pixels "$work/$name-actual.png" "$work/$name-expected.png" "$work/$name-diff.png")" \
      "pixels (see $name-actual.png, $name-expected.png, $name-diff.png)"
  fi
  note "$name: the picture equals orvanta-render $* (after $((SECONDS - start)) s)"
  rm -f "$work/$name-"*.png
}

dialog_shown() { probe dialog "$1" >"$work/dialog.txt"; }
dialog_gone() { ! probe dialog "$1" >/dev/null; }

# expect_dialog CAPTION: waits for the dialog; its controls are in dialog.txt.
expect_dialog() {
  until_true "$window_timeout" dialog_shown "$1" || {
    capture "$work/no-dialog.png" || true
    fail "no dialog \"$1\" appeared"
  }
}

expect_no_dialog() {
  until_true "$window_timeout" dialog_gone "$1" || fail "the dialog \"$1\" did not close"
}

expect_control() {
  grep -qxF -- "$1" "$work/dialog.txt" || {
    cat "$work/dialog.txt" >&2
    fail "the dialog has no control \"$1\""
  }
}

expect_title() {
  local title
  title="$(probe title)" || fail "no main window"
  [ "$title" = "$1" ] || fail "the title is \"$title\", not \"$1\""
}

# A Unix path as the title shows it: on drive Z:, in lower case.
windows_path_in_title() {
  local path="z:${1//\//\\}"
  echo "${path,,}"
}

program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }

expect_exit_code() {
  until_true "$window_timeout" program_ended || fail "the program did not end"
  local code=0
  wait "$PROGRAM_PID" || code=$?
  [ "$code" -eq "$1" ] || fail "the program ended with exit code $code, not $1"
  note "the program ended with exit code $code"
}

scenario_picture_and_quit() {
  start_program
  [ "$CLIENT_W" -eq 800 ] || fail "the maximised client area is $CLIENT_W wide, not the desktop's 800"
  expect_title "Orvanta"
  expect_picture first
  xdotool key alt+F4
  expect_dialog Orvanta
  expect_control "Static: Quit now?"
  expect_control "Button: OK"
  expect_control "Button: Cancel"
  xdotool key Escape
  expect_no_dialog Orvanta
  program_ended && fail "Cancel ended the program"
  xdotool key alt+F4
  expect_dialog Orvanta
  expect_control "Static: Quit now?"
  xdotool key Return
  expect_exit_code 0
}

scenario_keys_and_edit() {
  start_program
  # Pressed at once, in the middle of the first pass.
  xdotool key Insert
  expect_picture insert --height 3.6
  expect_title "Orvanta - [untitled]"

  xdotool key alt+e
  expect_dialog "Edit Drawing Values"
  for text in "0.000000" "-0.000000" "1024" "3.600000" "0.200000" "2" "100" "0"; do
    expect_control "Edit: $text"
  done
  # The dialog starts in Center X with its text selected; Tab goes on to
  # Center Y, Iterations and Zoom Factor, each selected in turn.
  xdotool type --delay 30 -- "-0.75"
  xdotool key Tab
  xdotool type --delay 30 "0.1"
  xdotool key Tab
  xdotool type --delay 30 "200"
  xdotool key Tab
  xdotool type --delay 30 "1.5"
  dialog_shown "Edit Drawing Values"
  expect_control "Edit: -0.75"
  expect_control "Edit: 1.5"
  xdotool key Return
  expect_no_dialog "Edit Drawing Values"
  expect_picture edit --center -0.75,0.1 --iterations 200 --height 1.5

  # The Display box shows the capabilities that headless' true-colour display reports.
  xdotool key d
  expect_dialog STATUS
  local status
  status="$(grep '^Static: Card' "$work/dialog.txt" || true)"
  [ "$status" = "$(printf 'Static: Card Colors:\t 1  Sys Colors:\t 4294967295  Palette Size:\t 0  Colors:\t\t 24')" ] ||
    fail "the Display box reads \"$status\""
  xdotool key Return
  expect_no_dialog STATUS
}

# Win32's Save As dialog gives a name typed without an extension the
# extension of the selected filter when that is a plain one ("*.kqw"), and the
# program's default extension otherwise ("All Files (*.*)").
scenario_save_as() {
  start_program
  expect_picture first
  "$LINUX_RENDER" --size 1x1 --iterations 1024 --save-view "$work/expected.kqz" "$work/unused.png"
  rm -f "$work/unused.png"

  xdotool key alt+f a
  expect_dialog "Save As"
  expect_control "ComboBox: Fractal Views (*.KQW)"
  xdotool type --delay 30 "spiral"
  xdotool key Return
  expect_no_dialog "Save As"
  until_true "$window_timeout" test -s "$work/spiral.kqw" || {
    ls -la "$work" >&2
    fail "no spiral.kqw was saved with the view filter chosen"
  }
  cmp "$work/spiral.kqw" "$work/expected.kqz" || fail "spiral.kqw is not the view file orvanta-render writes"
  expect_title "Orvanta - [$(windows_path_in_title "$work/spiral.kqw")]"

  xdotool key alt+f a
  expect_dialog "Save As"
  # Files of type: All Files; then the name field, its old name replaced.
  xdotool key alt+t Down alt+n End shift+Home
  xdotool type --delay 30 "spiral"
  dialog_shown "Save As"
  expect_control "ComboBox: All Files (*.*)"
  xdotool key Return
  expect_no_dialog "Save As"
  until_true "$window_timeout" test -s "$work/spiral.KQZ" || {
    ls -la "$work" >&2
    fail "no spiral.KQZ was saved with All Files chosen"
  }
  cmp "$work/spiral.KQZ" "$work/expected.kqz" || fail "spiral.KQZ is not the view file orvanta-render writes"
  expect_title "Orvanta - [$(windows_path_in_title "$work/spiral.KQZ")]"
}

case "$scenario" in
picture-and-quit) scenario_picture_and_quit ;;
keys-and-edit) scenario_keys_and_edit ;;
save-as) scenario_save_as ;;
*) fail "usage: program_test.sh picture-and-quit|keys-and-edit|save-as" ;;
esac
note "$scenario passed"
