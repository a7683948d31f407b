# Shared by the Wine test scripts and the desktop end-to-end test (sourced):
# Wine's environment, a private Xvfb display, polling with a deadline, failure
# reports, and pictures compared pixel for pixel with orvanta-render's.
wine_environment() {
  export WINEPREFIX="$1" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEDEBUG=-all HOME="${HOME:-/root}"
}
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
  local number_file
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  until_true 20 test -s "$number_file" || fail "Xvfb did not start"
  export DISPLAY=":$(tr -d '\n' <"$number_file")"
  rm -f "$number_file"
}
stop_xvfb() { [ -z "${XVFB_PID:-}" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=; }; true; }
stop_wine() { wineserver -k 2>/dev/null || true; }

differing_pixels() { { compare -metric AE "$1" "$2" "${3:-null:}" 2>&1 >/dev/null || true; } | cut -d' ' -f1; }
# same_pixels A.png B.png: both 8-bit RGB pictures of one size and the same
# pixels, at any size (ImageMagick's policy refuses sides past 16384).
same_pixels() {
  python3 - "$1" "$2" <<'PYTHON'
import struct, sys, zlib
def pixels(path):
    data, at, idat = open(path, 'rb').read(), 8, b''
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        if kind == b'IHDR': width, height, depth, colour = struct.unpack('>IIBB', data[at + 8:at + 18])
        if kind == b'IDAT': idat += data[at + 8:at + 8 + length]
        at += 12 + length
    assert (depth, colour) == (8, 2), path
    raw, stride, rows, prior = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left, up = line[i - 3] if i >= 3 else 0, prior[i]
            upleft = prior[i - 3] if i >= 3 else 0
            p = left + up - upleft
            paeth = min((abs(p - left), 0, left), (abs(p - up), 1, up), (abs(p - upleft), 2, upleft))[2]
            line[i] = (line[i] + [0, left, up, (left + up) // 2, paeth][kind]) & 255
        rows.append(bytes(line))
        prior = line
    return width, height, b''.join(rows)
sys.exit(pixels(sys.argv[1]) != pixels(sys.argv[2]))
PYTHON
}

# png_texts FILE: the PNG's tEXt chunks, keyword and text, one line each.
png_texts() {
  python3 -c 'import struct, sys
data, at = open(sys.argv[1], "rb").read(), 8
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"tEXt": print(repr(data[at + 8:at + 8 + length]))
    at += 12 + length' "$1"
}

# expect_picture NAME [options]: waits until capture shows RENDER's picture at CLIENT_W x CLIENT_H.
same_picture() {
  capture "$work/$1-actual.png" && [ "$(differing_pixels "$work/$1-actual.png" "$work/$1-expected.png" "$work/$1-diff.png")" = "0" ]
}
expect_picture() {
  local name="$1"
  shift
  "$RENDER" --size "${CLIENT_W}x${CLIENT_H}" "$@" "$work/$name-expected.png" || { picture_failed "orvanta-render $* failed"; return 1; }
  until_true "$PICTURE_TIMEOUT" same_picture "$name" || { picture_failed "$name: the picture still differs from orvanta-render" \
    "$* in $(differing_pixels "$work/$name-actual.png" "$work/$name-expected.png") pixels"; return 1; }
  rm -f "$work/$name-"*.png
}
