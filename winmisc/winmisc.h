// The vrx window utilities: file and quit prompts, the window title, and a
// status bar, recessed frame, text output, queue drain, menu check toggle and
// list-box-to-clipboard copier. Stateless but for vrxSay's character cell.
#ifndef ORVANTA_WINMISC_H
#define ORVANTA_WINMISC_H

#include "winlocal.h"

void vrxFileMessage(HWND hwnd, LPCSTR lpszMessage, LPCSTR lpszFileName, LPCSTR lpszAppName);
int vrxAskFileSave(HWND hwnd, LPCSTR lpszFileTitle, LPCSTR lpszAppName, UINT wSaveMessage);
void vrxSetWindowText(HWND hwnd, LPCSTR lpszFileName, LPCSTR lpszAppName);
int vrxAskExit(HWND hwnd, LPCSTR lpszAppTitle);
void vrxOutOfMemory(void);

void vrxDispatchMessage(HWND hwnd, HACCEL hAccelerators, MSG* pMsg);
MSG vrxCheckMessage(HWND hwnd, HACCEL hAccelerators);
int vrxToggleMenuItem(HMENU hMenu, UINT wParam, int bValue);
void vrxDrawRecessedBox(HDC hdc, int iLeft, int iTop, int iRight, int iBottom, int iDepth);
RECT vrxCreateStatusBar(HWND hwnd, HDC hdc);
void vrxSay(HWND hwnd, WORD wShowRow, WORD wShowColumn, COLORREF dwTextColor, COLORREF dwBkColor,
            LPCSTR lpszText);
BYTE vrxListBoxToClipboard(HWND hwndMain, HWND hwndList, LPCSTR lpszAppTitle);

#endif
