// The menu commands: New, Open, Save, Save As, Exit, Edit, Display, Help,
// About and the internal Redraw, with the save-before-discard question.
#include "engine.h"
#include "resource.h"
#include "veldran.h"
#include "viewfile.h"
#include "winmisc.h"

#ifndef ORVANTA_VERSION
#define ORVANTA_VERSION "0.1.0"
#endif

namespace {

const char kAboutText[] =
    APP_TITLE " " ORVANTA_VERSION "\n"
    "An interactive explorer of the Mandelbrot set.\n\n"
    "Copyright (c) 2026 the Orvanta developers.\n"
    "Free to use, copy and share.";
const char kCouldNotWrite[] = "Could not write file %s";

void Retitle(HWND hwnd) { vrxSetWindowText(hwnd, psFilePath, APP_TITLE); }

void Redraw(HWND hwnd) { SendMessageA(hwnd, WM_COMMAND, IDM_REDRAW, 0); }

// Both saves end here: success clears the changes, failure warns.
int WriteValues(HWND hwnd) {
    if (SaveValues()) {
        bIsDirty = 0;
        return 1;
    }
    vrxFileMessage(hwnd, kCouldNotWrite, psFileName, APP_NAME);
    return 0;
}

int SaveAs(HWND hwnd) {
    if (!GetSaveValuesFile(hwnd)) return 0;
    Retitle(hwnd);
    return WriteValues(hwnd);
}

int Save(HWND hwnd) { return psFilePath[0] ? WriteValues(hwnd) : SaveAs(hwnd); }

int Open(HWND hwnd) {
    if (bIsDirty && vrxAskFileSave(hwnd, psFileName, APP_NAME, IDM_SAVE) == IDCANCEL) return 0;
    if (!GetOpenValuesFile(hwnd)) return 0;
    if (!LoadValues(hwnd)) {
        ForgetFileName();
        Retitle(hwnd);
        return 0;
    }
    bIsDirty = 0;
    Retitle(hwnd);
    Redraw(hwnd);
    return 0;
}

// The start values, all but the starting size; SetupSet fits the width to the window.
int New(HWND hwnd) {
    DrawingValues values;
    values.iMinLevel = iMinLevel;
    ApplyDrawingValues(values);
    bIsDirty = 0;
    ForgetFileName();
    SetupSet();
    Retitle(hwnd);
    Redraw(hwnd);
    return 1;
}

int Display(HWND hwnd) {
    char cStatus[128];
    wsprintfA(cStatus, "Card Colors:\t %lu \nSys Colors:\t %lu \nPalette Size:\t %ld \nColors:\t\t %lu",
              dwCardColors, dwNumColors, dwSizePalette, dwColorRes);
    MessageBoxA(hwnd, cStatus, "STATUS", MB_ICONINFORMATION);
    return 1;
}

// After OK the view belongs to no file, and the title says so.
int Edit(HWND hwnd) {
    INT_PTR iResult = DialogBoxParamA(hinst, EDIT_DIALOG, hwnd, EditHandler, 0);
    if (iResult == IDOK) Retitle(hwnd);
    if (iResult) Redraw(hwnd);
    return 0;
}

// A file that ships beside the program: its folder, then the name.
void ProgramFile(LPCSTR lpszName, char* pszPath, DWORD dwSize) {
    DWORD dwLength = GetModuleFileNameA(nullptr, pszPath, dwSize);
    if (dwLength >= dwSize) dwLength = 0;  // cut short: the folder is unknown
    while (dwLength > 0 && pszPath[dwLength - 1] != '\\' && pszPath[dwLength - 1] != '/') --dwLength;
    pszPath[dwLength] = '\0';
    if (dwLength + lstrlenA(lpszName) < dwSize) lstrcatA(pszPath, lpszName);
}

}  // namespace

// WinHelp shows the help file where one is installed beside the program, as
// designed; today's systems have no WinHelp (it answers FALSE), and the help
// document that ships beside the program opens in the user's browser instead.
void ShowHelp(HWND hwnd) {
    char szPath[MAX_PATH];
    ProgramFile(APP_HELP_FILE, szPath, sizeof szPath);
    if (GetFileAttributesA(szPath) != INVALID_FILE_ATTRIBUTES && WinHelpA(hwnd, APP_HELP_FILE, HELP_CONTENTS, 0))
        return;
    ProgramFile(APP_HELP_DOCUMENT, szPath, sizeof szPath);
    ShellExecuteA(hwnd, "open", szPath, nullptr, nullptr, SW_SHOWNORMAL);
}

int MenuHandler(WPARAM wParam, HWND hwnd) {
    switch (LOWORD(wParam)) {
    case IDM_EXIT:
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 1;
    case IDM_OPEN: return Open(hwnd);
    case IDM_SAVE: return Save(hwnd);
    case IDM_SAVEAS: return SaveAs(hwnd);
    case IDM_HELP:
        ShowHelp(hwnd);
        return 0;
    case IDM_ABOUT:
        MessageBoxA(hwnd, kAboutText, APP_TITLE, MB_OK | MB_ICONINFORMATION);
        return 0;
    case IDM_NEW: return New(hwnd);
    case IDM_DISPLAY: return Display(hwnd);
    case IDM_EDIT: return Edit(hwnd);
    case IDM_REDRAW:
        bRestarting = 1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 1;
    default: return 0;
    }
}
