// Device contexts, painting and GDI on each top-level window's 32-bit
// framebuffer: brushes, pens, fills, pixels, lines, text cells and colours,
// all clipped to the client area.
#include "core.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platform {

namespace {

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kSystemColorCount = 31;

const COLORREF kSystemColors[kSystemColorCount] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(0, 0, 0),       RGB(0, 0, 255),     RGB(16, 132, 208),
    RGB(181, 181, 181), RGB(49, 106, 197),  RGB(236, 233, 216)};

const COLORREF kVgaPalette[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void* AllocateFramebuffer(size_t cbSize) {
    if (AllocationRefused()) throw std::bad_alloc();
    void* p = nullptr;
#if defined(__linux__)
    if (cbSize >= kHugePage) {
        size_t cbRounded = (cbSize + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, cbRounded);
        if (p) madvise(p, cbRounded, MADV_HUGEPAGE);
    }
#endif
    if (!p) p = std::malloc(cbSize ? cbSize : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void FreeFramebuffer(void* p, size_t) { std::free(p); }

namespace {

// The framebuffer a device context draws into, or none (screen, child window).
Window* Surface(HDC hdc, DeviceContext** ppDC = nullptr) {
    DeviceContext* pDC = FindDC(hdc);
    if (ppDC) *ppDC = pDC;
    if (!pDC) return nullptr;
    Window* pWindow = FindWindowRecord(pDC->hwnd);
    if (!pWindow || (pWindow->dwStyle & WS_CHILD) || pWindow->pixels.empty()) return nullptr;
    return pWindow;
}

// Surface for SetPixel and GetPixel, without the two handle look-ups while
// the device context is the one used last.
Window* PixelSurface(HDC hdc) {
    Core& core = TheCore();
    auto& target = core.pixelTarget;
    uint64_t uRemovals = core.dcs.Removals() + core.windows.Removals();
    if (target.hdc != hdc || target.uRemovals != uRemovals || !target.pWindow) {
        target.hdc = hdc;
        target.uRemovals = uRemovals;
        target.pWindow = Surface(hdc);
    }
    Window* pWindow = target.pWindow;
    return pWindow && !pWindow->pixels.empty() ? pWindow : nullptr;
}

void MarkDirty(Window& window, int iLeft, int iTop, int iRight, int iBottom) {
    if (!window.bDirty) {
        window.rcDirty = {iLeft, iTop, iRight, iBottom};
        window.bDirty = true;
        return;
    }
    window.rcDirty.left = std::min<LONG>(window.rcDirty.left, iLeft);
    window.rcDirty.top = std::min<LONG>(window.rcDirty.top, iTop);
    window.rcDirty.right = std::max<LONG>(window.rcDirty.right, iRight);
    window.rcDirty.bottom = std::max<LONG>(window.rcDirty.bottom, iBottom);
}

void FillClipped(Window& window, RECT rc, COLORREF crWord) {
    rc.left = std::max<LONG>(rc.left, 0);
    rc.top = std::max<LONG>(rc.top, 0);
    rc.right = std::min<LONG>(rc.right, window.iClientWidth);
    rc.bottom = std::min<LONG>(rc.bottom, window.iClientHeight);
    if (rc.left >= rc.right || rc.top >= rc.bottom) return;
    for (LONG y = rc.top; y < rc.bottom; ++y) {
        uint32_t* pRow = window.pixels.data() + static_cast<size_t>(y) * window.iClientWidth;
        std::fill(pRow + rc.left, pRow + rc.right, crWord);
    }
    MarkDirty(window, rc.left, rc.top, rc.right, rc.bottom);
}

void PutPixel(Window& window, int x, int y, COLORREF crWord) {
    if (x < 0 || y < 0 || x >= window.iClientWidth || y >= window.iClientHeight) return;
    window.pixels[static_cast<size_t>(y) * window.iClientWidth + x] = crWord;
    const RECT& rc = window.rcDirty;
    // Mostly the pixel lies in the area already marked: nothing to store.
    if (!window.bDirty || x < rc.left || y < rc.top || x >= rc.right || y >= rc.bottom)
        MarkDirty(window, x, y, x + 1, y + 1);
}

HGDIOBJ NewGdiObject(GdiKind kind, COLORREF color, int iWidth) {
    auto pObject = std::make_unique<GdiObject>();
    pObject->kind = kind;
    pObject->color = color;
    pObject->iWidth = iWidth;
    return reinterpret_cast<HGDIOBJ>(TheCore().gdiObjects.Add(std::move(pObject)));
}

// A brush handle, or a system colour index plus one as Win32 allows in place of one.
bool BrushColor(HBRUSH hbr, COLORREF* pColor) {
    uintptr_t uValue = reinterpret_cast<uintptr_t>(hbr);
    if (uValue >= 1 && uValue <= kSystemColorCount) {
        *pColor = GetSysColor(static_cast<int>(uValue - 1));
        return true;
    }
    GdiObject* pObject = FindGdiObject(hbr);
    if (!pObject || pObject->kind != GdiKind::Brush) return false;
    *pColor = pObject->color;
    return true;
}

}  // namespace

GdiObject* FindGdiObject(HGDIOBJ h) {
    return TheCore().gdiObjects.Find(reinterpret_cast<uintptr_t>(h));
}

// Indices below 16 show the VGA colours; above, a fixed 256-colour palette:
// a 6 x 6 x 6 cube followed by 24 greys, repeating every 256 indices.
COLORREF DisplayColor(COLORREF crWord) {
    if ((crWord >> 24) != 0x01) return crWord & 0x00FFFFFF;
    unsigned uIndex = crWord & 0xFFFF;
    if (uIndex < 16) return kVgaPalette[uIndex];
    uIndex &= 0xFF;
    if (uIndex < 16) return kVgaPalette[uIndex];
    if (uIndex >= 232) {
        BYTE bGrey = static_cast<BYTE>(8 + (uIndex - 232) * 10);
        return RGB(bGrey, bGrey, bGrey);
    }
    static const BYTE kLevels[6] = {0, 95, 135, 175, 215, 255};
    unsigned uCube = uIndex - 16;
    return RGB(kLevels[uCube / 36], kLevels[(uCube / 6) % 6], kLevels[uCube % 6]);
}

bool TakeDirtyRect(HWND hwnd, RECT* pRect) {
    Window* pWindow = FindWindowRecord(hwnd);
    if (!pWindow || !pWindow->bDirty) return false;
    *pRect = pWindow->rcDirty;
    pWindow->bDirty = false;
    return true;
}

}  // namespace platform

using namespace platform;

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow) return hWnd == nullptr;
    RECT rc{0, 0, pWindow->iClientWidth, pWindow->iClientHeight};
    if (lpRect) {
        rc.left = std::max(rc.left, lpRect->left);
        rc.top = std::max(rc.top, lpRect->top);
        rc.right = std::min(rc.right, lpRect->right);
        rc.bottom = std::min(rc.bottom, lpRect->bottom);
    }
    if (rc.left >= rc.right || rc.top >= rc.bottom) return TRUE;
    if (!pWindow->bInvalid) {
        pWindow->rcInvalid = rc;
    } else {
        RECT& u = pWindow->rcInvalid;
        u = {std::min(u.left, rc.left), std::min(u.top, rc.top), std::max(u.right, rc.right),
             std::max(u.bottom, rc.bottom)};
    }
    pWindow->bInvalid = true;
    if (bErase) pWindow->bEraseBackground = true;
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    Window* pWindow = FindWindowRecord(hWnd);
    if (!pWindow || !lpPaint) return nullptr;
    std::memset(lpPaint, 0, sizeof(*lpPaint));
    HDC hdc = GetDC(hWnd);
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = pWindow->bInvalid ? pWindow->rcInvalid : RECT{0, 0, 0, 0};
    bool bErase = pWindow->bEraseBackground;
    pWindow->bInvalid = false;
    pWindow->bEraseBackground = false;
    lpPaint->fErase = FALSE;
    if (bErase) lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
    return hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    if (!lpPaint) return FALSE;
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    Window* pWindow = nullptr;
    if (hWnd) {
        pWindow = FindWindowRecord(hWnd);
        if (!pWindow) return nullptr;
        if (pWindow->hdcOwn) return pWindow->hdcOwn;
    }
    auto pDC = std::make_unique<DeviceContext>();
    pDC->hwnd = hWnd;
    return reinterpret_cast<HDC>(TheCore().dcs.Add(std::move(pDC)));
}

int WINAPI ReleaseDC(HWND, HDC hDC) {
    DeviceContext* pDC = FindDC(hDC);
    if (!pDC) return 0;
    if (!pDC->bOwnDC) TheCore().dcs.Remove(reinterpret_cast<uintptr_t>(hDC));
    return 1;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (!FindDC(hdc)) return 0;
    DisplayCaps caps = GetBackend().Caps();
    switch (index) {
    case PLANES: return caps.iPlanes;
    case BITSPIXEL: return caps.iBitsPixel;
    case NUMCOLORS: return caps.iNumColors;
    case SIZEPALETTE: return caps.iSizePalette;
    case COLORRES: return caps.iColorRes;
    case HORZRES: return GetBackend().MaximizedClientSize().cx;
    case VERTRES: return GetBackend().MaximizedClientSize().cy;
    default: return 0;
    }
}

BOOL WINAPI MessageBeep(UINT uType) {
    GetBackend().Beep(uType);
    return TRUE;
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(NewGdiObject(GdiKind::Brush, color, 0));
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle != PS_SOLID) return nullptr;
    return static_cast<HPEN>(NewGdiObject(GdiKind::Pen, color, std::max(1, cWidth)));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* pDC = FindDC(hdc);
    GdiObject* pObject = FindGdiObject(h);
    if (!pDC || !pObject) return nullptr;
    HGDIOBJ hOld = nullptr;
    if (pObject->kind == GdiKind::Brush) {
        hOld = pDC->hbrSelected;
        pDC->hbrSelected = static_cast<HBRUSH>(h);
    } else {
        hOld = pDC->hpenSelected;
        pDC->hpenSelected = static_cast<HPEN>(h);
    }
    // A context starts with no object of ours selected; hand back a value that
    // SelectObject accepts as "nothing" so the usual save/restore pairs work.
    return hOld ? hOld : reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0));
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    if (!FindGdiObject(ho)) return FALSE;
    // An object still selected into a context is forgotten there, as if deselected.
    TheCore().dcs.ForEach([&](uintptr_t, DeviceContext& dc) {
        if (dc.hbrSelected == ho) dc.hbrSelected = nullptr;
        if (dc.hpenSelected == ho) dc.hpenSelected = nullptr;
    });
    return TheCore().gdiObjects.Remove(reinterpret_cast<uintptr_t>(ho));
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    COLORREF crColor = 0;
    DeviceContext* pDC = nullptr;
    Window* pWindow = Surface(hDC, &pDC);
    if (!lprc || !BrushColor(hbr, &crColor) || !pDC) return 0;
    if (pWindow) FillClipped(*pWindow, *lprc, crColor);
    GetBackend().RectangleFilled(pDC->hwnd, *lprc, crColor);
    return 1;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Window* pWindow = PixelSurface(hdc);
    if (!pWindow || x < 0 || y < 0 || x >= pWindow->iClientWidth || y >= pWindow->iClientHeight)
        return static_cast<COLORREF>(-1);
    PutPixel(*pWindow, x, y, color);
    return color;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    Window* pWindow = PixelSurface(hdc);
    if (!pWindow || x < 0 || y < 0 || x >= pWindow->iClientWidth || y >= pWindow->iClientHeight)
        return static_cast<COLORREF>(-1);
    return pWindow->pixels[static_cast<size_t>(y) * pWindow->iClientWidth + x];
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DeviceContext* pDC = FindDC(hdc);
    if (!pDC) return FALSE;
    if (lppt) *lppt = pDC->ptCurrent;
    pDC->ptCurrent = {x, y};
    return TRUE;
}

// Horizontal, vertical and diagonal lines by Bresenham; the end point is not painted.
BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    DeviceContext* pDC = nullptr;
    Window* pWindow = Surface(hdc, &pDC);
    if (!pDC) return FALSE;
    POINT ptFrom = pDC->ptCurrent;
    pDC->ptCurrent = {x, y};
    GdiObject* pPen = FindGdiObject(pDC->hpenSelected);
    COLORREF crPen = pPen ? pPen->color : RGB(0, 0, 0);
    if (!pWindow) return TRUE;
    int dx = std::abs(x - ptFrom.x), dy = -std::abs(y - ptFrom.y);
    int sx = ptFrom.x < x ? 1 : -1, sy = ptFrom.y < y ? 1 : -1;
    int iError = dx + dy;
    int cx = ptFrom.x, cy = ptFrom.y;
    while (cx != x || cy != y) {
        PutPixel(*pWindow, cx, cy, crPen);
        int iError2 = 2 * iError;
        if (iError2 >= dy) {
            iError += dy;
            cx += sx;
        }
        if (iError2 <= dx) {
            iError += dx;
            cy += sy;
        }
    }
    return TRUE;
}

// Text is drawn as opaque character cells in the background colour.
BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    DeviceContext* pDC = nullptr;
    Window* pWindow = Surface(hdc, &pDC);
    if (!pDC || !lpString || c < 0) return FALSE;
    if (pWindow) FillClipped(*pWindow, RECT{x, y, x + c * kCellWidth, y + kCellHeight}, pDC->crBk);
    return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    if (!FindDC(hdc) || !lptm) return FALSE;
    std::memset(lptm, 0, sizeof(*lptm));
    lptm->tmHeight = kCellHeight;
    lptm->tmAscent = 13;
    lptm->tmDescent = 3;
    lptm->tmAveCharWidth = kCellWidth;
    lptm->tmMaxCharWidth = kCellWidth;
    lptm->tmWeight = 400;
    lptm->tmDigitizedAspectX = 96;
    lptm->tmDigitizedAspectY = 96;
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = '?';
    lptm->tmBreakChar = ' ';
    lptm->tmPitchAndFamily = 0x31;
    return TRUE;
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    DeviceContext* pDC = FindDC(hdc);
    return pDC ? pDC->crText : static_cast<COLORREF>(-1);
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* pDC = FindDC(hdc);
    if (!pDC) return static_cast<COLORREF>(-1);
    return std::exchange(pDC->crText, color);
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    DeviceContext* pDC = FindDC(hdc);
    return pDC ? pDC->crBk : static_cast<COLORREF>(-1);
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* pDC = FindDC(hdc);
    if (!pDC) return static_cast<COLORREF>(-1);
    return std::exchange(pDC->crBk, color);
}

DWORD WINAPI GetSysColor(int nIndex) {
    if (nIndex < 0 || nIndex >= kSystemColorCount) return 0;
    return kSystemColors[nIndex];
}
