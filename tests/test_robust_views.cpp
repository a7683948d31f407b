// Extreme views and client areas on the whole program: zero, negative, tiny,
// huge, NaN and infinite heights and centres, a limit of 0, client areas from
// 1 x 1 to 16384 x 16384, and input that reaches an empty client area.
#include "engine_window.h"
#include "program_run.h"
#include "resource.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The view geometry is what SetupSet makes of the values, bit for bit, any NaN
// standing for any other.
void ExpectSetUp() {
    auto same = [](double a, double b) {
        return (std::isnan(a) && std::isnan(b)) || std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
    };
    EXPECT_TRUE(same(dfSetAspect, static_cast<double>(iMaxX) / iMaxY));
    EXPECT_TRUE(same(dfSetWidth, dfSetHeight * dfSetAspect)) << dfSetWidth;
    EXPECT_TRUE(same(dfSetMinX, dfSetMidX - dfSetWidth * 0.5)) << dfSetMinX;
    EXPECT_TRUE(same(dfSetMinY, dfSetMidY - dfSetHeight * 0.5)) << dfSetMinY;
}

// Each view reaches the program as the Edit dialog brings it: values stored,
// then the redraw command. A limit of 0 gets the display's default at the paint.
TEST(ExtremeViews, EveryViewOnEveryShapeFinishesWithThePixelByPixelPicture) {
    const struct {
        const char* pszName;
        double dfMidX, dfMidY, dfHeight;
        ULONG ulLevels;
    } views[] = {
        {"height 0", -0.5, 0.0, 0.0, 64},      {"negative height", -0.5, 0.25, -3.0, 64},
        {"height 1e-300", -0.75, 0.1, 1e-300, 64}, {"height 1e300", 0.0, 0.0, 1e300, 64},
        {"NaN height", 0.0, 0.0, kNaN, 64},    {"infinite height", 0.0, 0.0, kInf, 64},
        {"NaN centre", kNaN, kNaN, 4.0, 64},   {"infinite centre", kInf, -kInf, 4.0, 64},
        {"centre 1e300", 1e300, -1e300, 1e-300, 64}, {"limit 0", -0.5, 0.0, 3.0, 0},
    };
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 5000}, {5000, 1}, {33, 17}};
    for (const auto& [iWidth, iHeight] : sizes) {
        for (const auto& view : views) {
            SCOPED_TRACE(std::string(view.pszName) + " on " + std::to_string(iWidth) + " x " + std::to_string(iHeight));
            int iBeeps = 0;
            RunProgram({[&](HWND hwnd) {
                            iBeeps = harness::BeepCount();
                            dfSetMidX = view.dfMidX;
                            dfSetMidY = view.dfMidY;
                            dfSetHeight = view.dfHeight;
                            ulMaxLevels = view.ulLevels;
                            PostMessageA(hwnd, WM_COMMAND, IDM_REDRAW, 0);
                        },
                        [&](HWND hwnd) {
                            EXPECT_EQ(harness::BeepCount(), iBeeps + 1);
                            ExpectSetUp();
                            EXPECT_EQ(ulMaxLevels, view.ulLevels ? view.ulLevels : 1024u);
                            EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                        }},
                       ProgramSetup::Sized(iWidth, iHeight));
        }
    }
}

// 16384 x 16384 is a 1 GiB framebuffer: the first pass ends, then the program quits.
TEST(ExtremeViews, AClientAreaOf16384SquaredEndsItsFirstPass) {
    int iPassesAtQuit = 0;
    ProgramSetup setup = ProgramSetup::Sized(16384, 16384);
    setup.bEndsEarly = true;
    setup.fnBeforeStart = [&] {
        harness::OnEveryPeek([&] {
            if (iPassCount != 2 || iPassesAtQuit) return;
            iPassesAtQuit = iPassCount;
            PostQuitMessage(0);
        });
    };
    EXPECT_EQ(RunProgram({[](HWND) {}}, setup), 0);
    EXPECT_EQ(iPassesAtQuit, 2);
    EXPECT_EQ(iMaxX, 16384);
    ExpectSetUp();
}

// Without a client area no position maps to the plane: clicks and drags there
// leave the view as it was, and the restored window shows it.
TEST(EmptyClientArea, MouseInputKeepsTheView) {
    RunProgram({[](HWND hwnd) {
                    dfSetMidX = -0.5;
                    dfSetMidY = 0.25;
                    SetupSet();
                    harness::ResizeWindow(hwnd, 0, 0);
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 7));
                    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
                    harness::PostInput(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 4));
                },
                [](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, -0.5);
                    EXPECT_EQ(dfSetMidY, 0.25);
                    EXPECT_EQ(ptMouseCurrent.x, 9);
                    harness::ResizeWindow(hwnd, 40, 30);
                },
                [](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, -0.5);
                    ExpectSetUp();
                    EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                }});
}

// A resize to nothing handled between two blocks of a pass: no pass runs on
// the empty client area, and the restored window gets the whole picture.
TEST(EmptyClientArea, AWindowEmptiedInAPassDrawsNoMoreOfIt) {
    int iPassesAtResize = -1;
    ProgramSetup setup = ProgramSetup::Sized(40, 30);
    setup.fnBeforeStart = [&] {
        harness::AtPeek(3, [&] {
            iPassesAtResize = iPassCount;
            harness::ResizeWindow(harness::MainWindow(), 0, 0);
        });
    };
    RunProgram({[&](HWND hwnd) {
                    EXPECT_EQ(iMaxX, 0);
                    EXPECT_EQ(iPassCount, iPassesAtResize);
                    harness::ResizeWindow(hwnd, 40, 30);
                },
                [&](HWND hwnd) {
                    ExpectSetUp();
                    EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                }},
               setup);
}

}  // namespace
