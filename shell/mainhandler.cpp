// The main window's procedure: keys, mouse and wheel change the view and
// restart the picture; paint and size re-measure; closing asks first.
#include "engine.h"
#include "resource.h"
#include "veldran.h"
#include "viewfile.h"
#include "winmisc.h"

#include <climits>

namespace {

const double kZoomIn = 0.9;
const double kZoomOut = 1.1111111111111112;
const double kWheelZoomIn = 0.8999999999999999;
const double kLongerSteps = 1.5;
const double kShorterSteps = 0.6666666666666666;
const ULONG kLevelStep = 16;
const int kLowestColorFactor = 10;
const int kChannelOrders = 6;

POINT PointOf(LPARAM lParam) {
    POINT pt;
    pt.x = LOWORD(lParam);
    pt.y = HIWORD(lParam);
    return pt;
}

void Restart() { bRestarting = 1; }

// A minimised window's empty client area maps no position to the plane.
bool NoClientArea() { return iMaxX <= 0 || iMaxY <= 0; }

bool ViewKey(HWND hwnd, WPARAM wKey) {
    switch (wKey) {
    case VK_LEFT: dfSetMidX -= dfSetWidth * dfMoveFactor; break;
    case VK_UP: dfSetMidY -= dfSetHeight * dfMoveFactor; break;
    case VK_RIGHT: dfSetMidX += dfSetWidth * dfMoveFactor; break;
    case VK_DOWN: dfSetMidY += dfSetHeight * dfMoveFactor; break;
    case VK_INSERT: dfSetHeight *= kZoomIn; break;
    case VK_DELETE: dfSetHeight *= kZoomOut; break;
    case 'C': dfSetMidX = dfSetMidY = 0.0; break;
    default: return false;
    }
    NewSet(hwnd);
    return true;
}

// Keys that change how the picture is drawn, not what it shows.
bool DrawingKey(WPARAM wKey) {
    if (wKey >= '1' && wKey <= '9') {
        iMinLevel = static_cast<int>(wKey - '0');
    } else if (wKey >= VK_NUMPAD1 && wKey <= VK_NUMPAD9) {
        iMinLevel = static_cast<int>(wKey - VK_NUMPAD0);
    } else if (wKey == VK_PRIOR) {
        if (ulMaxLevels >= kLevelLimit) return true;
        ulMaxLevels += kLevelStep;
    } else if (wKey == VK_NEXT) {
        if (ulMaxLevels <= kLevelStep) return true;
        ulMaxLevels -= kLevelStep;
    } else if (wKey == 'I') {
        bInvertColors = bInvertColors ? 0 : 1;
    } else if (wKey == 'L') {
        if (iColorFactor > kLowestColorFactor) --iColorFactor;
    } else if (wKey == 'M') {
        if (iColorFactor < INT_MAX) ++iColorFactor;  // a loaded INT_MAX must not overflow
    } else if (wKey == 'R') {
        iRGB_Combo = static_cast<int>((static_cast<long long>(iRGB_Combo) + 1) % kChannelOrders);
    } else {
        return false;
    }
    Restart();
    return true;
}

bool StepKey(WPARAM wKey) {
    if (wKey == VK_ADD) dfMoveFactor *= kLongerSteps;
    else if (wKey == VK_SUBTRACT) dfMoveFactor *= kShorterSteps;
    else return false;
    return true;
}

bool CommandKey(HWND hwnd, WPARAM wKey) {
    if (wKey == 'D') SendMessageA(hwnd, WM_COMMAND, IDM_DISPLAY, 0);
    else if (wKey == 'N') SendMessageA(hwnd, WM_COMMAND, IDM_NEW, 0);
    else return false;
    return true;
}

LRESULT KeyDown(HWND hwnd, WPARAM wKey, LPARAM lParam) {
    if (ViewKey(hwnd, wKey) || DrawingKey(wKey) || StepKey(wKey) || CommandKey(hwnd, wKey)) return 0;
    return DefWindowProcA(hwnd, WM_KEYDOWN, wKey, lParam);
}

// The centre moves against the mouse, so the point under the cursor stays there.
// A move without the left button ends a drag whose release was not seen.
void MouseMove(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    ptMouseCurrent = PointOf(lParam);
    if (!bMouseDown) return;
    if (!(wParam & MK_LBUTTON)) {
        bMouseDown = 0;
        return;
    }
    if (ptMouseCurrent.x == ptMousePrevious.x && ptMouseCurrent.y == ptMousePrevious.y) return;
    if (NoClientArea()) return;
    dfSetMidX = dfSetMidX - (static_cast<double>(ptMouseCurrent.x - ptMousePrevious.x) / iMaxX) * dfSetWidth;
    dfSetMidY = dfSetMidY - (static_cast<double>(ptMouseCurrent.y - ptMousePrevious.y) / iMaxY) * dfSetHeight;
    ptMousePrevious = ptMouseCurrent;
    NewSet(hwnd);
}

void Recentre(HWND hwnd, LPARAM lParam) {
    ptMouseCurrent = PointOf(lParam);
    if (NoClientArea()) return;
    dfSetMidX = (dfSetMidX - dfSetWidth * 0.5) + (static_cast<double>(ptMouseCurrent.x) / iMaxX) * dfSetWidth;
    dfSetMidY = (dfSetMidY - dfSetHeight * 0.5) + (static_cast<double>(ptMouseCurrent.y) / iMaxY) * dfSetHeight;
    NewSet(hwnd);
}

// One notch or many, one step; forward zooms out, backward or none zooms in.
void WheelZoom(HWND hwnd, WPARAM wParam) {
    int iWheelDelta = GET_WHEEL_DELTA_WPARAM(wParam);
    dfSetHeight *= iWheelDelta > 0 ? kZoomOut : kWheelZoomIn;
    NewSet(hwnd);
}

// A changed view gets only the save question; an unchanged one "Quit now?".
void Close(HWND hwnd) {
    if (bIsDirty) {
        if (vrxAskFileSave(hwnd, psFileName, APP_NAME, IDM_SAVE) == IDCANCEL) return;
    } else if (AskExit(hwnd) != IDOK) {
        return;
    }
    bQuitting = 1;
    DestroyWindow(hwnd);
}

void KillFocus(HWND hwnd, WPARAM wParam) {
    if (GetParent(reinterpret_cast<HWND>(wParam)) == hwnd) SetFocus(hwnd);
}

void Size(HWND hwnd) {
    bRestarting = 1;
    Painter(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace

void NewSet(HWND hwnd) {
    SetupSet();
    bIsDirty = 1;
    ForgetFileName();
    vrxSetWindowText(hwnd, psFilePath, APP_TITLE);
    bRestarting = 1;
}

void Painter(HWND hwnd) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    NewRect(hwnd, ps.hdc);
    EndPaint(hwnd, &ps);
}

int AskExit(HWND hwnd) { return MessageBoxA(hwnd, "Quit now?", APP_TITLE, MB_OKCANCEL | MB_ICONQUESTION); }

LRESULT CALLBACK MainHandler(HWND hwnd, UINT Message, WPARAM wParam, LPARAM lParam) {
    switch (Message) {
    case WM_CREATE: FileInitialize(hwnd); return 0;
    case WM_DESTROY:
        bQuitting = 1;
        PostQuitMessage(0);
        return 0;
    case WM_SIZE: Size(hwnd); return 0;
    case WM_KILLFOCUS: KillFocus(hwnd, wParam); return 0;
    case WM_PAINT: Painter(hwnd); return 0;
    case WM_CLOSE: Close(hwnd); return 0;
    case WM_QUERYENDSESSION: return AskExit(hwnd) == IDOK ? 1 : 0;
    case WM_KEYDOWN: return KeyDown(hwnd, wParam, lParam);
    case WM_COMMAND: return MenuHandler(wParam, hwnd);
    case WM_MOUSEMOVE: MouseMove(hwnd, wParam, lParam); return 0;
    case WM_LBUTTONDOWN:
        ptMousePrevious = PointOf(lParam);
        bMouseDown = 1;
        return 0;
    case WM_LBUTTONUP: bMouseDown = 0; return 0;
    case WM_RBUTTONDOWN: Recentre(hwnd, lParam); return 0;
    case WM_MOUSEWHEEL: WheelZoom(hwnd, wParam); return 0;
    default: return DefWindowProcA(hwnd, Message, wParam, lParam);
    }
}
