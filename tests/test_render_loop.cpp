// The progressive renderer: passes, block order, restarts, quitting,
// accelerators and the one beep of a finished picture.
#include "engine_window.h"

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
    int iPeeks = harness::PeekCount();
    uint64_t ullCalls = ullPointColorCalls;
    size_t uFills = harness::Fills().size();
    Cover(window.hwnd, window.hdc, 0, iMaxX, 0, iMaxY, 1);
    return {harness::PeekCount() - iPeeks, ullPointColorCalls - ullCalls,
            harness::Fills().size() - uFills};
}

bool SameRect(const RECT& a, int iLeft, int iRight, int iTop, int iBottom) {
    return a.left == iLeft && a.right == iRight + 1 && a.top == iTop && a.bottom == iBottom + 1;
}

COLORREF ColourAt(int x, int y) {
    return DriftColor(DriftCount(x * dfSetWidth / iMaxX + dfSetMinX, y * dfSetHeight / iMaxY + dfSetMinY));
}

TEST(RenderLoop, PassesOf1024x768) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    const PassWork expected[] = {{5, 16, 16},          {21, 64, 64},          {85, 256, 256},
                                 {341, 1024, 1024},    {1365, 4096, 4096},    {5461, 16384, 16384},
                                 {21845, 788225, 0}};
    for (int iLevel = 2; iLevel <= 8; ++iLevel) {
        PassWork work = RunPass(window, iLevel);
        const PassWork& want = expected[iLevel - 2];
        EXPECT_EQ(work.iPeeks, want.iPeeks) << "level " << iLevel;
        EXPECT_EQ(work.ullPointColors, want.ullPointColors) << "level " << iLevel;
        EXPECT_EQ(work.uFills, want.uFills) << "level " << iLevel;
        EXPECT_EQ(bCompleted, iLevel == 8) << "level " << iLevel;
    }
}

TEST(RenderLoop, FirstPassOrderAndCentres) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    RunPass(window, 2);
    const auto& fills = harness::Fills();
    ASSERT_EQ(fills.size(), 16u);
    const int blocks[8][4] = {{0, 256, 577, 768},    {257, 512, 385, 576},  {0, 256, 385, 576},
                              {257, 512, 577, 768},  {513, 768, 193, 384},  {769, 1024, 0, 192},
                              {513, 768, 0, 192},    {769, 1024, 193, 384}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(SameRect(fills[i].first, blocks[i][0], blocks[i][1], blocks[i][2], blocks[i][3]))
            << "block " << i;
        int iMidX = blocks[i][0] + (blocks[i][1] - blocks[i][0]) / 2;
        int iMidY = blocks[i][2] + (blocks[i][3] - blocks[i][2]) / 2;
        EXPECT_EQ(fills[i].second, ColourAt(iMidX, iMidY)) << "block " << i;
    }
    EXPECT_EQ(fills[1].second, ColourAt(384, 480));
}

TEST(RenderLoop, StartingLevelOneFillsTheQuarters) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    PassWork work = RunPass(window, 1);
    ASSERT_EQ(work.uFills, 4u);
    const auto& fills = harness::Fills();
    EXPECT_TRUE(SameRect(fills[0].first, 0, 512, 385, 768));
    EXPECT_TRUE(SameRect(fills[1].first, 513, 1024, 0, 384));
    EXPECT_TRUE(SameRect(fills[2].first, 0, 512, 0, 384));
    EXPECT_TRUE(SameRect(fills[3].first, 513, 1024, 385, 768));
    EXPECT_EQ(work.iPeeks, 1);
}

TEST(RenderLoop, FinishedPictureIsThePixelByPixelPictureWithOneBeep) {
    struct Case {
        int iWidth, iHeight, iMinLevel, iPasses;
    };
    // Level 0 or less, or beyond the last split, draws everything in the first pass;
    // 1280x960 and 1366x705 have blocks that straddle the thresholds.
    const Case cases[] = {{1024, 768, 2, 7}, {1024, 768, 1, 8}, {1024, 768, 0, 1},
                          {1024, 768, -3, 1}, {1024, 768, 9, 1}, {1280, 960, 2, 8},
                          {1366, 705, 2, 8},  {8, 100, 2, 1},    {3, 2, 2, 1}};
    for (const Case& c : cases) {
        EngineWindow window = OpenEngineWindow(c.iWidth, c.iHeight);
        iMinLevel = c.iMinLevel;
        RenderToEnd(window);
        EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture())
            << c.iWidth << "x" << c.iHeight << " from " << c.iMinLevel;
        EXPECT_EQ(harness::BeepCount(), 1) << c.iWidth << "x" << c.iHeight << " from " << c.iMinLevel;
        EXPECT_EQ(iPassCount, c.iPasses) << c.iWidth << "x" << c.iHeight << " from " << c.iMinLevel;
    }
}

TEST(RenderLoop, TheFullRunOf1024x768CountsItsWork) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    RenderToEnd(window);
    EXPECT_EQ(ullPointColorCalls, 21840u + 788225u);
    EXPECT_EQ(bQuitting, 1);  // the headless queue ran dry
}

TEST(RenderLoop, AMessageInAPassRestartsAfterItsOwnBlock) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    // The fourth Cover call of a pass at level 4 is the first to fill.
    harness::AtPeek(harness::PeekCount() + 4,
                     [&] { harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1); });
    PassWork work = RunPass(window, 4);
    EXPECT_EQ(bRestarting, 1);
    EXPECT_EQ(work.iPeeks, 4);  // later calls return before taking a message
    ASSERT_EQ(work.uFills, 4u);
    EXPECT_DOUBLE_EQ(dfSetHeight, 3.6);
    const auto& fill = harness::Fills()[0];
    int iMidX = fill.first.left + (fill.first.right - 1 - fill.first.left) / 2;
    int iMidY = fill.first.top + (fill.first.bottom - 1 - fill.first.top) / 2;
    EXPECT_EQ(fill.second, ColourAt(iMidX, iMidY));  // drawn with the zoomed view
}

TEST(RenderLoop, ARestartedPictureStartsAgainWithoutALevelStepOrBeep) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    int iStart = harness::PeekCount();
    // Passes 2 and 3 take 5 + 21 messages; this lands in the third pass.
    harness::AtPeek(iStart + 30, [&] {
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
    ASSERT_EQ(ReceivedCommands().size(), 1u);
    EXPECT_EQ(ReceivedCommands()[0], MAKEWPARAM(106, 1));
    int iKeyDowns = 0;
    for (UINT uMessage : ReceivedMessages()) iKeyDowns += uMessage == WM_KEYDOWN;
    EXPECT_EQ(iKeyDowns, 0);
    EXPECT_EQ(harness::BeepCount(), 1);
}

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
    EXPECT_EQ(harness::BeepCount(), 2);  // one for each finished picture
    EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
}

TEST(RenderLoop, NoPassRunsOnAnEmptyClientArea) {
    EngineWindow window = OpenEngineWindow(0, 0);
    int iIdle = 0;
    harness::OnIdle([&] {
        ++iIdle;
        if (iIdle == 1) {
            EXPECT_EQ(iPassCount, 0);
            harness::SetMaximizedSize(64, 48);
            ShowWindow(window.hwnd, SW_SHOWMAXIMIZED);  // restored: WM_SIZE re-measures
        }
        return iIdle == 1;
    });
    RenderToEnd(window);
    EXPECT_EQ(iIdle, 2);
    EXPECT_EQ(harness::BeepCount(), 1);
    EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
}

}  // namespace
