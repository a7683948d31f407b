// The progressive renderer: Cover walks the quadrant tree of the client area,
// taking at most one message per call, filling blocks at the pass's level and
// drawing blocks too small to split pixel by pixel, with the counts of the
// blocks ahead taken together on the vector unit; RenderLoop runs the passes.
#include "engine.h"

#include "driftblock.h"
#include "winmisc.h"

#include <cstring>

namespace {

// Points of a pixel block counted together, at most.
const int kBlockPoints = 256;

double PlaneX(int x) { return x * dfSetWidth / iMaxX + dfSetMinX; }
double PlaneY(int y) { return y * dfSetHeight / iMaxY + dfSetMinY; }

// The point a filled block takes its colour from: its middle pixel's.
double MiddleX(int x1, int x2) { return PlaneX(x1 + (x2 - x1) / 2); }
double MiddleY(int y1, int y2) { return PlaneY(y1 + (y2 - y1) / 2); }

// Takes one pending message, if any, and has it handled now.
// Returns false when it was the quit message.
bool HandleOneMessage(HWND hwnd) {
    MSG msg;
    if (!PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) return true;
    if (msg.message == WM_QUIT) return false;
    vrxDispatchMessage(hwnd, hAccelerators, &msg);
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

// The colour words of counts met so far, kept while the values DriftColor
// reads stay as they were: a picture has few distinct counts.
const ULONG kKnownColors = 16384;

struct ColorValues {
    ULONG ulMaxLevels;
    DWORD dwMaxColor;
    DWORD dwNumColors;
    int iColorFactor;
    int bInvertColors;
    int iRGB_Combo;
};

ColorValues knownFor;
COLORREF crKnown[kKnownColors];
unsigned char bKnown[kKnownColors];

void KeepKnownColors() {
    ColorValues now = {ulMaxLevels, dwMaxColor, dwNumColors, iColorFactor, bInvertColors, iRGB_Combo};
    if (now.ulMaxLevels == knownFor.ulMaxLevels && now.dwMaxColor == knownFor.dwMaxColor &&
        now.dwNumColors == knownFor.dwNumColors && now.iColorFactor == knownFor.iColorFactor &&
        now.bInvertColors == knownFor.bInvertColors && now.iRGB_Combo == knownFor.iRGB_Combo)
        return;
    knownFor = now;
    for (ULONG ul = 0; ul < kKnownColors; ++ul) bKnown[ul] = 0;
}

// What PointColor does once the count is known.
void PenFromCount(ULONG ulDriftCounter) {
    ++ullPointColorCalls;
    ullIterationCount += ulDriftCounter;
    if (ulDriftCounter >= kKnownColors) {
        PenColor = DriftColor(ulDriftCounter);
        return;
    }
    if (!bKnown[ulDriftCounter]) {
        crKnown[ulDriftCounter] = DriftColor(ulDriftCounter);
        bKnown[ulDriftCounter] = 1;
    }
    PenColor = crKnown[ulDriftCounter];
}

// A pixel of a block in drawing order: down the column, then the next column.
struct PixelCursor {
    int x;
    int y;
};

void Advance(PixelCursor& pt, int y1, int y2) {
    if (++pt.y > y2) {
        pt.y = y1;
        ++pt.x;
    }
}

// Up to kBlockPoints pixels of the block from pt on, counted together, then
// coloured and set in drawing order; pt moves past them.
void DrawPixelRun(HDC hdc, int x2, int y1, int y2, PixelCursor& pt) {
    double dfX[kBlockPoints], dfY[kBlockPoints];
    uint32_t ulCounts[kBlockPoints];
    PixelCursor ptFirst = pt;
    int iPoints = 0;
    for (int xPlane = pt.x - 1; iPoints < kBlockPoints && pt.x <= x2; ++iPoints) {
        if (pt.x != xPlane) dfX[iPoints] = PlaneX(xPlane = pt.x);
        else dfX[iPoints] = dfX[iPoints - 1];
        dfY[iPoints] = PlaneY(pt.y);
        Advance(pt, y1, y2);
    }
    DriftCounts(iDriftUnit, dfX, dfY, ulCounts, iPoints, ulMaxLevels);
    KeepKnownColors();
    for (int i = 0; i < iPoints; ++i, Advance(ptFirst, y1, y2)) {
        PenFromCount(ulCounts[i]);
        SetPixel(hdc, ptFirst.x, ptFirst.y, PenColor);
    }
}

bool Splits(int x1, int x2, int y1, int y2) { return x2 - x1 > xThreshold && y2 - y1 > yThreshold; }

// Cover's quadrants of a block that splits, in the order it visits them.
void Quadrants(int x1, int x2, int y1, int y2, int quadrants[4][4]) {
    int width = (x2 - x1) / 2;
    int height = (y2 - y1) / 2;
    const int order[4][4] = {
        {x1, x1 + width, y1 + height + 1, y2},      // lower left
        {x1 + width + 1, x2, y1, y1 + height},      // upper right
        {x1, x1 + width, y1, y1 + height},          // upper left
        {x1 + width + 1, x2, y1 + height + 1, y2},  // lower right
    };
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) quadrants[i][j] = order[i][j];
}

// The blocks Cover draws one after another, with nothing but message checks
// between them, are counted together before the first is drawn: the pixels
// of pixel blocks and the centres of filled quadrants. The vector lanes stay
// full across many blocks instead of idling at the end of each. The counts
// hold for the view they were taken in; once a handler changes it they no
// longer match and each block is counted afresh.
// At most kAheadIterations are risked at once, so that the wait before the
// next message check stays a few milliseconds even at the highest limits.
const int kAheadPoints = 1024;
const int kAheadBlocks = 1024;
const uint64_t kAheadIterations = uint64_t{1} << 24;

int AheadPointsFor(ULONG ulLimit) {
    uint64_t ullPoints = kAheadIterations / (ulLimit > 0 ? ulLimit : 1);
    return ullPoints < kAheadPoints ? static_cast<int>(ullPoints) : kAheadPoints;
}

struct PlaneMapping {
    double dfSetWidth;
    double dfSetHeight;
    double dfSetMinX;
    double dfSetMinY;
    int iMaxX;
    int iMaxY;
    ULONG ulMaxLevels;
};

PlaneMapping MappingNow() {
    return {dfSetWidth, dfSetHeight, dfSetMinX, dfSetMinY, iMaxX, iMaxY, ulMaxLevels};
}

// Bit for bit, so that a NaN coordinate still matches itself.
bool SameMapping(const PlaneMapping& a, const PlaneMapping& b) {
    auto bits = [](double df) { uint64_t ull; std::memcpy(&ull, &df, sizeof ull); return ull; };
    return bits(a.dfSetWidth) == bits(b.dfSetWidth) && bits(a.dfSetHeight) == bits(b.dfSetHeight) &&
           bits(a.dfSetMinX) == bits(b.dfSetMinX) && bits(a.dfSetMinY) == bits(b.dfSetMinY) &&
           a.iMaxX == b.iMaxX && a.iMaxY == b.iMaxY && a.ulMaxLevels == b.ulMaxLevels;
}

struct AheadBlock {
    int x1, x2, y1, y2;
    bool bFill;  // a filled quadrant: one count, of its centre
    int iFirst;  // its first count
};

struct CountsAhead {
    PlaneMapping mapping;
    int iDrawLevel;      // the pass they were collected in
    int x1, x2, y1, y2;  // the block whose blocks these are
    int iBlocks;
    int iPoints;
    int iBudget;
    int iNext;  // where the next look-up starts: blocks are drawn in order
    AheadBlock blocks[kAheadBlocks];
    uint32_t ulCounts[kAheadPoints];
};

CountsAhead ahead;

bool Within(int x1, int x2, int y1, int y2, const CountsAhead& a) {
    return x1 >= a.x1 && x2 <= a.x2 && y1 >= a.y1 && y2 <= a.y2;
}

bool AddBlock(CountsAhead& a, int x1, int x2, int y1, int y2, bool bFill) {
    int iPoints = bFill ? 1 : x2 < x1 || y2 < y1 ? 0 : (x2 - x1 + 1) * (y2 - y1 + 1);
    if (a.iBlocks == kAheadBlocks || a.iPoints + iPoints > a.iBudget) return false;
    a.blocks[a.iBlocks++] = {x1, x2, y1, y2, bFill, a.iPoints};
    a.iPoints += iPoints;
    return true;
}

// The blocks Cover would draw within this block at this level, in its order;
// false once they are more than the budget.
bool CollectBlocks(CountsAhead& a, int x1, int x2, int y1, int y2, int level) {
    if (!Splits(x1, x2, y1, y2)) return AddBlock(a, x1, x2, y1, y2, false);
    int quadrants[4][4];
    Quadrants(x1, x2, y1, y2, quadrants);
    for (const auto& q : quadrants) {
        bool bAdded = level == iDrawLevel ? AddBlock(a, q[0], q[1], q[2], q[3], true)
                                          : CollectBlocks(a, q[0], q[1], q[2], q[3], level + 1);
        if (!bAdded) return false;
    }
    return true;
}

void AheadPoints(const CountsAhead& a, double* pdfX, double* pdfY) {
    int i = 0;
    for (int b = 0; b < a.iBlocks; ++b) {
        const AheadBlock& block = a.blocks[b];
        if (block.bFill) {
            pdfX[i] = MiddleX(block.x1, block.x2);
            pdfY[i++] = MiddleY(block.y1, block.y2);
            continue;
        }
        for (int x = block.x1; x <= block.x2; ++x) {
            double dfPlaneX = PlaneX(x);
            for (int y = block.y1; y <= block.y2; ++y, ++i) {
                pdfX[i] = dfPlaneX;
                pdfY[i] = PlaneY(y);
            }
        }
    }
}

void CountAhead(int x1, int x2, int y1, int y2, int level) {
    if (iDriftUnit == DRIFT_PLAIN) return;
    PlaneMapping now = MappingNow();
    if (ahead.iBlocks > 0 && ahead.iDrawLevel == iDrawLevel && SameMapping(ahead.mapping, now) &&
        Within(x1, x2, y1, y2, ahead))
        return;
    ahead.iBlocks = ahead.iPoints = ahead.iNext = 0;
    ahead.iBudget = AheadPointsFor(ulMaxLevels);
    if (!CollectBlocks(ahead, x1, x2, y1, y2, level)) {
        ahead.iBlocks = 0;
        return;
    }
    ahead.mapping = now;
    ahead.iDrawLevel = iDrawLevel;
    ahead.x1 = x1;
    ahead.x2 = x2;
    ahead.y1 = y1;
    ahead.y2 = y2;
    double dfX[kAheadPoints], dfY[kAheadPoints];
    AheadPoints(ahead, dfX, dfY);
    DriftCounts(iDriftUnit, dfX, dfY, ahead.ulCounts, ahead.iPoints, ulMaxLevels);
}

// The counts of this block taken ahead in the present view, if any.
const uint32_t* CountedAhead(int x1, int x2, int y1, int y2, bool bFill) {
    if (ahead.iBlocks == 0 || !SameMapping(ahead.mapping, MappingNow())) return nullptr;
    for (int n = 0; n < ahead.iBlocks; ++n) {
        int b = (ahead.iNext + n) % ahead.iBlocks;
        const AheadBlock& block = ahead.blocks[b];
        if (block.x1 == x1 && block.x2 == x2 && block.y1 == y1 && block.y2 == y2 && block.bFill == bFill) {
            ahead.iNext = b + 1;
            return ahead.ulCounts + block.iFirst;
        }
    }
    return nullptr;
}

void DrawCountedPixels(HDC hdc, int x1, int x2, int y1, int y2, const uint32_t* pulCounts) {
    KeepKnownColors();
    for (int x = x1; x <= x2; ++x) {
        for (int y = y1; y <= y2; ++y) {
            PenFromCount(*pulCounts++);
            SetPixel(hdc, x, y, PenColor);
        }
    }
}

void DrawPixels(HDC hdc, int x1, int x2, int y1, int y2) {
    if (iDriftUnit == DRIFT_PLAIN) {
        DrawPixelsOneByOne(hdc, x1, x2, y1, y2);
        return;
    }
    if (y2 < y1) return;
    if (const uint32_t* pulCounts = CountedAhead(x1, x2, y1, y2, false)) {
        DrawCountedPixels(hdc, x1, x2, y1, y2, pulCounts);
        return;
    }
    PixelCursor pt = {x1, y1};
    while (pt.x <= x2) DrawPixelRun(hdc, x2, y1, y2, pt);
}

// Blocks until a handler restarts or ends the picture.
void WaitForChange(HWND hwnd, MSG* pMsg) {
    while (!bRestarting && !bQuitting) {
        if (!GetMessageA(pMsg, hwnd, 0, 0)) {
            bQuitting = 1;
            break;
        }
        vrxDispatchMessage(hwnd, hAccelerators, pMsg);
    }
}

void FillWithPen(HDC hdc, int x1, int x2, int y1, int y2) {
    RECT rect = {x1, y1, x2 + 1, y2 + 1};
    HBRUSH brush = CreateSolidBrush(PenColor);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

// The four quadrants' centres, counted ahead or else together here (no
// message comes between their fills); then each quadrant is coloured and
// filled in order.
void FillQuadrants(HDC hdc, const int quadrants[4][4]) {
    if (iDriftUnit == DRIFT_PLAIN) {
        for (int i = 0; i < 4; ++i)
            FillRectangle(hdc, quadrants[i][0], quadrants[i][1], quadrants[i][2], quadrants[i][3]);
        return;
    }
    uint32_t ulCounts[4];
    int iKnown = 0;
    for (; iKnown < 4; ++iKnown) {
        const int* q = quadrants[iKnown];
        const uint32_t* pulCount = CountedAhead(q[0], q[1], q[2], q[3], true);
        if (!pulCount) break;
        ulCounts[iKnown] = *pulCount;
    }
    if (iKnown < 4) {
        double dfX[4], dfY[4];
        for (int i = 0; i < 4; ++i) {
            dfX[i] = MiddleX(quadrants[i][0], quadrants[i][1]);
            dfY[i] = MiddleY(quadrants[i][2], quadrants[i][3]);
        }
        DriftCounts(iDriftUnit, dfX, dfY, ulCounts, 4, ulMaxLevels);
    }
    KeepKnownColors();
    for (int i = 0; i < 4; ++i) {
        PenFromCount(ulCounts[i]);
        FillWithPen(hdc, quadrants[i][0], quadrants[i][1], quadrants[i][2], quadrants[i][3]);
    }
}

}  // namespace

void FillRectangle(HDC hdc, int x1, int x2, int y1, int y2) {
    int mid_x = x1 + (x2 - x1) / 2;
    int mid_y = y1 + (y2 - y1) / 2;
    PointColor(PlaneX(mid_x), PlaneY(mid_y));
    FillWithPen(hdc, x1, x2, y1, y2);
}

void Cover(HWND hwnd, HDC hdc, int x1, int x2, int y1, int y2, int level) {
    if (bRestarting || bQuitting) return;
    if (!HandleOneMessage(hwnd)) {
        bQuitting = 1;
        return;
    }
    // Whatever the handler did, this call still draws its own block, unless
    // the client area is gone: then no pixel maps to the plane.
    if (iMaxX <= 0 || iMaxY <= 0) return;
    if (Splits(x1, x2, y1, y2)) {
        int quadrants[4][4];
        Quadrants(x1, x2, y1, y2, quadrants);
        if (level == iDrawLevel) {
            bFilledBlocks = 1;
            FillQuadrants(hdc, quadrants);
        } else {
            CountAhead(x1, x2, y1, y2, level);
            for (const auto& q : quadrants) Cover(hwnd, hdc, q[0], q[1], q[2], q[3], level + 1);
        }
        return;
    }
    DrawPixels(hdc, x1, x2, y1, y2);
    bCompleted = 1;
}

namespace {

void RestartIfAsked() {
    if (!bRestarting) return;
    iDrawLevel = iMinLevel;
    bCompleted = 0;
    bRestarting = 0;
}

// One pass at iDrawLevel. A pass that still filled some blocks leaves parts of
// the picture coarse, so only a pass that filled none finishes it.
bool PassFinishesPicture(HWND hwnd, HDC hdc) {
    bFilledBlocks = 0;
    ++iPassCount;
    Cover(hwnd, hdc, 0, iMaxX, 0, iMaxY, 1);
    if (bQuitting || bRestarting) return false;
    if (!bCompleted || bFilledBlocks) {
        bCompleted = 0;
        iDrawLevel += 1;
        return false;
    }
    return true;
}

}  // namespace

// Nothing is drawn on an empty client area.
int RenderPicture(HWND hwnd, HDC hdc) {
    while (!bQuitting) {
        RestartIfAsked();
        if (iMaxX <= 0 || iMaxY <= 0) return 0;
        if (PassFinishesPicture(hwnd, hdc)) return 1;
    }
    return 0;
}

void RenderLoop(HWND hwnd, HDC hdc, MSG* pMsg) {
    while (!bQuitting) {
        if (RenderPicture(hwnd, hdc)) MessageBeep(0);
        if (!bQuitting) WaitForChange(hwnd, pMsg);
    }
}
