// Modal dialogs built from templates: the dialog window and its controls, the
// dialog procedure's messages with the default handling Win32 gives them, item
// texts, the end value, and the actions a backend reports (buttons, keys).
#include "core.h"
#include "resources.h"

#include <algorithm>
#include <strings.h>

namespace platform {

namespace {

const char kDialogClass[] = "#32770";

// A dialog unit is a quarter of the font's average character width across
// and an eighth of its height down.
RECT PixelsFromUnits(SIZE baseUnits, int x, int y, int cx, int cy) {
    return {x * baseUnits.cx / 4, y * baseUnits.cy / 8, (x + cx) * baseUnits.cx / 4,
            (y + cy) * baseUnits.cy / 8};
}

// Default handling of a dialog: the procedure sees each message first; the
// close box means Cancel, and nothing else destroys the dialog.
LRESULT CALLBACK DialogWindowProc(HWND hDlg, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    Window* pDialog = FindWindowRecord(hDlg);
    if (pDialog && pDialog->pfnDlgProc && pDialog->pfnDlgProc(hDlg, uMessage, wParam, lParam))
        return TRUE;
    switch (uMessage) {
    case WM_CLOSE:
        DialogCommand(hDlg, IDCANCEL);
        return 0;
    case WM_NCCREATE:
        return TRUE;
    default:
        return 0;
    }
}

void EnsureDialogClass() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DialogWindowProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDialogClass;
    RegisterClassA(&wc);  // fails harmlessly once it exists
}

std::string ItemText(const DialogItemTemplate& item) {
    return item.text.bIsOrdinal ? std::string() : item.text.sName;
}

HWND CreateDialogWindow(const DialogTemplate& tmpl, HWND hWndParent, DLGPROC lpDialogFunc) {
    EnsureDialogClass();
    SIZE baseUnits = GetBackend().DialogBaseUnits(tmpl.sFont, tmpl.wPointSize);
    RECT rc = PixelsFromUnits(baseUnits, tmpl.x, tmpl.y, tmpl.cx, tmpl.cy);
    DWORD dwStyle = tmpl.dwStyle & ~static_cast<DWORD>(WS_CHILD);
    HWND hDlg = CreateWindowExA(tmpl.dwExStyle, kDialogClass, tmpl.sTitle.c_str(), dwStyle, rc.left,
                                rc.top, rc.right - rc.left, rc.bottom - rc.top, hWndParent, nullptr,
                                nullptr, nullptr);
    Window* pDialog = FindWindowRecord(hDlg);
    if (!pDialog) return nullptr;
    pDialog->pfnDlgProc = lpDialogFunc;
    pDialog->sFont = tmpl.sFont;
    pDialog->iPointSize = tmpl.wPointSize;
    for (const DialogItemTemplate& item : tmpl.items) {
        RECT rcItem = PixelsFromUnits(baseUnits, item.x, item.y, item.cx, item.cy);
        CreateWindowExA(item.dwExStyle, item.sClass.c_str(), ItemText(item).c_str(),
                        item.dwStyle | WS_CHILD, rcItem.left, rcItem.top, rcItem.right - rcItem.left,
                        rcItem.bottom - rcItem.top, hDlg,
                        reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.dwId & 0xFFFF)), nullptr,
                        nullptr);
    }
    return hDlg;
}

HWND FirstTabStop(HWND hDlg) {
    for (HWND hChild : DialogControls(hDlg)) {
        Window* pChild = FindWindowRecord(hChild);
        if (pChild && (pChild->dwStyle & WS_TABSTOP) && !(pChild->dwStyle & WS_DISABLED)) return hChild;
    }
    return nullptr;
}

// The id Enter stands for: the default push button's, else OK.
int DefaultButtonId(HWND hDlg) {
    for (HWND hChild : DialogControls(hDlg)) {
        Window* pChild = FindWindowRecord(hChild);
        if (pChild && strcasecmp(pChild->sClass.c_str(), "BUTTON") == 0 &&
            (pChild->dwStyle & 0xF) == BS_DEFPUSHBUTTON)
            return pChild->iId;
    }
    return IDOK;
}

}  // namespace

std::vector<HWND> DialogControls(HWND hDlg) {
    std::vector<std::pair<uintptr_t, HWND>> children;
    TheCore().windows.ForEach([&](uintptr_t h, const Window& w) {
        if (w.hwndParent == hDlg && (w.dwStyle & WS_CHILD))
            children.push_back({w.uCreationOrder, reinterpret_cast<HWND>(h)});
    });
    std::sort(children.begin(), children.end());
    std::vector<HWND> controls;
    for (const auto& child : children) controls.push_back(child.second);
    return controls;
}

void DialogCommand(HWND hDlg, int iId) {
    HWND hItem = GetDlgItem(hDlg, iId);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(iId, BN_CLICKED), reinterpret_cast<LPARAM>(hItem));
}

void DialogKey(HWND hDlg, UINT uVirtualKey) {
    if (uVirtualKey == VK_RETURN) DialogCommand(hDlg, DefaultButtonId(hDlg));
    else if (uVirtualKey == VK_ESCAPE) DialogCommand(hDlg, IDCANCEL);
}

bool DialogEnded(HWND hDlg) {
    Window* pDialog = FindWindowRecord(hDlg);
    return !pDialog || pDialog->bDialogEnded;
}

}  // namespace platform

using namespace platform;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    DialogTemplate tmpl;
    if (!lpDialogFunc || !FindDialogTemplate(lpTemplateName, &tmpl)) return -1;
    HWND hDlg = CreateDialogWindow(tmpl, hWndParent, lpDialogFunc);
    if (!hDlg) return -1;
    HWND hFirst = FirstTabStop(hDlg);
    if (SendMessageA(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(hFirst), dwInitParam) && hFirst)
        SetFocus(hFirst);
    ++TheCore().iModalDepth;
    if (!DialogEnded(hDlg)) GetBackend().RunDialog(hDlg);
    --TheCore().iModalDepth;
    Window* pDialog = FindWindowRecord(hDlg);
    INT_PTR iResult = pDialog && pDialog->bDialogEnded ? pDialog->iDialogResult : IDCANCEL;
    HWND hFocus = GetFocus();
    if (hFocus && (hFocus == hDlg || GetParent(hFocus) == hDlg)) SetFocus(hWndParent);
    DestroyWindow(hDlg);
    return iResult;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    Window* pDialog = FindWindowRecord(hDlg);
    if (!pDialog) return FALSE;
    pDialog->bDialogEnded = true;
    pDialog->iDialogResult = nResult;
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    for (HWND hChild : DialogControls(hDlg)) {
        Window* pChild = FindWindowRecord(hChild);
        if (pChild && pChild->iId == nIDDlgItem) return hChild;
    }
    return nullptr;
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND hItem = GetDlgItem(hDlg, nIDDlgItem);
    return hItem ? SetWindowTextA(hItem, lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND hItem = GetDlgItem(hDlg, nIDDlgItem);
    if (!hItem) {
        if (lpString && cchMax > 0) lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(hItem, lpString, cchMax));
}

// There is no WinHelp viewer here: no help file can be shown.
BOOL WINAPI WinHelpA(HWND, LPCSTR, UINT, ULONG_PTR) { return FALSE; }
