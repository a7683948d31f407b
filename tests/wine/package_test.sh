#!/usr/bin/env bash
# package_test.sh BUILD NAME WORK: `cpack -G ZIP` in the Windows build folder
# makes NAME.zip holding the program, the license, the README and the help
# document.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 3 ] && [ -f "$1/CPackConfig.cmake" ] || fail "usage: package_test.sh BUILD NAME WORK (configure the windows preset first)"
build="$1" name="$2" work="$3" root="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$work"
mkdir -p "$work/unpacked"
(cd "$build" && cpack -G ZIP -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack failed"; }
(cd "$work/unpacked" && cmake -E tar xf "$work/$name.zip")
listing="$(cd "$work/unpacked" && find . -type f | LC_ALL=C sort)"
expected="$(printf '%s\n' "./$name/LICENSE" "./$name/README.md" "./$name/help/orvanta.html" "./$name/orvanta.exe")"
[ "$listing" = "$expected" ] || fail "$name.zip holds"$'\n'"$listing"$'\n'"instead of"$'\n'"$expected"
cmp "$work/unpacked/$name/orvanta.exe" "$build/shell/orvanta.exe"
for file in LICENSE README.md help/orvanta.html; do cmp "$work/unpacked/$name/$file" "$root/$file"; done
