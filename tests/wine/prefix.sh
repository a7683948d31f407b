#!/usr/bin/env bash
# prefix.sh create|remove PREFIX: the 64-bit Wine prefix one run of the Wine tests shares.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 2 ] && [[ "$1" =~ ^(create|remove)$ ]] || fail "usage: prefix.sh create|remove PREFIX"
wine_environment "$2"
stop_wine
rm -rf "$2"
[ "$1" = create ] || exit 0
mkdir -p "$2"
# No display: wineboot needs none, and none may be left holding one.
env -u DISPLAY WINEARCH=win64 wineboot -i
wineserver -w
echo "prefix $2 ready"
