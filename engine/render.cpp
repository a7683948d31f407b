// The progressive renderer: Cover walks the quadrant tree of the client area,
// taking at most one message per call, filling blocks at the pass's level and
// drawing blocks too small to split pixel by pixel; RenderLoop runs the passes.
#include "engine.h"

#include "driftblock.h"

namespace {

// Points of a pixel block counted together, at most.
const int kBlockPoints = 256;

double PlaneX(int x) { return x * dfSetWidth / iMaxX + dfSetMinX; }
double PlaneY(int y) { return y * dfSetHeight / iMaxY + dfSetMinY; }

// Takes one pending message, if any, and has it handled now.
// Returns false when it was the quit message.
bool HandleOneMessage(HWND hwnd) {
    MSG msg;
    if (!PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) return true;
    if (TranslateAcceleratorA(hwnd, hAccelerators, &msg)) return true;
    if (msg.message == WM_QUIT) return false;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

// Columns left to right, each from top to bottom; no message is taken.
void DrawPixelsOneByOne(HDC hdc, int x1, int x2, int y1, int y2) {
    for (int x = x1; x <= x2; ++x) {
        for (int y = y1; y <= y2; ++y) {
            PointColor(PlaneX(x), PlaneY(y));
            SetPixel(hdc, x, y, PenColor);
        }
    }
}

// What PointColor does with a count already known, then the pixel.
void SetCountedPixel(HDC hdc, int x, int y, ULONG ulDriftCounter) {
    ++ullPointColorCalls;
    ullIterationCount += ulDriftCounter;
    PenColor = DriftColor(ulDriftCounter);
    SetPixel(hdc, x, y, PenColor);
}

// The block in drawing order, point iFirst on: counted together, then each
// pixel coloured and set in that order.
void DrawPixelRun(HDC hdc, int x1, int y1, int iRows, long long llFirst, int iPoints) {
    double dfX[kBlockPoints], dfY[kBlockPoints];
    uint32_t ulCounts[kBlockPoints];
    for (int i = 0; i < iPoints; ++i) {
        dfX[i] = PlaneX(x1 + static_cast<int>((llFirst + i) / iRows));
        dfY[i] = PlaneY(y1 + static_cast<int>((llFirst + i) % iRows));
    }
    DriftCounts(iDriftUnit, dfX, dfY, ulCounts, iPoints, ulMaxLevels);
    for (int i = 0; i < iPoints; ++i)
        SetCountedPixel(hdc, x1 + static_cast<int>((llFirst + i) / iRows),
                        y1 + static_cast<int>((llFirst + i) % iRows), ulCounts[i]);
}

void DrawPixels(HDC hdc, int x1, int x2, int y1, int y2) {
    if (iDriftUnit == DRIFT_PLAIN) {
        DrawPixelsOneByOne(hdc, x1, x2, y1, y2);
        return;
    }
    if (x2 < x1 || y2 < y1) return;
    int iRows = y2 - y1 + 1;
    long long llPoints = static_cast<long long>(x2 - x1 + 1) * iRows;
    for (long long llFirst = 0; llFirst < llPoints; llFirst += kBlockPoints) {
        long long llLeft = llPoints - llFirst;
        DrawPixelRun(hdc, x1, y1, iRows, llFirst, llLeft < kBlockPoints ? static_cast<int>(llLeft) : kBlockPoints);
    }
}

// Blocks until a handler restarts or ends the picture.
void WaitForChange(HWND hwnd, MSG* pMsg) {
    while (!bRestarting && !bQuitting) {
        if (!GetMessageA(pMsg, hwnd, 0, 0)) {
            bQuitting = 1;
            break;
        }
        if (!TranslateAcceleratorA(hwnd, hAccelerators, pMsg)) {
            TranslateMessage(pMsg);
            DispatchMessageA(pMsg);
        }
    }
}

}  // namespace

void FillRectangle(HDC hdc, int x1, int x2, int y1, int y2) {
    int mid_x = x1 + (x2 - x1) / 2;
    int mid_y = y1 + (y2 - y1) / 2;
    RECT rect = {x1, y1, x2 + 1, y2 + 1};
    PointColor(PlaneX(mid_x), PlaneY(mid_y));
    HBRUSH brush = CreateSolidBrush(PenColor);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void Cover(HWND hwnd, HDC hdc, int x1, int x2, int y1, int y2, int level) {
    if (bRestarting || bQuitting) return;
    if (!HandleOneMessage(hwnd)) {
        bQuitting = 1;
        return;
    }
    // Whatever the handler did, this call still draws its own block.
    if (x2 - x1 > xThreshold && y2 - y1 > yThreshold) {
        int width = (x2 - x1) / 2;
        int height = (y2 - y1) / 2;
        const int quadrants[4][4] = {
            {x1, x1 + width, y1 + height + 1, y2},      // lower left
            {x1 + width + 1, x2, y1, y1 + height},      // upper right
            {x1, x1 + width, y1, y1 + height},          // upper left
            {x1 + width + 1, x2, y1 + height + 1, y2},  // lower right
        };
        if (level == iDrawLevel) {
            bFilledBlocks = 1;
            for (const auto& q : quadrants) FillRectangle(hdc, q[0], q[1], q[2], q[3]);
        } else {
            for (const auto& q : quadrants) Cover(hwnd, hdc, q[0], q[1], q[2], q[3], level + 1);
        }
        return;
    }
    DrawPixels(hdc, x1, x2, y1, y2);
    bCompleted = 1;
}

// A pass that still filled some blocks leaves parts of the picture coarse, so
// only a pass that filled none finishes it. Nothing is drawn on an empty client area.
void RenderLoop(HWND hwnd, HDC hdc, MSG* pMsg) {
    while (!bQuitting) {
        if (bRestarting) {
            iDrawLevel = iMinLevel;
            bCompleted = 0;
            bRestarting = 0;
        }
        if (iMaxX <= 0 || iMaxY <= 0) {
            WaitForChange(hwnd, pMsg);
            continue;
        }
        bFilledBlocks = 0;
        ++iPassCount;
        Cover(hwnd, hdc, 0, iMaxX, 0, iMaxY, 1);
        if (bQuitting) break;
        if (bRestarting) continue;
        if (!bCompleted || bFilledBlocks) {
            bCompleted = 0;
            iDrawLevel += 1;
            continue;
        }
        MessageBeep(0);
        WaitForChange(hwnd, pMsg);
    }
}
