// The vrx window utilities: file and quit prompts, the window title, a queue
// drain, a menu check toggle, a recessed frame, a status bar, text at a
// character cell and a list-box-to-clipboard copier.
#include "winmisc.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char szUntitled[] = "untitled";

int cxChar = 0;  // vrxSay's character cell, measured by its first call
int cyChar = 0;

// The name shown for a file: the name itself, or "untitled" when it is empty.
LPCSTR ShownName(LPCSTR lpszName) { return lpszName && lpszName[0] ? lpszName : szUntitled; }

// Formats into a VRX_MESSAGE_SIZE buffer; a longer text is cut to fit.
void ComposeMessage(LPSTR lpszBuffer, LPCSTR lpszFormat, ...) {
    va_list args;
    va_start(args, lpszFormat);
    std::vsnprintf(lpszBuffer, VRX_MESSAGE_SIZE, lpszFormat, args);
    va_end(args);
}

// Lower-cases 'A' to 'Z' only, as strlwr does in the C locale.
void LowerCaseLetters(LPSTR lpszText) {
    for (; *lpszText; ++lpszText)
        if (*lpszText >= 'A' && *lpszText <= 'Z') *lpszText = static_cast<char>(*lpszText + 32);
}

HPEN SelectSystemPen(HDC hdc, int iColorIndex, HPEN* phpenOld) {
    HPEN hpen = CreatePen(PS_SOLID, 1, GetSysColor(iColorIndex));
    *phpenOld = static_cast<HPEN>(SelectObject(hdc, hpen));
    return hpen;
}

void RemovePen(HDC hdc, HPEN hpen, HPEN hpenOld) {
    SelectObject(hdc, hpenOld);
    DeleteObject(hpen);
}

// A one-pixel line whose end point stays unpainted.
void DrawLine(HDC hdc, POINT ptFrom, POINT ptTo) {
    MoveToEx(hdc, ptFrom.x, ptFrom.y, NULL);
    LineTo(hdc, ptTo.x, ptTo.y);
}

// Two lines, from ptLines[0] to [1] and from [2] to [3], with one pen of a system colour.
void DrawLinePair(HDC hdc, int iColorIndex, const POINT ptLines[4]) {
    HPEN hpenOld;
    HPEN hpen = SelectSystemPen(hdc, iColorIndex, &hpenOld);
    DrawLine(hdc, ptLines[0], ptLines[1]);
    DrawLine(hdc, ptLines[2], ptLines[3]);
    RemovePen(hdc, hpen, hpenOld);
}

// A line across the whole width of the window, one past its right edge.
void DrawRule(HDC hdc, int iColorIndex, const RECT& rectWindow, int y) {
    HPEN hpenOld;
    HPEN hpen = SelectSystemPen(hdc, iColorIndex, &hpenOld);
    DrawLine(hdc, {rectWindow.left, y}, {rectWindow.right + 1, y});
    RemovePen(hdc, hpen, hpenOld);
}

void FillWithSystemColor(HDC hdc, const RECT& rect, int iColorIndex) {
    HBRUSH hbrush = CreateSolidBrush(GetSysColor(iColorIndex));
    HGDIOBJ hbrushOld = SelectObject(hdc, hbrush);
    FillRect(hdc, &rect, hbrush);
    SelectObject(hdc, hbrushOld);
    DeleteObject(hbrush);
}

// Appends as much of lpszMore as the clipboard block still holds.
void AppendCut(LPSTR lpszText, UINT* puLength, LPCSTR lpszMore) {
    while (*lpszMore && *puLength < VRX_CLIPBOARD_SIZE - 1) lpszText[(*puLength)++] = *lpszMore++;
    lpszText[*puLength] = '\0';
}

// LB_GETTEXT has no size limit, so an item too long for the item buffer is
// fetched into a block of its own size and cut to VRX_LIST_ITEM_SIZE - 1.
void GetLongListItem(HWND hwndList, UINT uIndex, LRESULT lLength, LPSTR lpszListText) {
    HLOCAL hItem = LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(lLength) + 1);
    LPSTR lpszItem = hItem ? static_cast<LPSTR>(LocalLock(hItem)) : NULL;
    if (lpszItem) {
        lpszItem[0] = '\0';
        SendMessageA(hwndList, LB_GETTEXT, uIndex, reinterpret_cast<LPARAM>(lpszItem));
        lpszItem[lLength] = '\0';
        std::snprintf(lpszListText, VRX_LIST_ITEM_SIZE, "%s", lpszItem);
        LocalUnlock(hItem);
    }
    if (hItem) LocalFree(hItem);
}

void GetListItem(HWND hwndList, UINT uIndex, LPSTR lpszListText) {
    LRESULT lLength = SendMessageA(hwndList, LB_GETTEXTLEN, uIndex, 0);
    lpszListText[0] = '\0';
    if (lLength < 0) return;
    if (lLength < VRX_LIST_ITEM_SIZE)
        SendMessageA(hwndList, LB_GETTEXT, uIndex, reinterpret_cast<LPARAM>(lpszListText));
    else
        GetLongListItem(hwndList, uIndex, lLength, lpszListText);
}

// The list's items joined by "\r\n" into the clipboard block; returns the item
// count, 0 also for a list box that answers LB_ERR.
UINT CopyListText(HWND hwndList, LPSTR lpszClipboardText) {
    char lpszListText[VRX_LIST_ITEM_SIZE];
    LRESULT lCount = SendMessageA(hwndList, LB_GETCOUNT, 0, 0);
    UINT uListCount = lCount < 0 ? 0 : static_cast<UINT>(lCount);
    UINT uLength = 0;
    lpszClipboardText[0] = '\0';
    for (UINT uIndex = 0; uIndex < uListCount && uLength < VRX_CLIPBOARD_SIZE - 1; ++uIndex) {
        GetListItem(hwndList, uIndex, lpszListText);
        AppendCut(lpszClipboardText, &uLength, lpszListText);
        if (uIndex < uListCount - 1) AppendCut(lpszClipboardText, &uLength, "\r\n");
    }
    return uListCount;
}

}  // namespace

void vrxFileMessage(HWND hwnd, LPCSTR lpszMessage, LPCSTR lpszFileName, LPCSTR lpszAppName) {
    char szBuffer[VRX_MESSAGE_SIZE];
    ComposeMessage(szBuffer, lpszMessage, ShownName(lpszFileName));
    MessageBoxA(hwnd, szBuffer, lpszAppName, MB_OK | MB_ICONEXCLAMATION);
}

// Yes runs the caller's save command first; a save that reports 0 turns Yes into Cancel.
int vrxAskFileSave(HWND hwnd, LPCSTR lpszFileTitle, LPCSTR lpszAppName, UINT wSaveMessage) {
    char szBuffer[VRX_MESSAGE_SIZE];
    ComposeMessage(szBuffer, "Save current changes in %s", ShownName(lpszFileTitle));
    int nReturn = MessageBoxA(hwnd, szBuffer, lpszAppName, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (nReturn == IDYES && SendMessageA(hwnd, WM_COMMAND, wSaveMessage, 0) == 0)
        nReturn = IDCANCEL;
    return nReturn;
}

// The caption "title - [name]" with the name lower-cased; the caller's string stays as it is.
void vrxSetWindowText(HWND hwnd, LPCSTR lpszFileName, LPCSTR lpszAppName) {
    char szBuffer[VRX_MESSAGE_SIZE];
    char szFileName[VRX_MESSAGE_SIZE];
    ComposeMessage(szFileName, "%s", lpszFileName ? lpszFileName : "");
    LowerCaseLetters(szFileName);
    ComposeMessage(szBuffer, "%s - [%s]", lpszAppName, ShownName(szFileName));
    SetWindowTextA(hwnd, szBuffer);
}

int vrxAskExit(HWND hwnd, LPCSTR lpszAppTitle) {
    int nAnswer = MessageBoxA(hwnd, "Quit now?", lpszAppTitle, MB_OKCANCEL | MB_ICONQUESTION);
    return nAnswer;
}

void vrxOutOfMemory(void) {
    MessageBoxA(NULL, "Insufficient memory", "STATUS", MB_OK | MB_SYSTEMMODAL);
}

// Handles a message taken off the queue: an accelerator key becomes its
// command; anything else is translated (keys yield characters) and dispatched.
void vrxDispatchMessage(HWND hwnd, HACCEL hAccelerators, MSG* pMsg) {
    if (TranslateAcceleratorA(hwnd, hAccelerators, pMsg)) return;
    TranslateMessage(pMsg);
    DispatchMessageA(pMsg);
}

// Empties hwnd's part of the queue; returns the last message taken, a zeroed
// record when there was none.
MSG vrxCheckMessage(HWND hwnd, HACCEL hAccelerators) {
    MSG msg;
    std::memset(&msg, 0, sizeof msg);
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) vrxDispatchMessage(hwnd, hAccelerators, &msg);
    return msg;
}

int vrxToggleMenuItem(HMENU hMenu, UINT wParam, int bValue) {
    if (bValue) {
        CheckMenuItem(hMenu, wParam, MF_BYCOMMAND | MF_UNCHECKED);
        return 0;
    }
    CheckMenuItem(hMenu, wParam, MF_BYCOMMAND | MF_CHECKED);
    return 1;
}

// A sunken frame outside the interior (bounds inclusive): light on the bottom
// and right, dark on the top and left, with a second dark line at depth 2.
void vrxDrawRecessedBox(HDC hdc, int iLeft, int iTop, int iRight, int iBottom, int iDepth) {
    const POINT ptLight[4] = {{iLeft - iDepth, iBottom + 1}, {iRight + 2, iBottom + 1},
                              {iRight + 1, iTop - iDepth}, {iRight + 1, iBottom + 2}};
    const POINT ptShadow[4] = {{iLeft - iDepth, iTop - iDepth}, {iRight + 1, iTop - iDepth},
                               {iLeft - iDepth, iTop - 1}, {iLeft - iDepth, iBottom + 1}};
    const POINT ptInner[4] = {{iLeft - 1, iTop - 1}, {iRight, iTop - 1},
                              {iLeft - 1, iTop - 1}, {iLeft - 1, iBottom}};
    DrawLinePair(hdc, COLOR_BTNHIGHLIGHT, ptLight);
    DrawLinePair(hdc, COLOR_BTNSHADOW, ptShadow);
    if (iDepth == 2) DrawLinePair(hdc, COLOR_BTNTEXT, ptInner);
}

// Paints a status bar along the bottom of hwnd, one line of hdc's font high,
// and returns the recessed field that the text goes in.
RECT vrxCreateStatusBar(HWND hwnd, HDC hdc) {
    RECT rectWindow;
    TEXTMETRICA tm;
    GetClientRect(hwnd, &rectWindow);
    GetTextMetricsA(hdc, &tm);
    int iHeight = tm.tmHeight + tm.tmExternalLeading;
    RECT rectStatus = {rectWindow.left + 10, rectWindow.bottom - iHeight - 3, rectWindow.right - 10,
                       rectWindow.bottom - 3};
    RECT rectBar = {rectWindow.left, rectStatus.top - 2, rectWindow.right, rectWindow.bottom};
    FillWithSystemColor(hdc, rectBar, COLOR_BTNFACE);
    DrawRule(hdc, COLOR_BTNTEXT, rectWindow, rectStatus.top - 4);
    DrawRule(hdc, COLOR_BTNHIGHLIGHT, rectWindow, rectStatus.top - 3);
    vrxDrawRecessedBox(hdc, rectStatus.left, rectStatus.top, rectStatus.right, rectStatus.bottom, 1);
    return rectStatus;
}

// Writes text at a character cell; a colour is set, and put back, only when it differs.
void vrxSay(HWND hwnd, WORD wShowRow, WORD wShowColumn, COLORREF dwTextColor, COLORREF dwBkColor,
            LPCSTR lpszText) {
    HDC hdc = GetDC(hwnd);
    if (cxChar == 0) {
        TEXTMETRICA tm;
        GetTextMetricsA(hdc, &tm);
        cxChar = tm.tmAveCharWidth;
        cyChar = tm.tmHeight + tm.tmExternalLeading;
    }
    COLORREF dwOldTextColor = GetTextColor(hdc);
    if (dwOldTextColor != dwTextColor) SetTextColor(hdc, dwTextColor);
    COLORREF dwOldBkColor = GetBkColor(hdc);
    if (dwOldBkColor != dwBkColor) SetBkColor(hdc, dwBkColor);
    TextOutA(hdc, wShowColumn * cxChar, wShowRow * cyChar, lpszText, lstrlenA(lpszText));
    if (dwOldTextColor != dwTextColor) SetTextColor(hdc, dwOldTextColor);
    if (dwOldBkColor != dwBkColor) SetBkColor(hdc, dwOldBkColor);
    ReleaseDC(hwnd, hdc);
}

// Copies the list box's items, one per line, to the clipboard as plain text;
// the block goes to the clipboard or is freed before the function returns.
BYTE vrxListBoxToClipboard(HWND hwndMain, HWND hwndList, LPCSTR lpszAppTitle) {
    BYTE bSuccess = FALSE;
    HGLOBAL hClipboardBuffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, VRX_CLIPBOARD_SIZE);
    if (!hClipboardBuffer) {
        vrxOutOfMemory();
        return FALSE;
    }
    LPSTR lpszClipboardText = static_cast<LPSTR>(GlobalLock(hClipboardBuffer));
    if (!lpszClipboardText) {
        GlobalFree(hClipboardBuffer);
        vrxOutOfMemory();
        return FALSE;
    }
    UINT uListCount = CopyListText(hwndList, lpszClipboardText);
    GlobalUnlock(hClipboardBuffer);
    if (uListCount == 0) {
        GlobalFree(hClipboardBuffer);
        return FALSE;
    }
    if (OpenClipboard(hwndMain)) {
        EmptyClipboard();
        SetClipboardData(CF_TEXT, hClipboardBuffer);
        CloseClipboard();
        bSuccess = TRUE;
    } else {
        MessageBoxA(NULL, "Cannot open Clipboard - try later", lpszAppTitle,
                    MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
        GlobalFree(hClipboardBuffer);
    }
    return bSuccess;
}
