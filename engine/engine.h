// The program-wide variables and the fractal engine: view geometry, the
// colour of one point, and the progressive renderer with its message pumping.
#ifndef ORVANTA_ENGINE_H
#define ORVANTA_ENGINE_H

#include "platform.h"

#include <cstdint>

// The highest iteration limit that the keys and the Edit dialog set.
const ULONG kLevelLimit = 65519;

// The eight drawing values together, in view-file order; as constructed they
// are the start values, which start-up, New and the renderer begin from.
struct DrawingValues {
    double dfSetMidX = 0.0;
    double dfSetMidY = 0.0;  // grows downwards, as screen rows do
    ULONG ulMaxLevels = 0;
    double dfSetHeight = 4.0;
    double dfMoveFactor = 0.2;
    int iMinLevel = 2;
    int iColorFactor = 100;
    int iRGB_Combo = 0;
};

// Drawing values: what the Edit dialog shows and a view file stores.
extern double dfSetMidX;
extern double dfSetMidY;  // grows downwards, as screen rows do
extern ULONG ulMaxLevels;  // 0: the next NewRect chooses 16 or 1024
extern double dfSetHeight;
extern double dfMoveFactor;
extern int iMinLevel;
extern int iColorFactor;
extern int iRGB_Combo;

// View geometry, derived by SetupSet.
extern double dfSetAspect;
extern double dfSetWidth;
extern double dfSetMinX;
extern double dfSetMinY;

// Display metrics, measured by NewRect.
extern int iMaxX;
extern int iMaxY;
extern int xThreshold;
extern int yThreshold;
extern DWORD dwCardColors;
extern DWORD dwNumColors;
extern DWORD dwSizePalette;
extern DWORD dwColorRes;
extern DWORD dwMaxColor;

// Render-loop flags.
extern int bRestarting;
extern int bQuitting;
extern int bCompleted;
extern int bFilledBlocks;  // the current pass filled at least one block
extern int iDrawLevel;
extern COLORREF PenColor;

// Interaction and document state.
extern int bIsDirty;
extern int bInvertColors;
extern int bMouseDown;
extern POINT ptMousePrevious;
extern POINT ptMouseCurrent;
extern char psFilePath[260];
extern char psFileName[512];
extern HINSTANCE hinst;
extern HACCEL hAccelerators;

// Work done since the counters were last cleared: passes run, points
// coloured and iterations performed (a point's count, summed).
extern int iPassCount;
extern uint64_t ullPointColorCalls;
extern uint64_t ullIterationCount;
// Of the points a vector unit counts, those whose counts the pass planned
// ahead, and those counted again on the program's thread because the block
// drawn was not the one planned (0 unless a walk went astray or memory could not hold the plan).
extern uint64_t ullPlannedPoints;
extern uint64_t ullRecountedPoints;

// Puts every program-wide variable back to its start value.
void InitializeProgramValues();
void ApplyDrawingValues(const DrawingValues& values);
DrawingValues CurrentDrawingValues();
// The view belongs to no file any more: the path and the name are emptied.
void ForgetFileName();

void SetupSet();
void NewRect(HWND hwnd, HDC hdc);

// What the colour word of a count depends on: a copy of those values, which
// threads other than the program's may colour with.
struct ColorValues {
    ULONG ulMaxLevels;
    DWORD dwMaxColor;
    DWORD dwNumColors;
    int iColorFactor;
    int bInvertColors;
    int iRGB_Combo;
    bool operator==(const ColorValues&) const = default;
};
ColorValues ColorValuesNow();

// The escape-time count of one point and the colour word of a count: with the
// program's values, or (pure, any thread) with the limit or values given.
ULONG DriftCount(double dfSetX, double dfSetY);
ULONG DriftCountTo(double dfSetX, double dfSetY, ULONG ulLimit);
COLORREF DriftColor(ULONG ulDriftCounter);
COLORREF DriftColorOf(const ColorValues& values, ULONG ulDriftCounter);
void PointColor(double dfSetX, double dfSetY);

void Cover(HWND hwnd, HDC hdc, int x1, int x2, int y1, int y2, int level);
void FillRectangle(HDC hdc, int x1, int x2, int y1, int y2);
// Passes from the current level until the picture is complete (1), or until
// the program quits or the client area is empty (0); restarts start again.
int RenderPicture(HWND hwnd, HDC hdc);
// Threads that count points: the program's thread and iThreads - 1 workers.
// 1 has no workers at all. The pictures are the same at every count. Returns
// how many count: fewer when the system would not start them all.
int SetCountingThreads(int iThreads);
int CountingThreads();
const int kMostCountingThreads = 1024;
// A whole number from 1 to kMostCountingThreads, as text; false for anything else.
bool ParseCountingThreads(const char* psText, int* piThreads);
// Every hardware thread, at least 1: the default count.
int HardwareThreads();
// ORVANTA_THREADS if set, else every hardware thread; 0 when the variable is
// set to something that is no thread count (*piThreads is then the default).
int ThreadsFromEnvironment(int* piThreads);

// The program's main loop: each complete picture beeps once, then messages are
// waited for until something restarts it; returns once bQuitting is set.
void RenderLoop(HWND hwnd, HDC hdc, MSG* pMsg);

#endif
