// The progressive renderer: the work and block order of each pass, restarts,
// quitting, accelerators, an empty client area, the one beep of a finished
// picture and a colour change while it is refined.
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

// A pass covers one column and one row more than the client area, so the
// finishing pass draws 1025 x 769 = 788,225 pixels; each coarser level has four
// times the fills and 4n + 1 calls of the one above it. Blocks go bottom-left,
// top-right, top-left, bottom-right: the first eight of level 2 are the
// quarters of the lower-left and upper-right quarters, each its middle's colour.
// A message in a pass restarts it after its own block: the fourth Cover call of
// a pass at level 4 is the first to fill; later calls return before taking one.
TEST(RenderLoop, PassesOf1024x768AndARestartInOne) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    harness::RecordFills();
    const PassWork expected[] = {{1, 4, 4},         {5, 16, 16},         {21, 64, 64},         {85, 256, 256},
                                 {341, 1024, 1024}, {1365, 4096, 4096}, {5461, 16384, 16384}, {21845, 788225, 0}};
    for (int iLevel = 1; iLevel <= 8; ++iLevel) {
        PassWork work = RunPass(window, iLevel);
        const PassWork& want = expected[iLevel - 1];
        EXPECT_EQ(std::make_tuple(work.iPeeks, work.ullPointColors, work.uFills, bCompleted),
                  std::make_tuple(want.iPeeks, want.ullPointColors, want.uFills, iLevel == 8 ? 1 : 0)) << "case: level " << iLevel;
    }
    const std::vector<RECT> blocks = {{0, 577, 257, 769},   {257, 385, 513, 577}, {0, 385, 257, 577},
                                      {257, 577, 513, 769}, {513, 193, 769, 385}, {769, 0, 1025, 193},
                                      {513, 0, 769, 193},   {769, 193, 1025, 385}};
    for (size_t i = 0; i < blocks.size(); ++i) {
        const RECT& rc = harness::Fills()[4 + i].first;
        EXPECT_EQ(std::vector<LONG>({rc.left, rc.top, rc.right, rc.bottom}),
                  std::vector<LONG>({blocks[i].left, blocks[i].top, blocks[i].right, blocks[i].bottom})) << "case: block " << i;
        ExpectMiddleColour(4 + i);
    }
    const size_t uFills = harness::Fills().size();
    harness::AtPeek(harness::PeekCount() + 4, [&] { harness::PostInput(window.hwnd, WM_KEYDOWN, VK_INSERT, 1); });
    PassWork work = RunPass(window, 4);
    EXPECT_EQ(bRestarting, 1) << "case: Insert in a pass";
    EXPECT_EQ(work.iPeeks, 4) << "case: Insert in a pass";
    EXPECT_EQ(dfSetHeight, 4.0 * 0.9) << "case: Insert in a pass";
    ASSERT_EQ(work.uFills, 4u) << "case: Insert in a pass";
    ExpectMiddleColour(uFills);
}

// Level 0 or less, or beyond the last split, draws everything in the first
// pass, as does a client area no wider than the threshold; 1024 x 768 from
// level 2 takes the passes of levels 2 to 8. 1280x960 and 1366x705 have blocks
// that straddle the thresholds, and their finishing pass is followed by one
// that refines the blocks it filled.
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
        EXPECT_EQ(harness::BeepCount(), 1);
        EXPECT_EQ(iPassCount, c.iPasses);
        // The blocks a straddling pass leaves filled are refined, not the whole picture recounted.
        if (c.iWidth >= 1024) { EXPECT_LE(ullPointColorCalls, 1.05 * c.iWidth * c.iHeight); }
    }
}

// Passes 2 and 3 take 5 + 21 messages: peek 30 is in the third pass. A
// restart starts again without a level step or a beep; a quit ends the pass
// and its call draws nothing. An accelerator keystroke in the restarted
// picture becomes its command and is not dispatched as a key. Workers busy
// with the pass are stopped and joined when counting goes back to one thread.
TEST(RenderLoop, ARestartOrAQuitInTheThirdPass) {
    // The process's threads, where the system lists them.
    const auto threadsNow = [] {
        std::error_code error;
        return std::distance(std::filesystem::directory_iterator("/proc/self/task", error), {});
    };
    std::vector<std::pair<long, long>> threadsBeforeAfter;
    for (bool bQuit : {false, true}) {
        EngineWindow window = OpenEngineWindow(1024, 768);
        SetCountingThreads(2), SetCountingThreads(1);  // ThreadSanitizer starts a thread of its own with the first
        const long iThreadsBefore = threadsNow();
        SetCountingThreads(8);
        ulMaxLevels = 3000;
        ACCEL accel = {FVIRTKEY, 'A', 106};
        hAccelerators = CreateAcceleratorTableA(&accel, 1);
        harness::AtPeek(harness::PeekCount() + 40, [&] { harness::PressKey(window.hwnd, 'A'); });
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
        if (!bQuit) { EXPECT_EQ(g_receivedCommands, std::vector<WPARAM>{MAKEWPARAM(106, 1)}) << "case: the accelerator"; }
        if (!bQuit) { EXPECT_EQ(std::count(g_receivedMessages.begin(), g_receivedMessages.end(), WM_KEYDOWN), 1) << "case: the Insert key alone"; }
        threadsBeforeAfter.emplace_back(iThreadsBefore, threadsNow());
    }
    if (threadsBeforeAfter[0].first == 0) GTEST_SKIP() << "no /proc/self/task here (Wine): the threads cannot be counted";
    for (const auto& [iBefore, iAfter] : threadsBeforeAfter) EXPECT_EQ(iAfter, iBefore) << "case: threads left running";
}

// A client area empty from the start, or emptied in either direction between
// two blocks of a pass: no pass runs on it, the call that took the resize
// draws nothing, and the restored window gets the whole picture.
TEST(RenderLoop, NoPassRunsOnAnEmptyClientArea) {
    const struct { const char* pszName; int iWidth, iHeight; bool bInAPass; } cases[] = {
        {"0 x 0 from the start", 0, 0, false}, {"0 x 48 in a pass", 0, 48, true}, {"64 x 0 in a pass", 64, 0, true}};
    for (const auto& c : cases) {
        EngineWindow window = OpenEngineWindow(c.bInAPass ? 64 : 0, c.bInAPass ? 48 : 0);
        int iIdle = 0, iPassesAtResize = 0;
        uint64_t ullCallsAtResize = 0;
        if (c.bInAPass)
            harness::AtPeek(harness::PeekCount() + 3, [&] {
                harness::ResizeWindow(window.hwnd, c.iWidth, c.iHeight);
                iPassesAtResize = iPassCount, ullCallsAtResize = ullPointColorCalls;
            });
        harness::OnIdle([&] {
            if (++iIdle > 1) return false;
            EXPECT_EQ(iMaxX * iMaxY, 0) << "case: " << c.pszName;
            EXPECT_EQ(iPassCount, iPassesAtResize) << "case: " << c.pszName;
            EXPECT_EQ(ullPointColorCalls, ullCallsAtResize) << "case: " << c.pszName;
            harness::ResizeWindow(window.hwnd, 64, 48);
            return true;
        });
        RenderToEnd(window);
        EXPECT_EQ(harness::BeepCount(), 1) << "case: " << c.pszName;
        EXPECT_EQ(harness::Pixels(window.hwnd), PixelByPixelPicture()) << "case: " << c.pszName;
    }
}

// 80 x 60 leaves blocks filled by its finishing pass, refined in a pass of
// their own. A colour-only change (M, I, R) before one of them is drawn shows
// in the whole of that block, its middle pixel too, as each pixel's own
// colour. The view lies outside the set, so every pixel changes on I, and
// its counts are low: limit 16 makes each of them a colour that M changes.
TEST(RenderLoop, AColourChangeDuringTheRefinementShowsInTheBlockDrawnAfterIt) {
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"M", [] { iColorFactor += 1; }}, {"I", [] { bInvertColors = !bInvertColors; }}, {"R", [] { iRGB_Combo = 1; }}};
    for (const auto& [pszKey, change] : changes) {
        SCOPED_TRACE(std::string("case: ") + pszKey);
        int iPeek = 0, iLastPass = 0;
        std::vector<uint32_t> before, after;
        for (bool bChange : {false, true}) {  // the first run finds the peek just before the last block
            EngineWindow window = OpenEngineWindow(80, 60);
            dfSetMidX = 1.0, dfSetMidY = 0.5, dfSetHeight = 0.5, ulMaxLevels = 16;
            SetupSet();
            if (bChange)
                harness::AtPeek(iPeek, [&] {
                    ASSERT_EQ(iPassCount, iLastPass) << "not in the refinement";
                    before = harness::Pixels(window.hwnd);
                    change();
                    bRestarting = 1;
                });
            if (bChange) harness::AtPeek(iPeek + 1, [&] { after = harness::Pixels(window.hwnd); });
            RenderToEnd(window);
            if (!bChange) iPeek = harness::PeekCount() - 2;
            if (!bChange) iLastPass = iPassCount;
        }
        ASSERT_EQ(before.size(), size_t(iMaxX) * iMaxY);
        ASSERT_EQ(after.size(), before.size());
        RECT rc = {iMaxX, iMaxY, -1, -1};  // the block drawn: the bounds of what changed
        for (int y = 0; y < iMaxY; ++y)
            for (int x = 0; x < iMaxX; ++x)
                if (after[y * iMaxX + x] != before[y * iMaxX + x])
                    rc = {std::min<LONG>(rc.left, x), std::min<LONG>(rc.top, y), std::max<LONG>(rc.right, x), std::max<LONG>(rc.bottom, y)};
        ASSERT_LE(rc.left, rc.right) << "nothing drawn";
        for (int y = rc.top; y <= rc.bottom; ++y)
            for (int x = rc.left; x <= rc.right; ++x)
                EXPECT_EQ(after[y * iMaxX + x], ColourAt(x, y)) << "at " << x << "," << y;
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
        // A bound, so that a plan that never hands a worker such a job fails rather than hangs.
        ASSERT_EQ(hold.reached.get_future().wait_for(std::chrono::minutes(1)), std::future_status::ready)
            << "no worker took a job of several chunks";
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
