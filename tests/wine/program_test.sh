#!/usr/bin/env bash
# program_test.sh: orvanta.exe, the native Windows program, driven under Wine
# on a private Xvfb display with xdotool: keys, the Edit and Save As dialogs,
# Help and closing, and pictures that equal the Linux orvanta-render's. Environment: WINEPREFIX (prefix.sh), ORVANTA_EXE, WINE_PROBE
# (wine-probe.exe), LINUX_RENDER, ARTIFACTS (a failure leaves its screenshots there).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ -f "${ORVANTA_EXE:-}" ] && [ -x "${LINUX_RENDER:-}" ] && [ -d "${WINEPREFIX:-}" ] && [ -n "${WINE_PROBE:-}" ] && [ -n "${ARTIFACTS:-}" ] ||
  fail "set ORVANTA_EXE, LINUX_RENDER, WINEPREFIX, WINE_PROBE and ARTIFACTS: build the windows and release presets, make the prefix"
wine_environment "$WINEPREFIX"
work="$ARTIFACTS/program" RENDER="$LINUX_RENDER" PICTURE_TIMEOUT=120 window_timeout=60
rm -rf "$work" && mkdir -p "$work/bin"
# Wine hands documents to the Linux desktop through xdg-open: this one notes what it was given.
printf '#!/bin/sh\necho "$@" >>"%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
cleanup() {
  local code=$?
  [ "$code" -eq 0 ] || [ -z "${DESKTOP:-}" ] || import -window "$DESKTOP" "$work/desktop-at-failure.png" || true
  stop_wine
  stop_xvfb
  if [ "$code" -eq 0 ]; then rm -rf "$work"; else echo "Screenshots and logs of the failure: $work" >&2; fi
}
trap cleanup EXIT
picture_failed() { fail "$* (see $work)"; }

# Windows ends the probe's lines with CR LF.
probe() { wine "$WINE_PROBE" "$@" 2>>"$work/probe.log" | tr -d '\r'; }
read_main() { read -r CLIENT_X CLIENT_Y CLIENT_W CLIENT_H FOREGROUND TITLE <<<"$(probe main)" && [ "${CLIENT_W:-0}" -gt 0 ] && [ "${CLIENT_H:-0}" -gt 0 ]; }
desktop_window() { DESKTOP="$(xdotool search --name '^orvanta - Wine desktop$' 2>/dev/null | head -n 1)" && [ -n "$DESKTOP" ]; }
capture() { import -window "$DESKTOP" -crop "${CLIENT_W}x${CLIENT_H}+${CLIENT_X}+${CLIENT_Y}" +repage "$1"; }
# expect_dialog CAPTION [CONTROL...]: the dialog is shown with each "CLASS: TEXT" control.
dialog_shown() { probe dialog "$1" >"$work/dialog.txt"; }
expect_dialog() {
  until_true "$window_timeout" dialog_shown "$1" || fail "no dialog \"$1\" appeared"
  for control in "${@:2}"; do
    grep -qxF -- "$control" "$work/dialog.txt" || { cat "$work/dialog.txt" >&2; fail "the dialog \"$1\" has no control \"$control\""; }
  done
}
expect_no_dialog() { until_true "$window_timeout" eval "! probe dialog '$1' >/dev/null" || fail "the dialog \"$1\" did not close"; }
expect_title() { read_main && [ "$TITLE" = "$1" ] || fail "the title is \"$TITLE\", not \"$1\""; }

start_xvfb 1024x768
(cd "$work" && exec wine "$ORVANTA_EXE" >"$work/program.log" 2>&1) &
PROGRAM_PID=$!
until_true "$window_timeout" desktop_window || fail "no Wine desktop window appeared"
until_true "$window_timeout" read_main || fail "the main window did not appear"
[ "$CLIENT_W" -eq 800 ] || fail "the maximised client area is $CLIENT_W wide, not the desktop's 800"
expect_title "Orvanta"
# Keys go to the X window with the focus, and from there to Wine's active window.
xdotool windowfocus --sync "$DESKTOP"
until_true "$window_timeout" eval 'read_main && [ "$FOREGROUND" = 1 ]' || fail "the main window is not in the foreground"
xdotool key Insert  # at once, in the middle of the first pass
expect_picture insert --height 3.6
expect_title "Orvanta - [untitled]"

# The Edit dialog starts in Center X with its text selected; Tab goes on to
# Center Y, Iterations and Zoom Factor, each selected in turn.
xdotool key alt+e
expect_dialog "Edit Drawing Values" "Edit: 0.000000" "Edit: -0.000000" "Edit: 1024" "Edit: 3.600000" "Edit: 0.200000" \
  "Edit: 2" "Edit: 100" "Edit: 0"
for text in -0.75 0.1 200 1.5; do
  xdotool type --delay 30 -- "$text"
  [ "$text" = 1.5 ] || xdotool key Tab
done
expect_dialog "Edit Drawing Values" "Edit: -0.75" "Edit: 1.5"
xdotool key Return
expect_no_dialog "Edit Drawing Values"
values=(--center -0.75,0.1 --iterations 200 --height 1.5)
expect_picture edit "${values[@]}"

# Save As gives a name typed without an extension the extension of the selected filter.
"$LINUX_RENDER" --size 1x1 "${values[@]}" --save-view "$work/expected.kqz" "$work/unused.png"
xdotool key alt+f a
expect_dialog "Save As"
xdotool type --delay 30 "spiral"
expect_dialog "Save As" "ComboBox: Fractal Views (*.KQW)"
xdotool key Return
until_true "$window_timeout" test -s "$work/spiral.kqw" || fail "no spiral.kqw was saved"
cmp "$work/spiral.kqw" "$work/expected.kqz" || fail "spiral.kqw is not the view file orvanta-render writes"
path="z:${work//\//\\}\\spiral.kqw"
expect_title "Orvanta - [${path,,}]"

# Help: with no VELDRAN.HLP beside the program, F1 opens the help document beside it.
xdotool key F1
until_true "$window_timeout" grep -qs 'shell/help/orvanta.html$' "$work/opened.txt" ||
  fail "F1 did not open help/orvanta.html: $(cat "$work/opened.txt" 2>/dev/null)"

# Closing an unchanged view asks "Quit now?"; OK ends the program with exit code 0.
xdotool key alt+F4
expect_dialog Orvanta "Static: Quit now?" "Button: OK" "Button: Cancel"
xdotool key Return
until_true "$window_timeout" eval '! kill -0 "$PROGRAM_PID" 2>/dev/null' || fail "OK did not end the program"
wait "$PROGRAM_PID" || fail "the program ended with exit code $?, not 0"
note "the program passed"
