// The thread's message queue: posted messages first, then input, then the
// quit message, then WM_PAINT for a window with an invalid region; key state,
// character translation, dispatching and accelerator tables.
#include "core.h"

#include <algorithm>

namespace platform {

namespace {

bool IsSameOrDescendant(HWND hwnd, HWND hwndAncestor) {
    for (int iDepth = 0; hwnd && iDepth < 64; ++iDepth) {
        if (hwnd == hwndAncestor) return true;
        Window* pWindow = FindWindowRecord(hwnd);
        if (!pWindow || !(pWindow->dwStyle & WS_CHILD)) return false;
        hwnd = pWindow->hwndParent;
    }
    return false;
}

bool Matches(const MSG& msg, HWND hWnd, UINT uMin, UINT uMax) {
    if (hWnd && !IsSameOrDescendant(msg.hwnd, hWnd)) return false;
    if (uMin == 0 && uMax == 0) return true;
    return msg.message >= uMin && msg.message <= uMax;
}

bool TakeFrom(std::deque<QueuedMessage>& queue, LPMSG lpMsg, HWND hWnd, UINT uMin, UINT uMax,
              bool bRemove, QueuedMessage* pTaken) {
    auto it = std::find_if(queue.begin(), queue.end(), [&](const QueuedMessage& q) {
        return Matches(q.msg, hWnd, uMin, uMax);
    });
    if (it == queue.end()) return false;
    *lpMsg = it->msg;
    *pTaken = *it;
    if (bRemove) queue.erase(it);
    return true;
}

// A window of the filter that has an invalid region, top-level windows first.
HWND WindowNeedingPaint(HWND hWnd) {
    HWND hwndFound = nullptr;
    TheCore().windows.ForEach([&](uintptr_t h, const Window& w) {
        HWND hwnd = reinterpret_cast<HWND>(h);
        if (hwndFound || !w.bInvalid || !w.bVisible) return;
        if (!hWnd || IsSameOrDescendant(hwnd, hWnd)) hwndFound = hwnd;
    });
    return hwndFound;
}

void NoteKeyTaken(const QueuedMessage& taken) {
    Core& core = TheCore();
    const MSG& msg = taken.msg;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        core.keyState[msg.wParam & 0xFF] |= 0x80;
        core.lastKey = taken;
    } else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
        core.keyState[msg.wParam & 0xFF] &= static_cast<BYTE>(~0x80);
    }
}

// Takes the next message of the filter, in Win32's order of retrieval.
bool TakeMessage(LPMSG lpMsg, HWND hWnd, UINT uMin, UINT uMax, bool bRemove) {
    Core& core = TheCore();
    QueuedMessage taken;
    if (TakeFrom(core.posted, lpMsg, hWnd, uMin, uMax, bRemove, &taken) ||
        TakeFrom(core.input, lpMsg, hWnd, uMin, uMax, bRemove, &taken)) {
        lpMsg->time = ++core.dwTime;
        if (bRemove) NoteKeyTaken(taken);
        return true;
    }
    // WM_QUIT belongs to no window and is retrieved whatever the filter.
    if (core.bQuitPosted) {
        *lpMsg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(core.iQuitCode), 0, ++core.dwTime, {}};
        if (bRemove) core.bQuitPosted = false;
        return true;
    }
    if (uMin == 0 || (uMin <= WM_PAINT && uMax >= WM_PAINT)) {
        if (HWND hwndPaint = WindowNeedingPaint(hWnd)) {
            *lpMsg = MSG{hwndPaint, WM_PAINT, 0, 0, ++core.dwTime, {}};
            return true;
        }
    }
    return false;
}

}  // namespace

void PostInput(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam, char chText) {
    QueuedMessage q;
    q.msg = MSG{hwnd, uMessage, wParam, lParam, 0, {}};
    q.chText = chText;
    TheCore().input.push_back(q);
}

char CharForVirtualKey(UINT uVirtualKey, bool bShift) {
    static const char kShiftedDigits[] = ")!@#$%^&*(";
    if (uVirtualKey >= 'A' && uVirtualKey <= 'Z')
        return static_cast<char>(bShift ? uVirtualKey : uVirtualKey - 'A' + 'a');
    if (uVirtualKey >= '0' && uVirtualKey <= '9')
        return bShift ? kShiftedDigits[uVirtualKey - '0'] : static_cast<char>(uVirtualKey);
    if (uVirtualKey >= VK_NUMPAD0 && uVirtualKey <= VK_NUMPAD9)
        return static_cast<char>('0' + uVirtualKey - VK_NUMPAD0);
    switch (uVirtualKey) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_MULTIPLY: return '*';
    case VK_DIVIDE: return '/';
    case VK_DECIMAL: return '.';
    case VK_OEM_2: return bShift ? '?' : '/';
    case VK_OEM_PLUS: return bShift ? '+' : '=';
    case VK_OEM_MINUS: return bShift ? '_' : '-';
    default: return 0;
    }
}

}  // namespace platform

using namespace platform;

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    if (!lpMsg) return FALSE;
    GetBackend().Poll();
    return TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0);
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) return -1;
    if (hWnd && !IsWindow(hWnd)) return -1;
    GetBackend().Poll();
    while (!TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
        if (!GetBackend().Wait()) {
            *lpMsg = MSG{nullptr, WM_QUIT, 0, 0, ++TheCore().dwTime, {}};
            return FALSE;
        }
    }
    return lpMsg->message != WM_QUIT;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd && !IsWindow(hWnd)) return FALSE;
    QueuedMessage q;
    q.msg = MSG{hWnd, Msg, wParam, lParam, 0, {}};
    TheCore().posted.push_back(q);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    TheCore().bQuitPosted = true;
    TheCore().iQuitCode = nExitCode;
}

SHORT WINAPI GetKeyState(int nVirtKey) {
    return (TheCore().keyState[nVirtKey & 0xFF] & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
    const QueuedMessage& lastKey = TheCore().lastKey;
    char chText = 0;
    if (lastKey.msg.message == lpMsg->message && lastKey.msg.wParam == lpMsg->wParam &&
        lastKey.msg.hwnd == lpMsg->hwnd && lastKey.chText)
        chText = lastKey.chText;
    else
        chText = CharForVirtualKey(static_cast<UINT>(lpMsg->wParam), GetKeyState(VK_SHIFT) < 0);
    if (!chText) return FALSE;
    UINT uCharMessage = lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    PostMessageA(lpMsg->hwnd, uCharMessage, static_cast<unsigned char>(chText), lpMsg->lParam);
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg || !lpMsg->hwnd) return 0;
    return SendMessageA(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

HACCEL WINAPI CreateAcceleratorTableA(LPACCEL paccel, int cAccel) {
    if (!paccel || cAccel <= 0) return nullptr;
    auto pTable = std::make_unique<Accelerators>();
    pTable->entries.assign(paccel, paccel + cAccel);
    return reinterpret_cast<HACCEL>(TheCore().accelerators.Add(std::move(pTable)));
}

BOOL WINAPI DestroyAcceleratorTable(HACCEL hAccel) {
    return TheCore().accelerators.Remove(reinterpret_cast<uintptr_t>(hAccel));
}

// A virtual-key entry matches a key-down of that key with exactly the entry's
// Shift, Ctrl and Alt; an ASCII entry matches the character message.
int WINAPI TranslateAcceleratorA(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
    Accelerators* pTable = TheCore().accelerators.Find(reinterpret_cast<uintptr_t>(hAccTable));
    if (!pTable || !lpMsg || !IsWindow(hWnd)) return 0;
    UINT uMessage = lpMsg->message;
    bool bKey = uMessage == WM_KEYDOWN || uMessage == WM_SYSKEYDOWN;
    bool bChar = uMessage == WM_CHAR || uMessage == WM_SYSCHAR;
    if (!bKey && !bChar) return 0;
    BYTE fState = (GetKeyState(VK_SHIFT) < 0 ? FSHIFT : 0) |
                  (GetKeyState(VK_CONTROL) < 0 ? FCONTROL : 0) |
                  (GetKeyState(VK_MENU) < 0 ? FALT : 0);
    for (const ACCEL& accel : pTable->entries) {
        bool bMatch = false;
        if (accel.fVirt & FVIRTKEY)
            bMatch = bKey && accel.key == (lpMsg->wParam & 0xFFFF) &&
                     (accel.fVirt & (FSHIFT | FCONTROL | FALT)) == fState;
        else
            bMatch = bChar && accel.key == (lpMsg->wParam & 0xFFFF) &&
                     ((accel.fVirt & FALT) != 0) == (uMessage == WM_SYSCHAR);
        if (bMatch) {
            SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(accel.cmd, 1), 0);
            return 1;
        }
    }
    return 0;
}
