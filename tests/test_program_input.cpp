// The whole program under keyboard and mouse input: start-up and its early
// ends, every row of the key table, dragging, recentring and the wheel. That
// the program draws each pixel's own colour is tested with its commands.
#include "program_run.h"

namespace {

const char kUntitled[] = "Orvanta - [untitled]";

// A previous instance, no memory, the class there already.
TEST(ProgramStartUp, EveryEarlyEndExitsWithZeroAndLeavesNoWindow) {
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    char szCmdLine[] = "";
    for (int iCase = 0; iCase < 3; ++iCase) {
        harness::Reset();
        if (iCase == 1) harness::FailNextAllocations(1);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "VELDRAN";
        if (iCase == 2) RegisterClassA(&wc);
        EXPECT_EQ(WinMain(hInstance, iCase == 0 ? hInstance : nullptr, szCmdLine, SW_SHOWNORMAL), 0);
        EXPECT_EQ(harness::LiveWindows(), 0) << iCase;
        ASSERT_EQ(harness::Boxes().size(), iCase == 1 ? 1u : 0u) << iCase;
        for (const harness::ShownBox& box : harness::Boxes()) {
            EXPECT_EQ(box.sCaption + ": " + box.sText, "STATUS: Insufficient memory") << "case: no memory";
            EXPECT_EQ(box.hwndOwner, nullptr) << "case: no memory";
            EXPECT_EQ(box.uType, static_cast<UINT>(MB_OK | MB_SYSTEMMODAL)) << "case: no memory";
        }
    }
    EXPECT_EQ(hinst, hInstance);
}

// Each key pressed on the values before; the values after, with invert on
// the I rows. Rows that pan or zoom detach the view from its file. The factors
// are the ratios they stand for, each rounded to double: 9/10 in, 10/9 out,
// the wheel's zoom in the reciprocal of 10/9, pan steps 3/2 and 2/3.
TEST(ProgramKeys, EveryRowOfTheKeyTable) {
    const double kWide = 4.0 * (64.0 / 48), kIn = 9.0 / 10.0, kOut = 10.0 / 9.0, kWheelIn = 1.0 / kOut;
    struct KeyRow { UINT uKey; DrawingValues before, after; bool bRestarts, bNewSet; int bInvertBefore = 0; };
    std::vector<KeyRow> rows = {
        {VK_PRIOR, {0, 0, 65519, 4, 0.2, 2, 100, 0}, {0, 0, 65519, 4, 0.2, 2, 100, 0}, false, false},
        {VK_PRIOR, {0, 0, 65520, 4, 0.2, 2, 100, 0}, {0, 0, 65520, 4, 0.2, 2, 100, 0}, false, false},
        {VK_PRIOR, {0, 0, 65518, 4, 0.2, 2, 100, 0}, {0, 0, 65534, 4, 0.2, 2, 100, 0}, true, false},
        {VK_NEXT, {0, 0, 16, 4, 0.2, 2, 100, 0}, {0, 0, 16, 4, 0.2, 2, 100, 0}, false, false},
        {VK_NEXT, {0, 0, 17, 4, 0.2, 2, 100, 0}, {0, 0, 1, 4, 0.2, 2, 100, 0}, true, false},
        {VK_LEFT, {0, 0, 1024, 4, 0.5, 2, 100, 0}, {-(kWide * 0.5), 0, 1024, 4, 0.5, 2, 100, 0}, true, true},
        {VK_RIGHT, {0, 0, 1024, 4, 0.5, 2, 100, 0}, {kWide * 0.5, 0, 1024, 4, 0.5, 2, 100, 0}, true, true},
        {VK_UP, {0, 0, 1024, 4, 0.5, 2, 100, 0}, {0, -2, 1024, 4, 0.5, 2, 100, 0}, true, true},
        {VK_DOWN, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 4.0 * 0.2, 1024, 4, 0.2, 2, 100, 0}, true, true},
        {VK_INSERT, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4.0 * kIn, 0.2, 2, 100, 0}, true, true},
        {VK_DELETE, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4.0 * kOut, 0.2, 2, 100, 0}, true, true},
        {'C', {0.3, -0.2, 1024, 0.5, 0.2, 2, 100, 0}, {0, 0, 1024, 0.5, 0.2, 2, 100, 0}, true, true},
        {'I', {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, 2, 100, 0}, true, false},
        {'I', {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, 2, 100, 0}, true, false, 1},
        {'L', {0, 0, 1024, 4, 0.2, 2, 11, 0}, {0, 0, 1024, 4, 0.2, 2, 10, 0}, true, false},
        {'L', {0, 0, 1024, 4, 0.2, 2, 10, 0}, {0, 0, 1024, 4, 0.2, 2, 10, 0}, true, false},
        {'M', {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, 2, 101, 0}, true, false},
        {'M', {0, 0, 1024, 4, 0.2, 2, INT32_MAX, 0}, {0, 0, 1024, 4, 0.2, 2, INT32_MAX, 0}, true, false},
        {'R', {0, 0, 1024, 4, 0.2, 2, 100, 5}, {0, 0, 1024, 4, 0.2, 2, 100, 0}, true, false},
        {'R', {0, 0, 1024, 4, 0.2, 2, 100, -3}, {0, 0, 1024, 4, 0.2, 2, 100, -2}, true, false},
        {VK_ADD, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2 * (3.0 / 2.0), 2, 100, 0}, false, false},
        {VK_SUBTRACT, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2 * (2.0 / 3.0), 2, 100, 0}, false, false},
        {'0', {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, 2, 100, 0}, false, false},
        {VK_NUMPAD0, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, 2, 100, 0}, false, false},
        {'Z', {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, 2, 100, 0}, false, false},
        // New starts again but keeps the starting level and the inversion.
        {'N', {1, 0, 5000, 0.1, 0.5, 4, 50, 3}, {0, 0, 1024, 4, 0.2, 4, 100, 0}, true, false, 1},
    };
    // The wheel: one step per message whatever its size; forward zooms out.
    for (const auto& [iDelta, dfFactor] : {std::pair{WHEEL_DELTA, kOut}, {3 * WHEEL_DELTA, kOut}, {-WHEEL_DELTA, kWheelIn}, {0, kWheelIn}})
        rows.push_back({WM_MOUSEWHEEL | (static_cast<UINT>(static_cast<WORD>(iDelta)) << 16), {0, 0, 1024, 4, 0.2, 2, 100, 0},
                        {0, 0, 1024, 4.0 * dfFactor, 0.2, 2, 100, 0}, true, true});
    for (int iDigit = 1; iDigit <= 9; ++iDigit)
        for (UINT uKey : {static_cast<UINT>('0' + iDigit), static_cast<UINT>(VK_NUMPAD0 + iDigit)})
            rows.push_back({uKey, {0, 0, 1024, 4, 0.2, 2, 100, 0}, {0, 0, 1024, 4, 0.2, iDigit, 100, 0}, true, false});
    for (int iStart = 0; iStart < 5; ++iStart)
        rows.push_back({'R', {0, 0, 1024, 4, 0.2, 2, 100, iStart}, {0, 0, 1024, 4, 0.2, 2, 100, iStart + 1}, true, false});
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.uKey);
        int iBeeps = 0;
        RunProgram({[&](HWND hwnd) {
                        ApplyDrawingValues(row.before);
                        bInvertColors = row.bInvertBefore, bIsDirty = row.uKey == 'N';
                        iBeeps = harness::BeepCount();
                        if ((row.uKey & 0xFFFF) == WM_MOUSEWHEEL) harness::PostInput(hwnd, WM_MOUSEWHEEL, row.uKey & 0xFFFF0000, MAKELPARAM(5, 5));
                        else harness::PressKey(hwnd, row.uKey);
                    },
                    [&](HWND hwnd) {
                        EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits(row.after));
                        EXPECT_EQ(bInvertColors, row.uKey == 'I' ? !row.bInvertBefore : row.bInvertBefore);
                        EXPECT_EQ(harness::BeepCount(), iBeeps + (row.bRestarts ? 1 : 0));
                        EXPECT_EQ(bIsDirty, row.bNewSet ? 1 : 0);
                        EXPECT_EQ(TitleOf(hwnd), row.bNewSet || row.uKey == 'N' ? kUntitled : "Orvanta");
                    }});
    }
}

// The point under the cursor stays there while the button is down; a right
// click recentres on the point under it.
TEST(ProgramMouse, DraggingPansUntilTheButtonIsUpAndRightClickRecentres) {
    double dfX = 0, dfY = 0;
    RunProgram({[&](HWND hwnd) {
                    dfX = PlaneX(10), dfY = PlaneY(12);
                    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 12));
                    harness::PostInput(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 20));
                },
                [&](HWND hwnd) {
                    EXPECT_NEAR(PlaneX(30), dfX, 1e-12);
                    EXPECT_NEAR(PlaneY(20), dfY, 1e-12);
                    EXPECT_EQ(TitleOf(hwnd), kUntitled);
                    harness::PostInput(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 20));
                    harness::PostInput(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(40, 40));
                },
                [&](HWND hwnd) {
                    EXPECT_NEAR(PlaneX(30), dfX, 1e-12);
                    EXPECT_EQ(bMouseDown, 0);
                    EXPECT_EQ(ptMouseCurrent.x, 40);
                    dfX = PlaneX(16), dfY = PlaneY(40);
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(16, 40));
                },
                [&](HWND) {
                    EXPECT_NEAR(dfSetMidX, dfX, 1e-15);
                    EXPECT_NEAR(dfSetMidY, dfY, 1e-15);
                }});
}

// A click without a move, a drag released outside the window, and clicks and
// drags on an empty client area (no position maps to the plane) pan nothing.
TEST(ProgramMouse, InputThatIsNoDragChangesNothing) {
    const struct { bool bEmpty; UINT uMessages[3]; WPARAM wParams[3]; POINT pts[3]; } cases[] = {
        {false, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}, {0, MK_LBUTTON, 0}, {{7, 9}, {7, 9}, {7, 9}}},
        {false, {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_MOUSEMOVE}, {MK_LBUTTON, 0, 0}, {{10, 10}, {50, 30}, {20, 20}}},
        {true, {WM_RBUTTONDOWN, WM_LBUTTONDOWN, WM_MOUSEMOVE}, {MK_RBUTTON, MK_LBUTTON, MK_LBUTTON}, {{5, 7}, {1, 1}, {9, 4}}},
    };
    for (const auto& c : cases) {
        RunProgram({[&](HWND hwnd) {
                        if (c.bEmpty) harness::ResizeWindow(hwnd, 0, 0);
                        for (int i = 0; i < 3; ++i)
                            harness::PostInput(hwnd, c.uMessages[i], c.wParams[i], MAKELPARAM(c.pts[i].x, c.pts[i].y));
                    },
                    [&](HWND hwnd) {
                        EXPECT_EQ(ptMouseCurrent.x, c.pts[2].x);
                        EXPECT_EQ(dfSetMidX, 0.0);
                        EXPECT_EQ(dfSetMidY, 0.0);
                        EXPECT_EQ(bIsDirty, 0);
                        EXPECT_EQ(TitleOf(hwnd), "Orvanta");
                    }});
    }
}

}  // namespace
