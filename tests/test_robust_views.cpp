// Extreme views and client areas on the whole program: zero, negative, tiny,
// huge, NaN and infinite heights and centres, a limit of 0, client areas of
// 1 x 1, 1 x 5000, 5000 x 1 and 16384 x 16384, and input that reaches an empty
// client area. Every pass ends, the finished picture is the pixel-by-pixel
// picture, and the view geometry is what SetupSet makes of the values.
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

// Bit for bit, any NaN standing for any other.
bool Same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

void ExpectSetUp() {
    EXPECT_TRUE(Same(dfSetAspect, static_cast<double>(iMaxX) / iMaxY));
    EXPECT_TRUE(Same(dfSetWidth, dfSetHeight * dfSetAspect)) << dfSetWidth;
    EXPECT_TRUE(Same(dfSetMinX, dfSetMidX - dfSetWidth * 0.5)) << dfSetMinX;
    EXPECT_TRUE(Same(dfSetMinY, dfSetMidY - dfSetHeight * 0.5)) << dfSetMinY;
}

struct ExtremeView {
    const char* pszName;
    double dfMidX, dfMidY, dfHeight;
    ULONG ulLevels;
};

const ExtremeView kViews[] = {
    {"height 0", -0.5, 0.0, 0.0, 64},
    {"negative height", -0.5, 0.25, -3.0, 64},
    {"height 1e-300", -0.75, 0.1, 1e-300, 64},
    {"height 1e300", 0.0, 0.0, 1e300, 64},
    {"NaN height", 0.0, 0.0, kNaN, 64},
    {"infinite height", 0.0, 0.0, kInf, 64},
    {"NaN centre", kNaN, kNaN, 4.0, 64},
    {"infinite centre", kInf, -kInf, 4.0, 64},
    {"centre 1e300", 1e300, -1e300, 1e-300, 64},
    {"limit 0", -0.5, 0.0, 3.0, 0},
};

struct ClientSize {
    int iWidth, iHeight;
};

const ClientSize kSizes[] = {{1, 1}, {1, 5000}, {5000, 1}, {33, 17}};

// The view reaches the program as the Edit dialog and a file would bring it:
// values stored, then the redraw command and its paint.
ProgramStep ShowView(const ExtremeView& view) {
    return [view](HWND hwnd) {
        dfSetMidX = view.dfMidX;
        dfSetMidY = view.dfMidY;
        dfSetHeight = view.dfHeight;
        ulMaxLevels = view.ulLevels;
        PostMessageA(hwnd, WM_COMMAND, IDM_REDRAW, 0);
    };
}

}  // namespace

TEST(ExtremeViews, EveryViewOnEveryShapeFinishesWithThePixelByPixelPicture) {
    for (const ClientSize& size : kSizes) {
        for (const ExtremeView& view : kViews) {
            SCOPED_TRACE(std::string(view.pszName) + " on " + std::to_string(size.iWidth) + " x " +
                         std::to_string(size.iHeight));
            int iBeeps = 0;
            RunProgram({[&](HWND hwnd) {
                            iBeeps = harness::BeepCount();
                            ShowView(view)(hwnd);
                        },
                        [&](HWND hwnd) {
                            EXPECT_EQ(harness::BeepCount(), iBeeps + 1);
                            ExpectSetUp();
                            // A limit of 0 is replaced by the display's default at the paint.
                            EXPECT_EQ(ulMaxLevels, view.ulLevels ? view.ulLevels : 1024u);
                            EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                        }},
                       ProgramSetup::Sized(size.iWidth, size.iHeight));
        }
    }
}

// What a limit of 0 draws while it lasts: the engine alone keeps it.
TEST(ExtremeViews, ALimitOfZeroDrawsEveryPointBlack) {
    EngineWindow window = OpenEngineWindow(40, 30);
    ulMaxLevels = 0;
    bRestarting = 1;
    harness::OnIdle([] { return false; });
    RenderToEnd(window);
    EXPECT_EQ(harness::BeepCount(), 1);
    for (uint32_t uPixel : harness::Pixels(window.hwnd)) ASSERT_EQ(uPixel, 0u);
}

// 16384 x 16384 is a 1 GiB framebuffer: the first pass ends, then the program quits.
TEST(ExtremeViews, AClientAreaOf16384SquaredEndsItsFirstPass) {
    int iPassesAtQuit = 0;
    ProgramSetup setup = ProgramSetup::Sized(16384, 16384);
    setup.bEndsEarly = true;
    setup.fnBeforeStart = [&] {
        harness::OnEveryPeek([&] {
            if (iPassCount == 2 && !iPassesAtQuit) {
                iPassesAtQuit = iPassCount;
                PostQuitMessage(0);
            }
        });
    };
    EXPECT_EQ(RunProgram({[](HWND) {}}, setup), 0);
    EXPECT_EQ(iPassesAtQuit, 2);
    EXPECT_EQ(iMaxX, 16384);
    EXPECT_EQ(iMaxY, 16384);
    ExpectSetUp();
}

// Without a client area no position maps to the plane: mouse input there
// leaves the view as it was, and the restored window shows it.
TEST(EmptyClientArea, MouseInputKeepsTheView) {
    RunProgram({[](HWND hwnd) {
                    dfSetMidX = -0.5;
                    dfSetMidY = 0.25;
                    SetupSet();
                    harness::ResizeWindow(hwnd, 0, 0);
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(0, 0));
                    harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 7));
                    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
                    harness::PostInput(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 4));
                    harness::PostInput(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(9, 4));
                },
                [](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, -0.5);
                    EXPECT_EQ(dfSetMidY, 0.25);
                    EXPECT_EQ(ptMouseCurrent.x, 9);
                    harness::ResizeWindow(hwnd, 40, 30);
                },
                [](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, -0.5);
                    EXPECT_EQ(dfSetMidY, 0.25);
                    ExpectSetUp();
                    EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                }});
}

// A resize to nothing handled between two blocks of a pass: the call that
// took it draws nothing, and the restored window gets the whole picture.
TEST(EmptyClientArea, AWindowEmptiedInAPassDrawsNoMoreOfIt) {
    int iPassesAtResize = -1, iPassesEmpty = -1;
    ProgramSetup setup = ProgramSetup::Sized(40, 30);
    setup.fnBeforeStart = [&] {
        harness::AtPeek(3, [&] {
            iPassesAtResize = iPassCount;
            harness::ResizeWindow(harness::MainWindow(), 0, 0);
        });
    };
    RunProgram({[&](HWND hwnd) {
                    EXPECT_EQ(iMaxX, 0);
                    iPassesEmpty = iPassCount;
                    harness::ResizeWindow(hwnd, 40, 30);
                },
                [&](HWND hwnd) {
                    EXPECT_EQ(iPassesEmpty, iPassesAtResize) << "no pass runs on the empty client area";
                    ExpectSetUp();
                    EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                }},
               setup);
}
