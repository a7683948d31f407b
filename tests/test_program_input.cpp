// The whole program under keyboard and mouse input: start-up and its early
// ends, every row of the key table, dragging, recentring and the wheel.
#include "program_run.h"
#include "render_session.h"
#include "view_values.h"

#include <gtest/gtest.h>

namespace {

const char kUntitled[] = "Orvanta - [untitled]";

double PlaneX(int x) { return x * dfSetWidth / iMaxX + dfSetMinX; }
double PlaneY(int y) { return y * dfSetHeight / iMaxY + dfSetMinY; }

TEST(ProgramStartUp, OpensMaximisedAndDrawsWhatTheRendererDraws) {
    RenderOptions options;
    options.iWidth = 320, options.iHeight = 240;
    std::vector<uint32_t> expected = RenderHeadless(options, false).pixels;
    EXPECT_EQ(RunProgram({[&](HWND hwnd) {
                             RECT rc{};
                             GetClientRect(hwnd, &rc);
                             EXPECT_EQ(rc.right * 1000 + rc.bottom, 320240);
                             EXPECT_EQ(TitleOf(hwnd), "Orvanta");
                             EXPECT_EQ(harness::BeepCount(), 1);
                             EXPECT_EQ(harness::Pixels(hwnd), expected);
                         }},
                         ProgramSetup::Sized(320, 240)),
              0);
}

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
        if (iCase != 1) continue;
        const harness::ShownBox& box = harness::Boxes()[0];
        EXPECT_EQ(box.sCaption + ": " + box.sText, "STATUS: Insufficient memory");
        EXPECT_EQ(box.hwndOwner, nullptr);
        EXPECT_EQ(box.uType, static_cast<UINT>(MB_OK | MB_SYSTEMMODAL));
    }
    EXPECT_EQ(hinst, hInstance);
}

// A key pressed on a view set up by fnSetup; fnCheck sees the result. Rows
// that pan or zoom detach the view from its file.
struct KeyRow { const char* pszName; UINT uKey; std::function<void()> fnSetup, fnCheck; bool bRestarts, bNewSet; };

std::vector<KeyRow> KeyRows() {
    auto none = [] {};
    auto longSteps = [] { dfMoveFactor = 0.5; };
    auto levels = [](ULONG ulFrom, ULONG ulTo) {
        return std::make_pair([=] { ulMaxLevels = ulFrom; }, [=] { EXPECT_EQ(ulMaxLevels, ulTo); });
    };
    auto startLevel2 = [] { EXPECT_EQ(iMinLevel, 2); };
    std::vector<KeyRow> rows;
    const struct { UINT uKey; ULONG ulFrom, ulTo; } limits[] = {
        {VK_PRIOR, 65504, 65520}, {VK_PRIOR, 65519, 65519}, {VK_PRIOR, 65520, 65520}, {VK_PRIOR, 65518, 65534},
        {VK_NEXT, 32, 16},        {VK_NEXT, 16, 16},        {VK_NEXT, 17, 1}};
    for (const auto& l : limits) {
        auto [fnSetup, fnCheck] = levels(l.ulFrom, l.ulTo);
        rows.push_back({"page", l.uKey, fnSetup, fnCheck, l.ulFrom != l.ulTo, false});
    }
    std::vector<KeyRow> more = {
        {"Left", VK_LEFT, longSteps, [] { EXPECT_DOUBLE_EQ(dfSetMidX, -dfSetWidth * 0.5); }, true, true},
        {"Right", VK_RIGHT, longSteps, [] { EXPECT_DOUBLE_EQ(dfSetMidX, dfSetWidth * 0.5); }, true, true},
        {"Up", VK_UP, longSteps, [] { EXPECT_DOUBLE_EQ(dfSetMidY, -4.0 * 0.5); }, true, true},
        {"Down", VK_DOWN, none, [] { EXPECT_DOUBLE_EQ(dfSetMidY, 4.0 * 0.2); }, true, true},
        {"Insert", VK_INSERT, none, [] { EXPECT_EQ(dfSetHeight, 4.0 * 0.9); }, true, true},
        {"Delete", VK_DELETE, none, [] { EXPECT_EQ(dfSetHeight, 4.0 * 1.1111111111111112); }, true, true},
        {"C", 'C', [] { dfSetMidX = 0.3, dfSetMidY = -0.2, dfSetHeight = 0.5; },
         [] { EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits({0.0, 0.0, 1024, 0.5, 0.2, 2, 100, 0})); }, true, true},
        {"I on", 'I', none, [] { EXPECT_EQ(bInvertColors, 1); }, true, false},
        {"I off", 'I', [] { bInvertColors = 1; }, [] { EXPECT_EQ(bInvertColors, 0); }, true, false},
        {"L 11", 'L', [] { iColorFactor = 11; }, [] { EXPECT_EQ(iColorFactor, 10); }, true, false},
        {"L 10", 'L', [] { iColorFactor = 10; }, [] { EXPECT_EQ(iColorFactor, 10); }, true, false},
        {"M", 'M', none, [] { EXPECT_EQ(iColorFactor, 101); }, true, false},
        {"M at the top", 'M', [] { iColorFactor = INT32_MAX; }, [] { EXPECT_EQ(iColorFactor, INT32_MAX); }, true, false},
        {"R 5", 'R', [] { iRGB_Combo = 5; }, [] { EXPECT_EQ(iRGB_Combo, 0); }, true, false},
        {"R -3", 'R', [] { iRGB_Combo = -3; }, [] { EXPECT_EQ(iRGB_Combo, -2); }, true, false},
        {"keypad +", VK_ADD, none, [] { EXPECT_EQ(dfMoveFactor, 0.2 * 1.5); }, false, false},
        {"keypad -", VK_SUBTRACT, none, [] { EXPECT_EQ(dfMoveFactor, 0.2 * 0.6666666666666666); }, false, false},
        {"digit 0", '0', none, startLevel2, false, false},
        {"keypad 0", VK_NUMPAD0, none, startLevel2, false, false},
        {"unknown key", 'Z', none, startLevel2, false, false},
        {"D", 'D', none, [] { ASSERT_EQ(harness::Boxes().size(), 1u); EXPECT_EQ(harness::Boxes()[0].sCaption, "STATUS"); },
         false, false},
        // New starts again but keeps the starting level and the inversion.
        {"N", 'N',
         [] {
             dfSetMidX = 1.0, dfSetHeight = 0.1, dfMoveFactor = 0.5, iColorFactor = 50, iRGB_Combo = 3;
             ulMaxLevels = 5000, iMinLevel = 4, bInvertColors = 1, bIsDirty = 1;
         },
         [] {
             EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits({0.0, 0.0, 1024, 4.0, 0.2, 4, 100, 0}));
             EXPECT_EQ(bInvertColors, 1);
         },
         true, false},
    };
    rows.insert(rows.end(), more.begin(), more.end());
    for (int iDigit = 1; iDigit <= 9; ++iDigit)
        for (UINT uKey : {static_cast<UINT>('0' + iDigit), static_cast<UINT>(VK_NUMPAD0 + iDigit)})
            rows.push_back({"digit", uKey, none, [iDigit] { EXPECT_EQ(iMinLevel, iDigit); }, true, false});
    for (int iStart = 0; iStart < 5; ++iStart)
        rows.push_back({"R cycles", 'R', [iStart] { iRGB_Combo = iStart; },
                        [iStart] { EXPECT_EQ(iRGB_Combo, iStart + 1); }, true, false});
    return rows;
}

TEST(ProgramKeys, EveryRowOfTheKeyTable) {
    for (const KeyRow& row : KeyRows()) {
        SCOPED_TRACE(row.pszName + std::string(" ") + std::to_string(row.uKey));
        int iBeeps = 0;
        RunProgram({[&](HWND hwnd) {
                        row.fnSetup();
                        iBeeps = harness::BeepCount();
                        harness::PressKey(hwnd, row.uKey);
                    },
                    [&](HWND hwnd) {
                        row.fnCheck();
                        EXPECT_EQ(harness::BeepCount(), iBeeps + (row.bRestarts ? 1 : 0));
                        EXPECT_EQ(bIsDirty, row.bNewSet ? 1 : 0);
                        EXPECT_EQ(TitleOf(hwnd), row.bNewSet || row.uKey == 'N' ? kUntitled : "Orvanta");
                    }});
    }
}

// The point under the cursor stays there while the button is down.
TEST(ProgramMouse, DraggingPansUntilTheButtonIsUp) {
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
                [&](HWND) {
                    EXPECT_NEAR(PlaneX(30), dfX, 1e-12);
                    EXPECT_EQ(bMouseDown, 0);
                    EXPECT_EQ(ptMouseCurrent.x, 40);
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

TEST(ProgramMouse, RightClickRecentres) {
    double dfX = 0, dfY = 0;
    RunProgram({[&](HWND hwnd) {
                    dfX = PlaneX(16), dfY = PlaneY(40);
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(16, 40));
                },
                [&](HWND) {
                    EXPECT_NEAR(dfSetMidX, dfX, 1e-15);
                    EXPECT_NEAR(dfSetMidY, dfY, 1e-15);
                    EXPECT_EQ(bIsDirty, 1);
                }});
}

// One step per message whatever its size; forward zooms out.
TEST(ProgramMouse, TheWheelZoomsOneStepPerMessage) {
    const std::pair<short, double> turns[] = {{WHEEL_DELTA, 1.1111111111111112}, {3 * WHEEL_DELTA, 1.1111111111111112},
                                              {-WHEEL_DELTA, 0.8999999999999999}, {0, 0.8999999999999999}};
    for (const auto& [iDelta, dfFactor] : turns) {
        RunProgram({[&](HWND hwnd) {
                        harness::PostInput(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(iDelta)), MAKELPARAM(5, 5));
                    },
                    [&](HWND hwnd) {
                        EXPECT_EQ(dfSetHeight, 4.0 * dfFactor) << iDelta;
                        EXPECT_EQ(dfSetMidX, 0.0);
                        EXPECT_EQ(TitleOf(hwnd), kUntitled);
                    }});
    }
}

}  // namespace
