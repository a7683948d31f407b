#!/usr/bin/env bash
# prefix.sh create|remove PREFIX: the Wine prefix that one run of the Wine
# tests shares. create makes it anew (64-bit, wineboot -i) and gives the
# programs under test a virtual desktop of a known size; remove ends its
# wineserver and deletes it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

[ $# -eq 2 ] || fail "usage: prefix.sh create|remove PREFIX"
prefix="$2"
wine_environment "$prefix"

case "$1" in
create)
  stop_wine
  rm -rf "$prefix"
  mkdir -p "$prefix"
  start=$SECONDS
  # No display: wineboot needs none, and none may be left holding one.
  env -u DISPLAY WINEARCH=win64 wineboot -i
  note "wineboot -i took $((SECONDS - start)) s"
  # orvanta.exe and wine-probe.exe share the desktop "orvanta": a maximised
  # window has a known size there, and the probe sees the program's windows.
  reg="$prefix/orvanta-desktop.reg"
  cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\orvanta.exe\Explorer]
"Desktop"="orvanta"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\wine-probe.exe\Explorer]
"Desktop"="orvanta"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"orvanta"="800x600"
REG
  env -u DISPLAY wine regedit /S "$reg"
  # The registry reaches its files when the server ends.
  wineserver -w
  grep -q '"orvanta"="800x600"' "$prefix/user.reg" || fail "the desktop settings did not reach the registry"
  note "prefix $prefix ready after $((SECONDS - start)) s"
  ;;
remove)
  stop_wine
  rm -rf "$prefix"
  ;;
*)
  fail "usage: prefix.sh create|remove PREFIX"
  ;;
esac
