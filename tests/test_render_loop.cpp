// The progressive renderer: the work and block order of each pass, restarts,
// quitting, accelerators, an empty client area and the one beep of a finished picture.
#include "engine_window.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct PassWork {
    int iPeeks;
    uint64_t ullPointColors;
    size_t uFills;
};

// One pass at the given level, called as the render loop calls it.
PassWork RunPass(EngineWindow& window, int iLevel) {
    iDrawLevel = iLevel;
    bRestarting = bCompleted = 0;
    PassWork before = {harness::PeekCount(), ullPointColorCalls, harness::Fills().size()};
    Cover(window.hwnd, window.hdc, 0, iMaxX, 0, iMaxY, 1);
    return {harness::PeekCount() - before.iPeeks, ullPointColorCalls - before.ullPointColors,
            harness::Fills().size() - before.uFills};
}

COLORREF ColourAt(int x, int y) {
    return DriftColor(DriftCount(x * dfSetWidth / iMaxX + dfSetMinX, y * dfSetHeight / iMaxY + dfSetMinY));
}

TEST(RenderLoop, PassesOf1024x768) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    const PassWork expected[] = {{1, 4, 4},         {5, 16, 16},         {21, 64, 64},         {85, 256, 256},
                                 {341, 1024, 1024}, {1365, 4096, 4096}, {5461, 16384, 16384}, {21845, 788225, 0}};
    for (int iLevel = 1; iLevel <= 8; ++iLevel) {
        PassWork work = RunPass(window, iLevel);
        const PassWork& want = expected[iLevel - 1];
        EXPECT_EQ(work.iPeeks, want.iPeeks) << "level " << iLevel;
        EXPECT_EQ(work.ullPointColors, want.ullPointColors) << "level " << iLevel;
        EXPECT_EQ(work.uFills, want.uFills) << "level " << iLevel;
        EXPECT_EQ(bCompleted, iLevel == 8) << "level " << iLevel;
    }
}

// Blocks go bottom-left, top-right, top-left, bottom-right, each filled with
// the colour of its middle point.
TEST(RenderLoop, TheFirstBlocksOfAPassAndTheirColours) {
    const struct {
        int iLevel;
        std::vector<RECT> blocks;  // inclusive right and bottom
    } passes[] = {
        {1, {{0, 385, 512, 768}, {513, 0, 1024, 384}, {0, 0, 512, 384}, {513, 385, 1024, 768}}},
        {2, {{0, 577, 256, 768}, {257, 385, 512, 576}, {0, 385, 256, 576}, {257, 577, 512, 768},
             {513, 193, 768, 384}, {769, 0, 1024, 192}, {513, 0, 768, 192}, {769, 193, 1024, 384}}},
    };
    for (const auto& pass : passes) {
        EngineWindow window = OpenEngineWindow(1024, 768);
        harness::RecordFills();
        RunPass(window, pass.iLevel);
        ASSERT_GE(harness::Fills().size(), pass.blocks.size());
        for (size_t i = 0; i < pass.blocks.size(); ++i) {
            const RECT& want = pass.blocks[i];
            const auto& [rc, cr] = harness::Fills()[i];
            EXPECT_EQ(std::vector<LONG>({rc.left, rc.top, rc.right - 1, rc.bottom - 1}),
                      std::vector<LONG>({want.left, want.top, want.right, want.bottom})) << "block " << i;
            EXPECT_EQ(cr, ColourAt(want.left + (want.right - want.left) / 2, want.top + (want.bottom - want.top) / 2))
                << "block " << i;
        }
    }
}

// Level 0 or less, or beyond the last split, draws everything in the first
// pass; 1280x960 and 1366x705 have blocks that straddle the thresholds.
TEST(RenderLoop, FinishedPictureIsThePixelByPixelPictureWithOneBeep) {
    const struct {
        int iWidth, iHeight, iMinLevel, iPasses;
    } cases[] = {{1024, 768, 2, 7}, {1024, 768, 1, 8},  {1024, 768, 0, 1}, {1024, 768, -3, 1}, {1024, 768, 9, 1},
                 {1280, 960, 2, 8}, {1366, 705, 2, 8}, {8, 100, 2, 1},    {3, 2, 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight) + " from " + std::to_string(c.iMinLevel));
        EngineWindow window = OpenEngineWindow(c.iWidth, c.iHeight);
        iMinLevel = c.iMinLevel;
        RenderToEnd(window);
        EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
        EXPECT_EQ(harness::BeepCount(), 1);
        EXPECT_EQ(iPassCount, c.iPasses);
    }
}

TEST(RenderLoop, AMessageInAPassRestartsAfterItsOwnBlock) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    // The fourth Cover call of a pass at level 4 is the first to fill.
    harness::AtPeek(harness::PeekCount() + 4, [&] { harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1); });
    PassWork work = RunPass(window, 4);
    EXPECT_EQ(bRestarting, 1);
    EXPECT_EQ(work.iPeeks, 4);  // later calls return before taking a message
    ASSERT_EQ(work.uFills, 4u);
    EXPECT_DOUBLE_EQ(dfSetHeight, 3.6);
    const auto& [rc, cr] = harness::Fills()[0];
    EXPECT_EQ(cr, ColourAt(rc.left + (rc.right - 1 - rc.left) / 2, rc.top + (rc.bottom - 1 - rc.top) / 2));
}

TEST(RenderLoop, ARestartedPictureStartsAgainWithoutALevelStepOrBeep) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    // Passes 2 and 3 take 5 + 21 messages; this lands in the third pass.
    harness::AtPeek(harness::PeekCount() + 30, [&] {
        EXPECT_EQ(iPassCount, 3);
        EXPECT_EQ(harness::BeepCount(), 0);
        harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1);
    });
    RenderToEnd(window);
    EXPECT_EQ(iPassCount, 3 + 7);
    EXPECT_EQ(harness::BeepCount(), 1);
    EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
}

TEST(RenderLoop, TheQuitMessageEndsThePassAndItsCallDrawsNothing) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    uint64_t ullCallsAtQuit = 0;
    harness::AtPeek(harness::PeekCount() + 30, [&] {
        PostQuitMessage(0);
        ullCallsAtQuit = ullPointColorCalls;
    });
    RenderToEnd(window);
    EXPECT_EQ(bQuitting, 1);
    EXPECT_EQ(ullPointColorCalls, ullCallsAtQuit);
    EXPECT_EQ(harness::BeepCount(), 0);
    EXPECT_EQ(iPassCount, 3);
}

TEST(RenderLoop, AnAcceleratorKeyBecomesACommandAndNotAKey) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    ACCEL accel = {FVIRTKEY, 'A', 106};
    hAccelerators = CreateAcceleratorTableA(&accel, 1);
    harness::AtPeek(harness::PeekCount() + 10, [&] { harness::PressKey(window.hwnd, 'A'); });
    RenderToEnd(window);
    EXPECT_EQ(ReceivedCommands(), std::vector<WPARAM>{MAKEWPARAM(106, 1)});
    EXPECT_EQ(std::count(ReceivedMessages().begin(), ReceivedMessages().end(), WM_KEYDOWN), 0);
    EXPECT_EQ(harness::BeepCount(), 1);
}

// While the finished picture waits, a mouse move redraws nothing and a
// restart draws the picture again; an empty client area draws nothing until
// the window is restored.
TEST(RenderLoop, WhileWaitingOnlyARestartRedraws) {
    EngineWindow window = OpenEngineWindow(320, 240);
    int iIdle = 0;
    harness::OnIdle([&] {
        ++iIdle;
        if (iIdle == 1) harness::PostInput(window.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        if (iIdle == 2) {
            EXPECT_EQ(harness::BeepCount(), 1);
            harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1);
        }
        return iIdle <= 2;
    });
    RenderToEnd(window);
    EXPECT_EQ(iIdle, 3);
    EXPECT_EQ(harness::BeepCount(), 2);
    EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
}

TEST(RenderLoop, NoPassRunsOnAnEmptyClientArea) {
    EngineWindow window = OpenEngineWindow(0, 0);
    int iIdle = 0;
    harness::OnIdle([&] {
        if (++iIdle > 1) return false;
        EXPECT_EQ(iPassCount, 0);
        harness::SetMaximizedSize(64, 48);
        ShowWindow(window.hwnd, SW_SHOWMAXIMIZED);  // restored: WM_SIZE re-measures
        return true;
    });
    RenderToEnd(window);
    EXPECT_EQ(harness::BeepCount(), 1);
    EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
}

}  // namespace
