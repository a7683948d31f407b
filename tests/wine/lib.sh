# Shared by the Wine test scripts and the desktop end-to-end test (sourced):
# Wine's environment, a private Xvfb display, polling with a deadline, failure
# reports, and pictures compared pixel for pixel with orvanta-render's.
wine_environment() { export WINEPREFIX="$1" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEDEBUG=-all HOME="${HOME:-/root}"; }
note() { echo "[$(date +%T)] $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# until_true SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds; false after the deadline.
until_true() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# start_xvfb WxH: Xvfb on a display it chooses itself; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  until_true 20 test -s "$number_file" || fail "Xvfb did not start"
  export DISPLAY=":$(tr -d '\n' <"$number_file")"
  rm -f "$number_file"
}
stop_xvfb() { [ -z "${XVFB_PID:-}" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=; }; true; }
stop_wine() { wineserver -k 2>/dev/null || true; }

differing_pixels() { { compare -metric AE "$1" "$2" "${3:-null:}" 2>&1 >/dev/null || true; } | cut -d' ' -f1; }
# same_png A.png B.png: the same header, texts and filtered rows. Both
# programs filter every row "up", which maps pixels to rows one to one, so
# this is the same picture at any size (ImageMagick's policy refuses sides
# past 16384).
same_png() {
  python3 - "$1" "$2" <<'PYTHON'
import struct, sys, zlib
def chunks(path):
    data, at, kept = open(path, 'rb').read(), 8, {}
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        kept.setdefault(kind, []).append(data[at + 8:at + 8 + length])
        at += 12 + length
    return kept[b'IHDR'], kept.get(b'tEXt'), zlib.decompress(b''.join(kept[b'IDAT']))
sys.exit(chunks(sys.argv[1]) != chunks(sys.argv[2]))
PYTHON
}

# expect_picture NAME [options]: waits until capture shows RENDER's picture at CLIENT_W x CLIENT_H.
same_picture() { capture "$work/$1-actual.png" && [ "$(differing_pixels "$work/$1-actual.png" "$work/$1-expected.png" "$work/$1-diff.png")" = 0 ]; }
expect_picture() {
  local name="$1"
  shift
  "$RENDER" --size "${CLIENT_W}x${CLIENT_H}" "$@" "$work/$name-expected.png" || { picture_failed "orvanta-render $* failed"; return 1; }
  until_true "$PICTURE_TIMEOUT" same_picture "$name" || { picture_failed "$name: the picture still differs from orvanta-render" \
    "$* in $(differing_pixels "$work/$name-actual.png" "$work/$name-expected.png") pixels"; return 1; }
  rm -f "$work/$name-"*.png
}
