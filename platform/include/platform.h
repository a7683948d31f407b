// The one header the program includes instead of <windows.h>.
// On Windows it is <windows.h>; elsewhere it declares the same names with
// Win32's spellings, values and layouts, implemented by the portable core.
#ifndef ORVANTA_PLATFORM_H
#define ORVANTA_PLATFORM_H

#if defined(_WIN32) && !defined(ORVANTA_PORTABLE_PLATFORM)
#ifndef STRICT
#define STRICT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#else
#include "portable_win32.h"
#endif

#endif
