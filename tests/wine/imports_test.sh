#!/usr/bin/env bash
# imports_test.sh OBJDUMP PROGRAM: the program needs no DLL beyond Windows' own.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ $# -eq 2 ] || fail "usage: imports_test.sh OBJDUMP PROGRAM"
objdump="$1" program="$2"
[ -f "$program" ] || fail "no program at $program (build the windows preset first)"

mapfile -t dlls < <("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ ${#dlls[@]} -gt 0 ] || fail "no imports read from $program"
system_dlls=" kernel32.dll user32.dll gdi32.dll comdlg32.dll msvcrt.dll advapi32.dll shell32.dll "
for dll in "${dlls[@]}"; do
  case "$system_dlls" in
  *" $dll "*) ;;
  *) fail "$program imports $dll, which Windows does not have" ;;
  esac
done
echo "imports: ${dlls[*]}"
