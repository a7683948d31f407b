// Placeholder until the resource reader lands: no resources are found.
#include "core.h"

HMENU WINAPI LoadMenuA(HINSTANCE, LPCSTR) { return nullptr; }
HACCEL WINAPI LoadAcceleratorsA(HINSTANCE, LPCSTR) { return nullptr; }
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
