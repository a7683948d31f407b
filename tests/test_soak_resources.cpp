// A soak of the whole program: a thousand random views, typed into the Edit
// dialog or reached by keys, some after a resize, each rendered to the end;
// after every picture the live GDI objects, device contexts, windows and
// memory blocks are back where they were after the first.
#include "program_run.h"
#include "resource.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

TEST(Soak, AThousandViewsLeaveNoObjectBehind) {
    const int kViews = 1000;
    const UINT kKeys[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_INSERT, VK_DELETE, 'I', 'R', 'M', 'L', '3', VK_NEXT};
    std::mt19937 random(20260);
    std::uniform_real_distribution<double> centreX(-2.2, 1.0), centreY(-1.5, 1.5), zoomPower(-6.0, 1.0);
    std::uniform_int_distribution<int> choice(0, 9), side(1, 48), key(0, std::size(kKeys) - 1), number(-200, 400);
    auto live = [] {
        return std::vector<int>{headless::LiveGdiObjects(), headless::LiveDeviceContexts(), headless::LiveWindows(),
                                headless::LiveMemoryBlocks()};
    };
    // A view a user might type, any zoom down to 1e-6 and low limits, or two keys; sometimes a resize first.
    auto newView = [&](HWND hwnd) {
        if (choice(random) == 0) headless::ResizeWindow(hwnd, side(random), side(random));
        if (choice(random) >= 6) {
            for (int i = 0; i < 2; ++i) headless::PressKey(hwnd, kKeys[key(random)]);
            return;
        }
        headless::ScriptDialog({headless::TypeText(IDD_CENTERX, std::to_string(centreX(random))),
                                headless::TypeText(IDD_CENTERY, std::to_string(centreY(random))),
                                headless::TypeText(IDD_ITERATIONS, std::to_string(1 + side(random))),
                                headless::TypeText(IDD_ZOOM, std::to_string(std::pow(10.0, zoomPower(random)))),
                                headless::TypeText(IDD_STARTLEVEL, std::to_string(number(random) % 10)),
                                headless::TypeText(IDD_COLORFACTOR, std::to_string(number(random))),
                                headless::TypeText(IDD_RGB, std::to_string(number(random) % 7)), headless::PressButton(IDOK)});
        PostMessageA(hwnd, WM_COMMAND, IDM_EDIT, 0);
    };
    std::vector<int> start;
    int iBeeps = 0;
    std::vector<ProgramStep> steps = {[&](HWND hwnd) {
        start = live();
        iBeeps = headless::BeepCount();
        ulMaxLevels = 32;
        newView(hwnd);
    }};
    for (int i = 1; i < kViews; ++i)
        steps.push_back([&, i](HWND hwnd) {
            ASSERT_EQ(live(), start) << "after view " << i;
            newView(hwnd);
        });
    steps.push_back([&](HWND) { EXPECT_EQ(live(), start) << "after the last view"; });
    RunProgram(steps, ProgramSetup::Sized(32, 24));
    EXPECT_GE(headless::BeepCount() - iBeeps, kViews * 9 / 10) << "most views should have been finished pictures";
}
