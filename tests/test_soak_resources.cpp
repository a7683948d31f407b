// A soak of the whole program: a thousand random views, each typed into the
// Edit dialog or reached by keys, some after a resize, each rendered to the
// end; after every finished picture the live brushes, pens, device contexts,
// windows and memory blocks are back where they were after the first.
#include "program_run.h"
#include "resource.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace {

const int kViews = 1000;

struct LiveCounts {
    int iGdiObjects, iDeviceContexts, iWindows, iMemoryBlocks;
    bool operator==(const LiveCounts&) const = default;
};

LiveCounts Live() {
    return {harness::LiveGdiObjects(), harness::LiveDeviceContexts(), harness::LiveWindows(),
            harness::LiveMemoryBlocks()};
}

std::string Text(const char* pszFormat, double dfValue) {
    char szText[64];
    std::snprintf(szText, sizeof szText, pszFormat, dfValue);
    return szText;
}

// A view a user might type: anywhere near the set, any zoom down to 1e-6,
// low limits so that a thousand pictures stay quick.
std::vector<harness::DialogStep> RandomViewTyped(std::mt19937& random) {
    std::uniform_real_distribution<double> centreX(-2.2, 1.0), centreY(-1.5, 1.5), zoomPower(-6.0, 1.0);
    std::uniform_int_distribution<int> levels(1, 48), start(-1, 9), factor(-200, 400), combo(-1, 6);
    return {harness::TypeText(IDD_CENTERX, Text("%.17g", centreX(random))),
            harness::TypeText(IDD_CENTERY, Text("%.17g", centreY(random))),
            harness::TypeText(IDD_ITERATIONS, std::to_string(levels(random))),
            harness::TypeText(IDD_ZOOM, Text("%.17g", std::pow(10.0, zoomPower(random)))),
            harness::TypeText(IDD_STARTLEVEL, std::to_string(start(random))),
            harness::TypeText(IDD_COLORFACTOR, std::to_string(factor(random))),
            harness::TypeText(IDD_RGB, std::to_string(combo(random))),
            harness::PressButton(IDOK)};
}

const UINT kKeys[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_INSERT, VK_DELETE, 'I', 'R', 'M', 'L', '3', VK_NEXT};

// One new view: typed in the dialog, or two keys, sometimes after a resize.
void NewRandomView(HWND hwnd, std::mt19937& random) {
    std::uniform_int_distribution<int> choice(0, 9), width(1, 48), height(1, 36), key(0, std::size(kKeys) - 1);
    if (choice(random) == 0) harness::ResizeWindow(hwnd, width(random), height(random));
    if (choice(random) < 6) {
        harness::ScriptDialog(RandomViewTyped(random));
        PostMessageA(hwnd, WM_COMMAND, IDM_EDIT, 0);
        return;
    }
    harness::PressKey(hwnd, kKeys[key(random)]);
    harness::PressKey(hwnd, kKeys[key(random)]);
}

}  // namespace

TEST(Soak, AThousandViewsLeaveNoObjectBehind) {
    std::mt19937 random(20260);
    std::vector<ProgramStep> steps;
    LiveCounts start{};
    int iBeeps = 0;
    steps.push_back([&](HWND hwnd) {
        start = Live();
        iBeeps = harness::BeepCount();
        ulMaxLevels = 32;
        NewRandomView(hwnd, random);
    });
    for (int i = 1; i < kViews; ++i) {
        steps.push_back([&, i](HWND hwnd) {
            ASSERT_EQ(Live(), start) << "after view " << i;
            NewRandomView(hwnd, random);
        });
    }
    steps.push_back([&](HWND) { EXPECT_EQ(Live(), start) << "after the last view"; });
    RunProgram(steps, ProgramSetup::Sized(32, 24));
    EXPECT_GE(harness::BeepCount() - iBeeps, kViews * 9 / 10) << "most views should have been finished pictures";
}
