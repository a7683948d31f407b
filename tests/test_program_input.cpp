// The whole program under keyboard and mouse input: start-up, every row of the
// key table, dragging, recentring, the wheel, and input in the middle of a pass.
#include "program_run.h"
#include "render_session.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const char kUntitled[] = "Orvanta - [untitled]";

double PlaneX(int x) { return x * dfSetWidth / iMaxX + dfSetMinX; }
double PlaneY(int y) { return y * dfSetHeight / iMaxY + dfSetMinY; }

TEST(ProgramStartUp, OpensMaximisedAndDrawsWhatTheRendererDraws) {
    RenderOptions options;
    options.iWidth = 320;
    options.iHeight = 240;
    std::vector<uint32_t> expected = RenderHeadless(options, false).pixels;
    std::vector<uint32_t> shown;
    RECT rc{};
    std::string sTitle;
    int iBeeps = 0;
    int iExit = RunProgram({[&](HWND hwnd) {
                               shown = harness::Pixels(hwnd);
                               GetClientRect(hwnd, &rc);
                               sTitle = TitleOf(hwnd);
                               iBeeps = harness::BeepCount();
                           }},
                           ProgramSetup::Sized(320, 240));
    EXPECT_EQ(iExit, 0);
    EXPECT_EQ(rc.right, 320);
    EXPECT_EQ(rc.bottom, 240);
    EXPECT_EQ(sTitle, "Orvanta");
    EXPECT_EQ(iBeeps, 1);
    EXPECT_EQ(ulMaxLevels, 1024u);
    EXPECT_EQ(shown, expected);
}

TEST(ProgramStartUp, ASixteenColourDisplayGetsSixteenLevels) {
    ProgramSetup setup;
    setup.caps = harness::SixteenColorDisplay();
    RunProgram({[](HWND) {}}, setup);
    EXPECT_EQ(ulMaxLevels, 16u);
    EXPECT_EQ(dwMaxColor, 16u);
}

TEST(ProgramStartUp, EveryEarlyEndExitsWithZero) {
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    char szCmdLine[] = "";
    harness::Reset();
    EXPECT_EQ(WinMain(hInstance, hInstance, szCmdLine, SW_SHOWNORMAL), 0);  // a previous instance
    EXPECT_EQ(harness::LiveWindows(), 0);

    harness::Reset();
    harness::FailNextAllocations(1);
    EXPECT_EQ(WinMain(hInstance, nullptr, szCmdLine, SW_SHOWNORMAL), 0);
    ASSERT_EQ(harness::Boxes().size(), 1u);
    EXPECT_EQ(harness::Boxes()[0].sText, "Insufficient memory");
    EXPECT_EQ(harness::Boxes()[0].sCaption, "STATUS");
    EXPECT_EQ(harness::Boxes()[0].hwndOwner, nullptr);
    EXPECT_EQ(harness::Boxes()[0].uType, static_cast<UINT>(MB_OK | MB_SYSTEMMODAL));
    EXPECT_EQ(harness::LiveWindows(), 0);

    harness::Reset();  // the class exists already: registering fails silently
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "VELDRAN";
    RegisterClassA(&wc);
    EXPECT_EQ(WinMain(hInstance, nullptr, szCmdLine, SW_SHOWNORMAL), 0);
    EXPECT_TRUE(harness::Boxes().empty());
    EXPECT_EQ(harness::LiveWindows(), 0);
    EXPECT_EQ(hinst, hInstance);
}

TEST(ProgramStartUp, QuittingReleasesEverything) {
    int iExit = RunProgram({[](HWND hwnd) {
                                harness::AnswerBoxes({IDOK});
                                harness::PostInput(hwnd, WM_CLOSE, 0, 0);
                            }},
                           ProgramSetup());
    EXPECT_EQ(iExit, 0);
    EXPECT_EQ(harness::LiveWindows(), 0);
    EXPECT_EQ(harness::LiveDeviceContexts(), 0);
    EXPECT_EQ(harness::LiveGdiObjects(), 0);
    EXPECT_EQ(harness::LiveMemoryBlocks(), 0);
}

struct KeyRow {
    const char* pszName;
    UINT uKey;
    std::function<void()> setup;
    std::function<void()> check;
    bool bRestarts;
    bool bNewSet;
};

void NoSetup() {}

std::vector<KeyRow> KeyRows() {
    std::vector<KeyRow> rows = {
        {"PageUp 65504", VK_PRIOR, [] { ulMaxLevels = 65504; }, [] { EXPECT_EQ(ulMaxLevels, 65520u); }, true, false},
        {"PageUp 65520", VK_PRIOR, [] { ulMaxLevels = 65520; }, [] { EXPECT_EQ(ulMaxLevels, 65520u); }, false, false},
        {"PageUp 65518", VK_PRIOR, [] { ulMaxLevels = 65518; }, [] { EXPECT_EQ(ulMaxLevels, 65534u); }, true, false},
        {"PageDown 32", VK_NEXT, [] { ulMaxLevels = 32; }, [] { EXPECT_EQ(ulMaxLevels, 16u); }, true, false},
        {"PageDown 16", VK_NEXT, [] { ulMaxLevels = 16; }, [] { EXPECT_EQ(ulMaxLevels, 16u); }, false, false},
        {"PageDown 17", VK_NEXT, [] { ulMaxLevels = 17; }, [] { EXPECT_EQ(ulMaxLevels, 1u); }, true, false},
        {"Left", VK_LEFT, NoSetup, [] { EXPECT_DOUBLE_EQ(dfSetMidX, -dfSetWidth * 0.2); }, true, true},
        {"Right", VK_RIGHT, NoSetup, [] { EXPECT_DOUBLE_EQ(dfSetMidX, dfSetWidth * 0.2); }, true, true},
        {"Up", VK_UP, NoSetup, [] { EXPECT_DOUBLE_EQ(dfSetMidY, -4.0 * 0.2); }, true, true},
        {"Down", VK_DOWN, NoSetup, [] { EXPECT_DOUBLE_EQ(dfSetMidY, 4.0 * 0.2); }, true, true},
        {"Insert", VK_INSERT, NoSetup, [] { EXPECT_EQ(dfSetHeight, 4.0 * 0.9); }, true, true},
        {"Delete", VK_DELETE, NoSetup, [] { EXPECT_EQ(dfSetHeight, 4.0 * 1.1111111111111112); }, true, true},
        {"C", 'C', [] { dfSetMidX = 0.3; dfSetMidY = -0.2; dfSetHeight = 0.5; },
         [] { EXPECT_EQ(dfSetMidX, 0.0); EXPECT_EQ(dfSetMidY, 0.0); EXPECT_EQ(dfSetHeight, 0.5); }, true, true},
        {"I on", 'I', NoSetup, [] { EXPECT_EQ(bInvertColors, 1); }, true, false},
        {"I off", 'I', [] { bInvertColors = 1; }, [] { EXPECT_EQ(bInvertColors, 0); }, true, false},
        {"L 11", 'L', [] { iColorFactor = 11; }, [] { EXPECT_EQ(iColorFactor, 10); }, true, false},
        {"L 10", 'L', [] { iColorFactor = 10; }, [] { EXPECT_EQ(iColorFactor, 10); }, true, false},
        {"M", 'M', NoSetup, [] { EXPECT_EQ(iColorFactor, 101); }, true, false},
        {"R 5", 'R', [] { iRGB_Combo = 5; }, [] { EXPECT_EQ(iRGB_Combo, 0); }, true, false},
        {"R -3", 'R', [] { iRGB_Combo = -3; }, [] { EXPECT_EQ(iRGB_Combo, -2); }, true, false},
        {"keypad +", VK_ADD, NoSetup, [] { EXPECT_EQ(dfMoveFactor, 0.2 * 1.5); }, false, false},
        {"keypad -", VK_SUBTRACT, NoSetup, [] { EXPECT_EQ(dfMoveFactor, 0.2 * 0.6666666666666666); }, false, false},
        {"digit 0", '0', NoSetup, [] { EXPECT_EQ(iMinLevel, 2); }, false, false},
        {"keypad 0", VK_NUMPAD0, NoSetup, [] { EXPECT_EQ(iMinLevel, 2); }, false, false},
        {"unknown key", 'Z', NoSetup, [] { EXPECT_EQ(iMinLevel, 2); }, false, false},
        {"D", 'D', NoSetup, [] {
             ASSERT_FALSE(harness::Boxes().empty());
             EXPECT_EQ(harness::Boxes().back().sCaption, "STATUS");
         }, false, false},
    };
    for (int iDigit = 1; iDigit <= 9; ++iDigit) {
        rows.push_back({"digit", static_cast<UINT>('0' + iDigit), NoSetup,
                        [iDigit] { EXPECT_EQ(iMinLevel, iDigit); }, true, false});
        rows.push_back({"keypad digit", static_cast<UINT>(VK_NUMPAD0 + iDigit), NoSetup,
                        [iDigit] { EXPECT_EQ(iMinLevel, iDigit); }, true, false});
    }
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
                        row.setup();
                        iBeeps = harness::BeepCount();
                        harness::PressKey(hwnd, row.uKey);
                    },
                    [&](HWND hwnd) {
                        row.check();
                        EXPECT_EQ(harness::BeepCount(), iBeeps + (row.bRestarts ? 1 : 0));
                        EXPECT_EQ(bIsDirty, row.bNewSet ? 1 : 0);
                        EXPECT_EQ(TitleOf(hwnd), row.bNewSet ? kUntitled : "Orvanta");
                    }});
    }
}

TEST(ProgramKeys, ThreePressesOfKeypadPlusMakeTheStepLonger) {
    double dfMidBefore = 0.0;
    RunProgram({Key(VK_ADD), Key(VK_ADD), Key(VK_ADD),
                [&](HWND hwnd) {
                    dfMidBefore = dfSetMidX;
                    harness::PressKey(hwnd, VK_RIGHT);
                },
                [&](HWND) { EXPECT_DOUBLE_EQ(dfSetMidX - dfMidBefore, dfSetWidth * 0.2 * 3.375); }});
}

TEST(ProgramKeys, NewFromTheKeyboardResetsTheView) {
    RunProgram({[](HWND hwnd) {
                    dfSetMidX = 1.0;
                    iColorFactor = 50;
                    iMinLevel = 4;
                    harness::PressKey(hwnd, 'N');
                },
                [](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, 0.0);
                    EXPECT_EQ(iColorFactor, 100);
                    EXPECT_EQ(iMinLevel, 4);
                    EXPECT_EQ(TitleOf(hwnd), kUntitled);
                }});
}

TEST(ProgramMouse, DraggingKeepsThePointUnderTheCursor) {
    double dfX = 0, dfY = 0;
    RunProgram({[&](HWND hwnd) {
                    dfX = PlaneX(10);
                    dfY = PlaneY(12);
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

// A click without a move, and a drag whose button is released outside the
// window, pan nothing and leave the view as it was.
TEST(ProgramMouse, InputThatIsNoDragChangesNothing) {
    const struct {
        const char* pszName;
        UINT uMessages[3];
        WPARAM wParams[3];
        POINT pts[3];
    } cases[] = {
        {"click", {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}, {0, MK_LBUTTON, 0}, {{7, 9}, {7, 9}, {7, 9}}},
        {"release outside", {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_MOUSEMOVE}, {MK_LBUTTON, 0, 0},
         {{10, 10}, {50, 30}, {20, 20}}},
    };
    for (const auto& c : cases) {
        int iBeeps = 0;
        RunProgram({[&](HWND hwnd) {
                        iBeeps = harness::BeepCount();
                        for (int i = 0; i < 3; ++i)
                            harness::PostInput(hwnd, c.uMessages[i], c.wParams[i],
                                                MAKELPARAM(c.pts[i].x, c.pts[i].y));
                    },
                    [&](HWND hwnd) {
                        EXPECT_EQ(ptMouseCurrent.x, c.pts[2].x) << c.pszName;
                        EXPECT_EQ(bMouseDown, 0) << c.pszName;
                        EXPECT_EQ(dfSetMidX, 0.0) << c.pszName;
                        EXPECT_EQ(dfSetMidY, 0.0) << c.pszName;
                        EXPECT_EQ(bIsDirty, 0) << c.pszName;
                        EXPECT_EQ(harness::BeepCount(), iBeeps) << c.pszName;
                        EXPECT_EQ(TitleOf(hwnd), "Orvanta") << c.pszName;
                    }});
    }
}

TEST(ProgramMouse, RightClickRecentres) {
    double dfX = 0, dfY = 0;
    RunProgram({[&](HWND hwnd) {
                    dfX = PlaneX(16);
                    dfY = PlaneY(40);
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(16, 40));
                },
                [&](HWND hwnd) {
                    EXPECT_NEAR(dfSetMidX, dfX, 1e-15);
                    EXPECT_NEAR(dfSetMidY, dfY, 1e-15);
                    EXPECT_EQ(bIsDirty, 1);
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(32, 24));
                },
                [&](HWND) {
                    EXPECT_NEAR(dfSetMidX, dfX, 1e-15);
                    EXPECT_NEAR(dfSetMidY, dfY, 1e-15);
                }});
}

TEST(ProgramMouse, TheWheelZoomsOneStepPerMessage) {
    const struct {
        short iDelta;
        double dfFactor;
    } turns[] = {{WHEEL_DELTA, 1.1111111111111112}, {3 * WHEEL_DELTA, 1.1111111111111112},
                 {-WHEEL_DELTA, 0.8999999999999999}, {0, 0.8999999999999999}};
    for (const auto& turn : turns) {
        RunProgram({Post(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(turn.iDelta)), MAKELPARAM(5, 5)),
                    [&](HWND hwnd) {
                        EXPECT_EQ(dfSetHeight, 4.0 * turn.dfFactor) << turn.iDelta;
                        EXPECT_EQ(dfSetMidX, 0.0);
                        EXPECT_EQ(TitleOf(hwnd), kUntitled);
                    }});
    }
}

TEST(ProgramPasses, AKeyInTheMiddleOfAPassRestartsWithoutABeep) {
    int iBeepsAtKey = -1;
    ProgramSetup setup = ProgramSetup::Sized(256, 192);
    setup.fnBeforeStart = [&] {
        harness::AtPeek(12, [&] {
            iBeepsAtKey = harness::BeepCount();
            harness::PressKey(harness::MainWindow(), VK_INSERT);
        });
    };
    RunProgram({[&](HWND) {
                    EXPECT_EQ(iBeepsAtKey, 0);
                    EXPECT_EQ(harness::BeepCount(), 1);  // only the zoomed picture finished
                    EXPECT_DOUBLE_EQ(dfSetHeight, 3.6);
                }},
               setup);
    EXPECT_EQ(iBeepsAtKey, 0);
}

}  // namespace
