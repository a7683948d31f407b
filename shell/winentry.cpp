// Anchors WinMain in the Windows program: the shell library supplies it, the
// C runtime's start-up calls it.
#include "veldran.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);
[[maybe_unused]] static int (WINAPI* const g_pfnEntry)(HINSTANCE, HINSTANCE, LPSTR, int) = WinMain;
