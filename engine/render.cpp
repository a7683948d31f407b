// The progressive renderer: Cover walks the quadrant tree of the client area,
// taking at most one message per call, filling blocks at the pass's level and
// drawing blocks too small to split pixel by pixel, with the counts of the
// blocks ahead taken in jobs, by worker threads or here; RenderLoop runs the
// passes, and refines the blocks that the finishing pass left filled.
#include "engine.h"

#include "counting.h"
#include "driftblock.h"
#include "winmisc.h"

#include <new>
#include <vector>

PlaneMapping MappingNow() {
    return {dfSetWidth, dfSetHeight, dfSetMinX, dfSetMinY, iMaxX, iMaxY, ulMaxLevels, iDriftUnit};
}

namespace {

double PlaneX(int x) { return PlaneCoordinate(x, dfSetWidth, iMaxX, dfSetMinX); }
double PlaneY(int y) { return PlaneCoordinate(y, dfSetHeight, iMaxY, dfSetMinY); }

void NoteHandlerRan();

// Takes one pending message, if any, and has it handled now.
// Returns false when it was the quit message.
bool HandleOneMessage(HWND hwnd) {
    MSG msg;
    if (!PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) return true;
    if (msg.message == WM_QUIT) return false;
    vrxDispatchMessage(hwnd, hAccelerators, &msg);
    NoteHandlerRan();
    return true;
}

bool IsKnownMiddle(const DrawItem& item, int x, int y) {
    return item.bKnownMiddle && x == MiddleOf(item.x1, item.x2) && y == MiddleOf(item.y1, item.y2);
}

// Columns left to right, each from top to bottom, no message taken; SetPen
// leaves each pixel's colour in PenColor, and a known middle keeps its own.
template <typename SetPen>
void DrawBlockPixels(HDC hdc, const DrawItem& item, COLORREF crMiddle, SetPen setPen) {
    for (int x = item.x1; x <= item.x2; ++x) {
        for (int y = item.y1; y <= item.y2; ++y) {
            if (IsKnownMiddle(item, x, y)) {
                SetPixel(hdc, x, y, crMiddle);
                continue;
            }
            setPen(x, y);
            SetPixel(hdc, x, y, PenColor);
        }
    }
}

// The colour words of counts met so far, kept while the values DriftColor
// reads stay as they were: a picture has few distinct counts.
const ULONG kKnownColors = 16384;

ColorValues knownFor;
COLORREF crKnown[kKnownColors];
unsigned char bKnown[kKnownColors];

void KeepKnownColors() {
    ColorValues now = ColorValuesNow();
    if (now == knownFor) return;
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

bool Splits(int x1, int x2, int y1, int y2) { return x2 - x1 > xThreshold && y2 - y1 > yThreshold; }

// What the pass draws, item by item in drawing order, and the next item due;
// their counts are taken ahead, by the workers or in jobs on this thread.
// Cover checks each item it draws against the plan: a handler may change the
// view, the limit or the client size between items, and then the counts of
// the new mapping are taken, or the item is counted on its own.
std::vector<DrawItem> plan;
size_t uNextItem = 0;
// The quadrants the pass filled, in order, as items drawn pixel by pixel, with
// the colours they were filled with: their middle pixels' colours, as long as
// the mapping and the colour values are the ones all of them were filled under.
std::vector<DrawItem> filledBlocks;
std::vector<COLORREF> filledColors;
bool bFillsAlike = false;
bool bFillsLost = false;  // memory could not hold them all: a whole pass refines
PlaneMapping fillsMapping;
ColorValues fillsColorValues;

bool FillColorsHold() {
    return bFillsAlike && SameMapping(fillsMapping, MappingNow()) && fillsColorValues == ColorValuesNow();
}

void RecordFill(const int q[4], COLORREF crFill) {
    if (bFillsLost) return;
    if (filledBlocks.empty()) {
        bFillsAlike = true;
        fillsMapping = MappingNow();
        fillsColorValues = ColorValuesNow();
    }
    try {
        filledBlocks.push_back({q[0], q[1], q[2], q[3], false});
        filledColors.push_back(crFill);
    } catch (const std::bad_alloc&) {
        bFillsLost = true;
        std::vector<DrawItem>().swap(filledBlocks);
        std::vector<COLORREF>().swap(filledColors);
    }
}

// Only handlers change the values, so only after one can later fills differ
// from the earlier ones.
void NoteHandlerRan() {
    if (!filledBlocks.empty() && !FillColorsHold()) bFillsAlike = false;
}

void PlanBlocks(int x1, int x2, int y1, int y2, int level) {
    if (!Splits(x1, x2, y1, y2)) {
        plan.push_back({x1, x2, y1, y2, false});
        return;
    }
    if (level == iDrawLevel) {
        plan.push_back({x1, x2, y1, y2, true});
        return;
    }
    int quadrants[4][4];
    Quadrants(x1, x2, y1, y2, quadrants);
    for (const auto& q : quadrants) PlanBlocks(q[0], q[1], q[2], q[3], level + 1);
}

// A plan memory cannot hold is given up: its items are counted one by one.
void PlanPass() {
    plan.clear();
    filledBlocks.clear();
    filledColors.clear();
    bFillsLost = false;
    uNextItem = 0;
    try {
        if (iDriftUnit != DRIFT_PLAIN) PlanBlocks(0, iMaxX, 0, iMaxY, 1);
    } catch (const std::bad_alloc&) {
        std::vector<DrawItem>().swap(plan);
    }
    StartCounting(&plan);
}

// The counts of the item Cover draws now, or null when it must count them
// itself. After a message that restarted or ended the picture only this one
// item is drawn, so nothing is counted ahead of it.
const uint32_t* PlannedCounts(const DrawItem& item) {
    if (iDriftUnit == DRIFT_PLAIN) return nullptr;
    if (bRestarting || bQuitting) {
        DropCounts();
        return nullptr;
    }
    if (uNextItem >= plan.size() || !(plan[uNextItem] == item)) {
        ullRecountedPoints += ItemPoints(item);
        return nullptr;
    }
    const uint32_t* pulCounts = CountsOf(uNextItem++, MappingNow());
    if (pulCounts) ullPlannedPoints += ItemPoints(item);
    return pulCounts;
}

// The counts of an item, taken here and now; null when memory cannot hold
// them, and the item's points are then coloured one by one.
const uint32_t* CountNow(const DrawItem& item) {
    static std::vector<double> dfX, dfY;
    static std::vector<uint32_t> ulCounts;
    int iPoints = ItemPoints(item);
    try {
        dfX.resize(iPoints), dfY.resize(iPoints), ulCounts.resize(iPoints);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ItemPlanePoints(MappingNow(), item, dfX.data(), dfY.data());
    DriftCounts(iDriftUnit, dfX.data(), dfY.data(), ulCounts.data(), iPoints, ulMaxLevels);
    return ulCounts.data();
}

// The plain path colours point by point: the same colours as the counts give.
void DrawPixels(HDC hdc, const DrawItem& item, COLORREF crMiddle = 0) {
    const uint32_t* pulCounts = PlannedCounts(item);
    bool bEmpty = item.x2 < item.x1 || item.y2 < item.y1;
    if (!pulCounts && iDriftUnit != DRIFT_PLAIN && !bEmpty) pulCounts = CountNow(item);
    if (!pulCounts) {
        DrawBlockPixels(hdc, item, crMiddle, [](int x, int y) { PointColor(PlaneX(x), PlaneY(y)); });
        return;
    }
    KeepKnownColors();
    DrawBlockPixels(hdc, item, crMiddle, [&](int, int) { PenFromCount(*pulCounts++); });
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
void FillQuadrants(HDC hdc, int x1, int x2, int y1, int y2, const int quadrants[4][4]) {
    DrawItem item = {x1, x2, y1, y2, true};
    const uint32_t* pulCounts = PlannedCounts(item);
    if (!pulCounts && iDriftUnit != DRIFT_PLAIN) pulCounts = CountNow(item);
    if (!pulCounts) {
        for (int i = 0; i < 4; ++i) {
            FillRectangle(hdc, quadrants[i][0], quadrants[i][1], quadrants[i][2], quadrants[i][3]);
            RecordFill(quadrants[i], PenColor);
        }
        return;
    }
    KeepKnownColors();
    for (int i = 0; i < 4; ++i) {
        PenFromCount(pulCounts[i]);
        FillWithPen(hdc, quadrants[i][0], quadrants[i][1], quadrants[i][2], quadrants[i][3]);
        RecordFill(quadrants[i], PenColor);
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
            FillQuadrants(hdc, x1, x2, y1, y2, quadrants);
        } else {
            for (const auto& q : quadrants) Cover(hwnd, hdc, q[0], q[1], q[2], q[3], level + 1);
        }
        return;
    }
    DrawPixels(hdc, {x1, x2, y1, y2, false});
    bCompleted = 1;
}

namespace {

void RestartIfAsked() {
    if (!bRestarting) return;
    iDrawLevel = iMinLevel;
    bCompleted = 0;
    bRestarting = 0;
}

// A quadrant left filled by the pass that finished the picture, drawn pixel
// by pixel as Cover draws a block too small to split: one message, then it.
// The middle pixel keeps its fill colour unless a handler has changed what
// colours are since.
void RefineBlock(HWND hwnd, HDC hdc, DrawItem block, COLORREF crFill) {
    if (bRestarting || bQuitting) return;
    if (!HandleOneMessage(hwnd)) {
        bQuitting = 1;
        return;
    }
    if (iMaxX <= 0 || iMaxY <= 0) return;
    block.bKnownMiddle = FillColorsHold();
    DrawPixels(hdc, block, crFill);
}

// Only the blocks still filled are drawn again; the rest of the picture is
// already exact.
bool RefinementFinishesPicture(HWND hwnd, HDC hdc) {
    ++iPassCount;
    std::vector<COLORREF> colors;
    plan.swap(filledBlocks);
    colors.swap(filledColors);
    filledBlocks.clear();
    bool bKnownMiddles = FillColorsHold();
    for (DrawItem& block : plan) block.bKnownMiddle = bKnownMiddles;
    uNextItem = 0;
    StartCounting(&plan);
    for (size_t u = 0; u < plan.size(); ++u) RefineBlock(hwnd, hdc, plan[u], colors[u]);
    return !bQuitting && !bRestarting;
}

// One pass at iDrawLevel. A pass that drew no block pixel by pixel goes on at
// the next level; one that did, but still filled some blocks, has those
// refined before the picture is finished.
bool PassFinishesPicture(HWND hwnd, HDC hdc) {
    bFilledBlocks = 0;
    ++iPassCount;
    PlanPass();
    Cover(hwnd, hdc, 0, iMaxX, 0, iMaxY, 1);
    if (bQuitting || bRestarting) return false;
    if (!bCompleted || (bFilledBlocks && bFillsLost)) {
        iDrawLevel += 1;
        return false;
    }
    return !bFilledBlocks || RefinementFinishesPicture(hwnd, hdc);
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
