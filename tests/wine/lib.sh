# Shared by the Wine test scripts (sourced): the Wine environment of one
# prefix, a private Xvfb display, polling with a deadline, and failure reports.

wine_environment() {
  export WINEPREFIX="$1"
  # No Mono or Gecko installer prompts, no menu entries in the user's home,
  # no debug chatter in the test logs.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINEDEBUG=-all
  export HOME="${HOME:-/root}"
}

note() { echo "[$(date +%T)] $*"; }

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# until_true SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds;
# false when the deadline passes first.
until_true() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      return 1
    fi
    sleep 0.2
  done
}

# Starts Xvfb on a display that no other server holds; Xvfb chooses the number
# and reports it once it accepts clients. Sets DISPLAY and XVFB_PID.
start_xvfb() {
  local size="$1" number_file
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$number_file" \
    >/dev/null 2>&1 &
  XVFB_PID=$!
  if ! until_true 20 test -s "$number_file"; then
    rm -f "$number_file"
    fail "Xvfb did not start"
  fi
  export DISPLAY=":$(tr -d '\n' <"$number_file")"
  rm -f "$number_file"
  note "Xvfb $XVFB_PID on $DISPLAY"
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}
