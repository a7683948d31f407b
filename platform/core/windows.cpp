// Window classes, windows and their procedures: creation, showing, sizing,
// destruction, captions, focus, sent messages and default processing.
#include "core.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <strings.h>

namespace platform {

namespace {

constexpr uintptr_t kWindowTag = 0x2;
constexpr uintptr_t kDcTag = 0x4;
constexpr uintptr_t kGdiTag = 0x6;
constexpr uintptr_t kAccelTag = 0x8;
constexpr uintptr_t kMenuTag = 0xA;

std::unique_ptr<Core> g_pCoreOwned;

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

WindowClass* FindClass(LPCSTR lpszName) {
    for (auto& cls : TheCore().classes)
        if (SameName(cls.sName, lpszName)) return &cls;
    return nullptr;
}

LRESULT CallProc(Window& window, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    if (window.pfnProc) return window.pfnProc(window.hwnd, uMessage, wParam, lParam);
    return DefWindowProcA(window.hwnd, uMessage, wParam, lParam);
}

HWND NewHandle(std::unique_ptr<Window> pWindow) {
    Window* pRaw = pWindow.get();
    pRaw->uCreationOrder = ++TheCore().uWindowsCreated;
    pRaw->hwnd = reinterpret_cast<HWND>(TheCore().windows.Add(std::move(pWindow)));
    return pRaw->hwnd;
}

}  // namespace

Core::Core()
    : windows(kWindowTag), dcs(kDcTag), gdiObjects(kGdiTag), accelerators(kAccelTag),
      menus(kMenuTag) {}

Core* g_pCore = nullptr;

// The new core is current before the old one goes, so that whatever the old
// one's objects do as they are destroyed reaches the new one.
Core& MakeCore() {
    auto pFresh = std::make_unique<Core>();
    g_pCore = pFresh.get();
    g_pCoreOwned = std::move(pFresh);
    return *g_pCore;
}

void ResetCore() {
    GetBackend().CoreReset();
    MakeCore();
}

Window* TopLevelOf(Window* pWindow) {
    while (pWindow && (pWindow->dwStyle & WS_CHILD) && pWindow->hwndParent)
        pWindow = FindWindowRecord(pWindow->hwndParent);
    return pWindow;
}

bool ResizeClient(Window& window, int iWidth, int iHeight) {
    window.iClientWidth = std::max(0, iWidth);
    window.iClientHeight = std::max(0, iHeight);
    if ((window.dwStyle & WS_CHILD) || !GetBackend().KeepsPixels()) return true;
    size_t uPixels = static_cast<size_t>(window.iClientWidth) * window.iClientHeight;
    decltype(window.pixels)().swap(window.pixels);  // the old ones go first
    try {
        window.pixels.assign(uPixels, 0);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

HICON ClassIconOf(HWND hwnd) {
    Window* pWindow = FindWindowRecord(hwnd);
    WindowClass* pClass = pWindow ? FindClass(pWindow->sClass.c_str()) : nullptr;
    return pClass ? pClass->wc.hIcon : nullptr;
}

HCURSOR ClassCursorOf(HWND hwnd) {
    Window* pWindow = FindWindowRecord(hwnd);
    WindowClass* pClass = pWindow ? FindClass(pWindow->sClass.c_str()) : nullptr;
    return pClass ? pClass->wc.hCursor : nullptr;
}

// The window system changed a top-level window's client size: the window gets
// WM_SIZE and its whole client area becomes invalid, as with a user's resize.
void ClientResized(HWND hwnd, int iWidth, int iHeight) {
    Window* pWindow = FindWindowRecord(hwnd);
    if (!pWindow || (pWindow->dwStyle & WS_CHILD)) return;
    if (iWidth == pWindow->iClientWidth && iHeight == pWindow->iClientHeight) return;
    ResizeClient(*pWindow, iWidth, iHeight);
    pWindow->bMinimized = iWidth == 0 && iHeight == 0;
    WPARAM wSizeType = pWindow->bMinimized ? SIZE_MINIMIZED
                       : pWindow->bMaximized ? SIZE_MAXIMIZED
                                             : SIZE_RESTORED;
    SendMessageA(hwnd, WM_SIZE, wSizeType, MAKELPARAM(iWidth, iHeight));
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace platform

using namespace platform;

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc) return 0;
    if (FindClass(lpWndClass->lpszClassName)) return 0;
    WindowClass cls;
    cls.sName = lpWndClass->lpszClassName;
    cls.wc = *lpWndClass;
    if (lpWndClass->lpszMenuName) {
        cls.bMenuNameIsId = IS_INTRESOURCE(lpWndClass->lpszMenuName);
        if (!cls.bMenuNameIsId) cls.sMenuName = lpWndClass->lpszMenuName;
    }
    cls.wc.lpszClassName = nullptr;
    TheCore().classes.push_back(std::move(cls));
    return static_cast<ATOM>(0xC000 + TheCore().classes.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    auto& classes = TheCore().classes;
    auto it = std::find_if(classes.begin(), classes.end(),
                           [&](const WindowClass& c) { return SameName(c.sName, lpClassName); });
    if (it == classes.end()) return FALSE;
    bool bInUse = false;
    TheCore().windows.ForEach([&](uintptr_t, const Window& w) {
        if (SameName(w.sClass, lpClassName)) bInUse = true;
    });
    if (bInUse) return FALSE;
    classes.erase(it);
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                            HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    WindowClass* pClass = lpClassName ? FindClass(lpClassName) : nullptr;
    auto pWindow = std::make_unique<Window>();
    Window& window = *pWindow;
    window.sClass = lpClassName ? lpClassName : "";
    window.dwStyle = dwStyle;
    window.dwExStyle = dwExStyle;
    window.sText = lpWindowName ? lpWindowName : "";
    window.hwndParent = hWndParent;
    if (pClass) {
        window.pfnProc = pClass->wc.lpfnWndProc;
        window.uClassStyle = pClass->wc.style;
        window.hbrBackground = pClass->wc.hbrBackground;
    } else if (!SameName(window.sClass, "LISTBOX") && !SameName(window.sClass, "EDIT") &&
               !SameName(window.sClass, "BUTTON") && !SameName(window.sClass, "STATIC")) {
        return nullptr;
    } else {
        window.pfnProc = BuiltInClassProc(window.sClass);
    }
    if (dwStyle & WS_CHILD) {
        window.iId = static_cast<int>(reinterpret_cast<uintptr_t>(hMenu));
        window.rcWindow = {X, Y, X + nWidth, Y + nHeight};
        ResizeClient(window, nWidth, nHeight);
    } else {
        window.hMenu = hMenu;
        if (!window.hMenu && pClass && (pClass->bMenuNameIsId || !pClass->sMenuName.empty()))
            window.hMenu = LoadMenuA(pClass->wc.hInstance,
                                     pClass->bMenuNameIsId ? pClass->wc.lpszMenuName
                                                           : pClass->sMenuName.c_str());
        SIZE size = GetBackend().DefaultClientSize();
        if (nWidth != CW_USEDEFAULT && nWidth > 0) size.cx = nWidth;
        if (nHeight != CW_USEDEFAULT && nHeight > 0) size.cy = nHeight;
        int iLeft = X == CW_USEDEFAULT ? 0 : X;
        int iTop = Y == CW_USEDEFAULT ? 0 : Y;
        window.rcWindow = {iLeft, iTop, iLeft + size.cx, iTop + size.cy};
        if (!ResizeClient(window, size.cx, size.cy)) return nullptr;
    }
    HWND hwnd = NewHandle(std::move(pWindow));
    Window* pNew = FindWindowRecord(hwnd);
    if (pNew->uClassStyle & CS_OWNDC) {
        auto pDC = std::make_unique<DeviceContext>();
        pDC->hwnd = hwnd;
        pDC->bOwnDC = true;
        pNew->hdcOwn = reinterpret_cast<HDC>(TheCore().dcs.Add(std::move(pDC)));
    }
    // Dialogs reach the backend whole, when they run.
    if (!(dwStyle & WS_CHILD) && !SameName(pNew->sClass, "#32770")) GetBackend().WindowCreated(hwnd);
    CREATESTRUCTA cs{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X,
                     static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (!CallProc(*pNew, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    pNew = FindWindowRecord(hwnd);
    if (!pNew || CallProc(*pNew, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    pNew = FindWindowRecord(hwnd);
    if (pNew && (dwStyle & WS_VISIBLE)) pNew->bVisible = true;
    return pNew ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow || pWindow->bDestroying) return FALSE;
    pWindow->bDestroying = true;
    bool bTopLevel = !(pWindow->dwStyle & WS_CHILD);
    CallProc(*pWindow, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    TheCore().windows.ForEach([&](uintptr_t h, const Window& w) {
        if (w.hwndParent == hWnd) children.push_back(reinterpret_cast<HWND>(h));
    });
    for (HWND hChild : children) DestroyWindow(hChild);
    if ((pWindow = FindWindowRecord(hWnd)) == nullptr) return TRUE;
    CallProc(*pWindow, WM_NCDESTROY, 0, 0);
    if ((pWindow = FindWindowRecord(hWnd)) == nullptr) return TRUE;
    Core& core = TheCore();
    if (pWindow->hdcOwn) core.dcs.Remove(reinterpret_cast<uintptr_t>(pWindow->hdcOwn));
    if (pWindow->hMenu && bTopLevel) DestroyMenu(pWindow->hMenu);
    if (core.hwndFocus == hWnd) core.hwndFocus = nullptr;
    // Messages for a window that no longer exists are never delivered.
    auto forWindow = [&](const QueuedMessage& q) { return q.msg.hwnd == hWnd; };
    core.posted.erase(std::remove_if(core.posted.begin(), core.posted.end(), forWindow),
                      core.posted.end());
    core.input.erase(std::remove_if(core.input.begin(), core.input.end(), forWindow),
                     core.input.end());
    if (bTopLevel) GetBackend().WindowDestroyed(hWnd);
    core.windows.Remove(reinterpret_cast<uintptr_t>(hWnd));
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return FindWindowRecord(hWnd) != nullptr; }

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow) return FALSE;
    BOOL bWasVisible = pWindow->bVisible;
    pWindow->bVisible = nCmdShow != SW_HIDE;
    if (pWindow->dwStyle & WS_CHILD) return bWasVisible;
    SIZE size{pWindow->iClientWidth, pWindow->iClientHeight};
    WPARAM wSizeType = SIZE_RESTORED;
    pWindow->bMinimized = false;
    pWindow->bMaximized = false;
    if (nCmdShow == SW_SHOWMAXIMIZED) {
        size = GetBackend().MaximizedClientSize();
        pWindow->bMaximized = true;
        wSizeType = SIZE_MAXIMIZED;
    } else if (nCmdShow == SW_SHOWMINIMIZED || nCmdShow == SW_MINIMIZE ||
               nCmdShow == SW_SHOWMINNOACTIVE) {
        size = {0, 0};
        pWindow->bMinimized = true;
        wSizeType = SIZE_MINIMIZED;
    }
    bool bResized = size.cx != pWindow->iClientWidth || size.cy != pWindow->iClientHeight;
    if (bResized) ResizeClient(*pWindow, size.cx, size.cy);
    GetBackend().WindowShown(hWnd, nCmdShow);
    if (pWindow->bVisible && (bResized || !bWasVisible)) {
        SendMessageA(hWnd, WM_SIZE, wSizeType, MAKELPARAM(size.cx, size.cy));
        InvalidateRect(hWnd, nullptr, TRUE);
    }
    return bWasVisible;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow || !lpRect) return FALSE;
    *lpRect = {0, 0, pWindow->iClientWidth, pWindow->iClientHeight};
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow) return FALSE;
    pWindow->sText = lpString ? lpString : "";
    if (!(pWindow->dwStyle & WS_CHILD)) GetBackend().TitleChanged(hWnd);
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!lpString || nMaxCount <= 0) return 0;
    if (!pWindow) {
        lpString[0] = '\0';
        return 0;
    }
    size_t uCount = std::min(pWindow->sText.size(), static_cast<size_t>(nMaxCount - 1));
    std::memcpy(lpString, pWindow->sText.data(), uCount);
    lpString[uCount] = '\0';
    return static_cast<int>(uCount);
}

HWND WINAPI SetFocus(HWND hWnd) {
    Core& core = TheCore();
    HWND hwndOld = core.hwndFocus;
    if (hWnd && !FindWindowRecord(hWnd)) return nullptr;
    if (hwndOld == hWnd) return hwndOld;
    core.hwndFocus = hWnd;
    if (hwndOld && FindWindowRecord(hwndOld))
        SendMessageA(hwndOld, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd && FindWindowRecord(hWnd))
        SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(hwndOld), 0);
    return hwndOld;
}

HWND WINAPI GetFocus(void) { return TheCore().hwndFocus; }

HWND WINAPI GetParent(HWND hWnd) {
    Window* pWindow = FindWindowRecord(hWnd);
    return pWindow ? pWindow->hwndParent : nullptr;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow) return 0;
    return CallProc(*pWindow, Msg, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow) return 0;
    switch (Msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_ERASEBKGND: {
        if (!pWindow->hbrBackground) return 0;
        RECT rc;
        GetClientRect(hWnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, pWindow->hbrBackground);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_SETTEXT:
        SetWindowTextA(hWnd, reinterpret_cast<LPCSTR>(lParam));
        return TRUE;
    case WM_GETTEXT:
        return GetWindowTextA(hWnd, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(pWindow->sText.size());
    case WM_QUERYENDSESSION:
        return TRUE;
    default:
        return 0;
    }
}
