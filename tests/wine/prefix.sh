#!/usr/bin/env bash
# prefix.sh create|remove PREFIX: the Wine prefix one run of the Wine tests
# shares, with a virtual desktop "orvanta" of a known size for orvanta.exe and the
# probe, and pages opened in the desktop's browser as in a fresh prefix.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 2 ] && [[ "$1" =~ ^(create|remove)$ ]] || fail "usage: prefix.sh create|remove PREFIX"
prefix="$2"
wine_environment "$prefix"
stop_wine
rm -rf "$prefix"
[ "$1" = create ] || exit 0
mkdir -p "$prefix"
# No display: wineboot needs none, and none may be left holding one.
env -u DISPLAY WINEARCH=win64 wineboot -i
cat >"$prefix/orvanta-desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\orvanta.exe\Explorer]
"Desktop"="orvanta"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\wine-probe.exe\Explorer]
"Desktop"="orvanta"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"orvanta"="800x600"

; A fresh prefix's mshtml, left out here, would associate pages with the browser.
[HKEY_CLASSES_ROOT\.html]
@="htmlfile"
REG
env -u DISPLAY wine regedit /S "$prefix/orvanta-desktop.reg"
# The registry reaches its files when the server ends.
wineserver -w
grep -q '"orvanta"="800x600"' "$prefix/user.reg" || fail "the desktop settings did not reach the registry"
note "prefix $prefix ready"
