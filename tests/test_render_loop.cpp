// The progressive renderer: the work and block order of each pass, restarts,
// quitting, accelerators, an empty client area and the one beep of a finished picture.
#include "program_run.h"

#include <future>
#include <thread>

namespace {

struct PassWork { int iPeeks; uint64_t ullPointColors; size_t uFills; };

// One pass at the given level, called as the render loop calls it.
PassWork RunPass(EngineWindow& window, int iLevel) {
    iDrawLevel = iLevel;
    bRestarting = bCompleted = 0;
    PassWork before = {harness::PeekCount(), ullPointColorCalls, harness::Fills().size()};
    Cover(window.hwnd, window.hdc, 0, iMaxX, 0, iMaxY, 1);
    return {harness::PeekCount() - before.iPeeks, ullPointColorCalls - before.ullPointColors,
            harness::Fills().size() - before.uFills};
}

// Each fill is the colour of its block's middle point.
void ExpectMiddleColour(size_t uFill) {
    const auto& [rc, cr] = harness::Fills()[uFill];
    EXPECT_EQ(cr, ColourAt(rc.left + (rc.right - 1 - rc.left) / 2, rc.top + (rc.bottom - 1 - rc.top) / 2)) << uFill;
}

TEST(RenderLoop, PassesOf1024x768) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    const PassWork expected[] = {{1, 4, 4},         {5, 16, 16},         {21, 64, 64},         {85, 256, 256},
                                 {341, 1024, 1024}, {1365, 4096, 4096}, {5461, 16384, 16384}, {21845, 788225, 0}};
    for (int iLevel = 1; iLevel <= 8; ++iLevel) {
        PassWork work = RunPass(window, iLevel);
        const PassWork& want = expected[iLevel - 1];
        EXPECT_EQ(std::make_tuple(work.iPeeks, work.ullPointColors, work.uFills, bCompleted),
                  std::make_tuple(want.iPeeks, want.ullPointColors, want.uFills, iLevel == 8 ? 1 : 0)) << iLevel;
    }
}

// Blocks go bottom-left, top-right, top-left, bottom-right.
TEST(RenderLoop, TheFirstBlocksOfAPass) {
    const std::vector<RECT> blocks = {{0, 577, 257, 769},   {257, 385, 513, 577}, {0, 385, 257, 577},
                                      {257, 577, 513, 769}, {513, 193, 769, 385}, {769, 0, 1025, 193},
                                      {513, 0, 769, 193},   {769, 193, 1025, 385}};
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    RunPass(window, 2);
    ASSERT_GE(harness::Fills().size(), blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        const RECT& rc = harness::Fills()[i].first;
        EXPECT_EQ(std::vector<LONG>({rc.left, rc.top, rc.right, rc.bottom}),
                  std::vector<LONG>({blocks[i].left, blocks[i].top, blocks[i].right, blocks[i].bottom})) << i;
        ExpectMiddleColour(i);
    }
}

// Level 0 or less, or beyond the last split, draws everything in the first
// pass; 1280x960 and 1366x705 have blocks that straddle the thresholds, and
// their finishing pass is followed by one that refines the blocks it filled.
TEST(RenderLoop, FinishedPictureIsThePixelByPixelPictureWithOneBeep) {
    const struct { int iWidth, iHeight, iMinLevel, iPasses; } cases[] = {
        {1024, 768, 2, 7}, {1024, 768, 1, 8}, {1024, 768, 0, 1}, {1024, 768, -3, 1}, {1024, 768, 9, 1},
        {1280, 960, 2, 8}, {1366, 705, 2, 8}, {8, 100, 2, 1},    {3, 2, 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight) + " from " + std::to_string(c.iMinLevel));
        EngineWindow window = OpenEngineWindow(c.iWidth, c.iHeight);
        iMinLevel = c.iMinLevel;
        RenderToEnd(window);
        EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
        EXPECT_EQ(harness::BeepCount() * 100 + iPassCount, 100 + c.iPasses);  // one beep
        // The blocks a straddling pass leaves filled are refined, not the whole picture recounted.
        EXPECT_TRUE(c.iWidth < 1024 || ullPointColorCalls <= 1.05 * c.iWidth * c.iHeight) << ullPointColorCalls;
    }
}

// The fourth Cover call of a pass at level 4 is the first to fill; later
// calls return before taking a message.
TEST(RenderLoop, AMessageInAPassRestartsAfterItsOwnBlock) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    harness::AtPeek(harness::PeekCount() + 4, [&] { harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1); });
    PassWork work = RunPass(window, 4);
    EXPECT_TRUE(bRestarting && work.iPeeks == 4 && dfSetHeight == 4.0 * 0.9);
    ASSERT_EQ(work.uFills, 4u);
    ExpectMiddleColour(0);
}

// Passes 2 and 3 take 5 + 21 messages: peek 30 is in the third pass. A
// restart starts again without a level step or a beep; a quit ends the pass
// and its call draws nothing. Workers busy with the pass are stopped and
// joined when counting goes back to one thread.
TEST(RenderLoop, ARestartOrAQuitInTheThirdPass) {
    for (bool bQuit : {false, true}) {
        EngineWindow window = OpenEngineWindow(1024, 768);
        // The process's threads, where the system lists them (not under Wine).
        const auto threadsNow = [] {
            std::error_code error;
            return std::distance(std::filesystem::directory_iterator("/proc/self/task", error), {});
        };
        SetCountingThreads(2), SetCountingThreads(1);  // ThreadSanitizer starts a thread of its own with the first
        const auto iThreadsBefore = threadsNow();
        SetCountingThreads(8);
        ulMaxLevels = 3000;
        uint64_t ullCallsAtQuit = 0;
        harness::AtPeek(harness::PeekCount() + 30, [&] {
            EXPECT_EQ(iPassCount, 3);
            EXPECT_EQ(harness::BeepCount(), 0);
            if (bQuit) PostQuitMessage(0), ullCallsAtQuit = ullPointColorCalls;
            else harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1);
        });
        RenderToEnd(window);
        EXPECT_EQ(iPassCount, bQuit ? 3 : 3 + 7);
        EXPECT_EQ(harness::BeepCount(), bQuit ? 0 : 1);
        SetCountingThreads(1);
        if (bQuit) EXPECT_EQ(ullPointColorCalls, ullCallsAtQuit);
        else EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
        EXPECT_EQ(threadsNow(), iThreadsBefore);
    }
}

TEST(RenderLoop, AnAcceleratorKeyBecomesACommandAndNotAKey) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    ACCEL accel = {FVIRTKEY, 'A', 106};
    hAccelerators = CreateAcceleratorTableA(&accel, 1);
    harness::AtPeek(harness::PeekCount() + 10, [&] { harness::PressKey(window.hwnd, 'A'); });
    RenderToEnd(window);
    EXPECT_EQ(g_receivedCommands, std::vector<WPARAM>{MAKEWPARAM(106, 1)});
    EXPECT_EQ(std::count(g_receivedMessages.begin(), g_receivedMessages.end(), WM_KEYDOWN), 0);
    EXPECT_EQ(harness::BeepCount(), 1);
}

// While the finished picture waits, a mouse move redraws nothing and a
// restart draws the picture again.
TEST(RenderLoop, WhileWaitingOnlyARestartRedraws) {
    EngineWindow window = OpenEngineWindow(320, 240);
    int iIdle = 0;
    harness::OnIdle([&] {
        if (++iIdle == 1) harness::PostInput(window.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
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

// A client area empty from the start, or emptied between two blocks of a
// pass: no pass runs on it, and the restored window gets the whole picture.
TEST(RenderLoop, NoPassRunsOnAnEmptyClientArea) {
    for (bool bEmptiedInAPass : {false, true}) {
        EngineWindow window = OpenEngineWindow(bEmptiedInAPass ? 64 : 0, bEmptiedInAPass ? 48 : 0);
        int iIdle = 0, iPassesAtResize = 0;
        if (bEmptiedInAPass)
            harness::AtPeek(harness::PeekCount() + 3, [&] { iPassesAtResize = iPassCount, harness::ResizeWindow(window.hwnd, 0, 0); });
        harness::OnIdle([&] {
            if (++iIdle > 1) return false;
            EXPECT_TRUE(iMaxX == 0 && iPassCount == iPassesAtResize) << iPassCount;
            harness::ResizeWindow(window.hwnd, 64, 48);
            return true;
        });
        RenderToEnd(window);
        EXPECT_EQ(harness::BeepCount(), 1);
        EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
    }
}

// A worker held after the first chunk of a job with more to count, until a
// restart has made the job stale, counts no more of it, and the restarted
// picture is the pixel-by-pixel one. Inside the period-3 bulb every point runs
// to the limit, which below 65536 makes jobs of several chunks. From level 9
// the one pass draws pixel by pixel from its fourth message on: the jobs ahead
// are queued by the fifth.
TEST(RenderLoop, ARunningJobMadeStaleStopsAtItsNextChunk) {
    struct Hold {
        std::thread::id idDrawing = std::this_thread::get_id();
        std::promise<void> reached, letGo;
        std::vector<int> counted;  // by the worker from the hold on: each chunk's points counted so far in its job
    } hold;
    static Hold* pHold;
    pHold = &hold;
    EngineWindow window = OpenEngineWindow(64, 48);
    dfSetMidX = -0.1226, dfSetMidY = 0.7449, dfSetHeight = 0.05, ulMaxLevels = 30000, iMinLevel = 9;
    SetupSet();
    harness::AfterEachCountedChunk([](int iCounted, int iPoints) {
        if (std::this_thread::get_id() == pHold->idDrawing || (pHold->counted.empty() && iCounted == iPoints)) return;
        pHold->counted.push_back(iCounted);
        if (pHold->counted.size() > 1) return;
        pHold->reached.set_value();
        pHold->letGo.get_future().wait();
    });
    SetCountingThreads(2);
    const int iPeek = harness::PeekCount() + 5;
    harness::AtPeek(iPeek, [&] {
        hold.reached.get_future().wait();
        harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1);
    });
    harness::AtPeek(iPeek + 1, [&] { hold.letGo.set_value(); });
    RenderToEnd(window);
    SetCountingThreads(1);
    harness::AfterEachCountedChunk(nullptr);
    // The held job's chunks: those up to the first that starts another job.
    auto itOtherJob = std::is_sorted_until(hold.counted.begin(), hold.counted.end(), std::less_equal<>());
    EXPECT_EQ(itOtherJob - hold.counted.begin(), 1) << "chunks of the stale job counted";
    EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture());
}

}  // namespace
