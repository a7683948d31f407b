#!/usr/bin/env bash
# imports_test.sh OBJDUMP PROGRAM: the program needs no DLL beyond Windows' own.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 2 ] && [ -f "$2" ] || fail "usage: imports_test.sh OBJDUMP PROGRAM (build the windows preset first)"
dlls=$("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || fail "no imports read from $2"
others=$(grep -vxE 'kernel32|user32|gdi32|comdlg32|msvcrt|advapi32|shell32' <<<"${dlls//.dll/}" || true)
[ -z "$others" ] || fail "$2 imports $others, which Windows does not have"
echo "imports:" $dlls
