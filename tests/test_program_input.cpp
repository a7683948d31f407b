// The whole program under keyboard and mouse input: start-up and its early
// ends, every row of the key table, dragging, recentring and the wheel. That
// the program draws each pixel's own colour is tested with its commands.
#include "program_run.h"

namespace {

// A previous instance, no memory, the class there already.
TEST(ProgramStartUp, EveryEarlyEndExitsWithZeroAndLeavesNoWindow) {
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    char szCmdLine[] = "";
    for (int iCase = 0; iCase < 3; ++iCase) {
        harness::Reset();
        if (iCase == 1) harness::FailNextAllocations(1);
        WNDCLASSA wc = {0, DefWindowProcA, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "VELDRAN"};
        if (iCase == 2) RegisterClassA(&wc);
        EXPECT_EQ(WinMain(hInstance, iCase == 0 ? hInstance : nullptr, szCmdLine, SW_SHOWNORMAL), 0);
        EXPECT_EQ(harness::LiveWindows(), 0) << iCase;
        ASSERT_EQ(harness::Boxes().size(), iCase == 1 ? 1u : 0u) << iCase;
        for (const harness::ShownBox& box : harness::Boxes())
            EXPECT_EQ(std::tie(box.sCaption, box.sText, box.hwndOwner, box.uType),
                      std::make_tuple("STATUS", "Insufficient memory", nullptr, UINT(MB_OK | MB_SYSTEMMODAL))) << "case: no memory";
    }
    EXPECT_EQ(hinst, hInstance);
}

// Mouse messages posted at once: message, wParam and position.
ProgramStep Post(std::vector<std::tuple<UINT, WPARAM, int, int>> input) {
    return [=](HWND hwnd) {
        for (auto [uMessage, wParam, x, y] : input) harness::PostInput(hwnd, uMessage, wParam, MAKELPARAM(x, y));
    };
}

// Each key pressed, or mouse input given, on the values before; the values
// after, with invert on the I rows. Rows that pan or zoom detach the view from
// its file. The factors are the ratios they stand for, each rounded to double:
// 9/10 in, 10/9 out, the wheel's zoom in the reciprocal of 10/9, pan steps 3/2
// and 2/3. A drag moves the centre against the mouse by the pixels moved over
// the client size (64 x 48) times the view's size; a right click centres on its pixel.
TEST(ProgramKeys, EveryRowOfTheKeyTableAndTheMouse) {
    const double kWide = 4.0 * (64.0 / 48), kIn = 9.0 / 10.0, kOut = 10.0 / 9.0, kWheelIn = 1.0 / kOut;
    const DrawingValues kStart = {0, 0, 1024, 4, 0.2, 2, 100, 0};
    struct KeyRow { UINT uKey; DrawingValues before, after; bool bRestarts, bNewSet; int bInvertBefore = 0; ProgramStep input = nullptr;
                    int iMouseX = 0; };
    std::vector<KeyRow> rows = {
        {VK_PRIOR, {0, 0, 65519, 4, 0.2, 2, 100, 0}, {0, 0, 65519, 4, 0.2, 2, 100, 0}, false, false},
        {VK_PRIOR, {0, 0, 65520, 4, 0.2, 2, 100, 0}, {0, 0, 65520, 4, 0.2, 2, 100, 0}, false, false},
        {VK_PRIOR, {0, 0, 65518, 4, 0.2, 2, 100, 0}, {0, 0, 65534, 4, 0.2, 2, 100, 0}, true, false},
        {VK_NEXT, {0, 0, 16, 4, 0.2, 2, 100, 0}, {0, 0, 16, 4, 0.2, 2, 100, 0}, false, false},
        {VK_NEXT, {0, 0, 17, 4, 0.2, 2, 100, 0}, {0, 0, 1, 4, 0.2, 2, 100, 0}, true, false},
        {VK_LEFT, {0, 0, 1024, 4, 0.5, 2, 100, 0}, {-(kWide * 0.5), 0, 1024, 4, 0.5, 2, 100, 0}, true, true},
        {VK_RIGHT, {0, 0, 1024, 4, 0.5, 2, 100, 0}, {kWide * 0.5, 0, 1024, 4, 0.5, 2, 100, 0}, true, true},
        {VK_UP, {0, 0, 1024, 4, 0.5, 2, 100, 0}, {0, -2, 1024, 4, 0.5, 2, 100, 0}, true, true},
        {VK_DOWN, kStart, {0, 4.0 * 0.2, 1024, 4, 0.2, 2, 100, 0}, true, true},
        {VK_INSERT, kStart, {0, 0, 1024, 4.0 * kIn, 0.2, 2, 100, 0}, true, true},
        {VK_DELETE, kStart, {0, 0, 1024, 4.0 * kOut, 0.2, 2, 100, 0}, true, true},
        {'C', {0.3, -0.2, 1024, 0.5, 0.2, 2, 100, 0}, {0, 0, 1024, 0.5, 0.2, 2, 100, 0}, true, true},
        {'I', kStart, kStart, true, false},
        {'I', kStart, kStart, true, false, 1},
        {'L', {0, 0, 1024, 4, 0.2, 2, 11, 0}, {0, 0, 1024, 4, 0.2, 2, 10, 0}, true, false},
        {'L', {0, 0, 1024, 4, 0.2, 2, 10, 0}, {0, 0, 1024, 4, 0.2, 2, 10, 0}, true, false},
        {'M', kStart, {0, 0, 1024, 4, 0.2, 2, 101, 0}, true, false},
        {'M', {0, 0, 1024, 4, 0.2, 2, INT32_MAX, 0}, {0, 0, 1024, 4, 0.2, 2, INT32_MAX, 0}, true, false},
        {'R', {0, 0, 1024, 4, 0.2, 2, 100, 5}, kStart, true, false},
        {'R', {0, 0, 1024, 4, 0.2, 2, 100, -3}, {0, 0, 1024, 4, 0.2, 2, 100, -2}, true, false},
        {'R', {0, 0, 1024, 4, 0.2, 2, 100, 4}, {0, 0, 1024, 4, 0.2, 2, 100, 5}, true, false},  // the last of six orders
        {VK_ADD, kStart, {0, 0, 1024, 4, 0.2 * (3.0 / 2.0), 2, 100, 0}, false, false},
        {VK_SUBTRACT, kStart, {0, 0, 1024, 4, 0.2 * (2.0 / 3.0), 2, 100, 0}, false, false},
        {'0', kStart, kStart, false, false},  // a key outside the table: nothing
        {VK_NUMPAD0, kStart, kStart, false, false},
        // New starts again but keeps the starting level and the inversion.
        {'N', {1, 0, 5000, 0.1, 0.5, 4, 50, 3}, {0, 0, 1024, 4, 0.2, 4, 100, 0}, true, false, 1},
        // A drag down, then one across, each pan until the button is up (a button
        // pressed outside then pans nothing); a click without a move, a drag released
        // outside the window and a click on an empty client area pan nothing.
        {0, kStart, {-(20.0 / 64) * kWide, -(8.0 / 48) * 4, 1024, 4, 0.2, 2, 100, 0}, true, true, 0,
         Post({{WM_LBUTTONDOWN, MK_LBUTTON, 10, 12}, {WM_MOUSEMOVE, MK_LBUTTON, 10, 20}, {WM_LBUTTONUP, 0, 10, 20},
               {WM_LBUTTONDOWN, MK_LBUTTON, 10, 20}, {WM_MOUSEMOVE, MK_LBUTTON, 30, 20}, {WM_LBUTTONUP, 0, 30, 20},
               {WM_MOUSEMOVE, MK_LBUTTON, 40, 40}}), 40},
        {0, kStart, {-kWide * 0.5 + (16.0 / 64) * kWide, -4 * 0.5 + (40.0 / 48) * 4, 1024, 4, 0.2, 2, 100, 0}, true, true, 0,
         Post({{WM_RBUTTONDOWN, MK_RBUTTON, 16, 40}}), 16},
        {0, kStart, kStart, false, false, 0, Post({{WM_MOUSEMOVE, 0, 7, 9}, {WM_LBUTTONDOWN, MK_LBUTTON, 7, 9}, {WM_LBUTTONUP, 0, 7, 9}}), 7},
        {0, kStart, kStart, false, false, 0, Post({{WM_LBUTTONDOWN, MK_LBUTTON, 10, 10}, {WM_MOUSEMOVE, 0, 50, 30}, {WM_MOUSEMOVE, 0, 20, 20}}), 20},
        {0, kStart, kStart, false, false, 0, [](HWND hwnd) {
             harness::ResizeWindow(hwnd, 0, 0);
             Post({{WM_RBUTTONDOWN, MK_RBUTTON, 5, 7}, {WM_LBUTTONDOWN, MK_LBUTTON, 1, 1}, {WM_MOUSEMOVE, MK_LBUTTON, 9, 4}})(hwnd);
         }, 9},
    };
    // The wheel: one step per message whatever its size; forward zooms out.
    for (const auto& [iDelta, dfFactor] : {std::pair{WHEEL_DELTA, kOut}, {3 * WHEEL_DELTA, kOut}, {-WHEEL_DELTA, kWheelIn}, {0, kWheelIn}})
        rows.push_back({WM_MOUSEWHEEL, kStart, {0, 0, 1024, 4.0 * dfFactor, 0.2, 2, 100, 0}, true, true, 0,
                        Post({{WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(iDelta)), 5, 5}})});
    for (int iDigit = 1; iDigit <= 9; ++iDigit)
        for (UINT uKey : {static_cast<UINT>('0' + iDigit), static_cast<UINT>(VK_NUMPAD0 + iDigit)})
            rows.push_back({uKey, kStart, {0, 0, 1024, 4, 0.2, iDigit, 100, 0}, true, false});
    for (size_t uRow = 0; uRow < rows.size(); ++uRow) {
        const KeyRow& row = rows[uRow];
        SCOPED_TRACE("case: row " + std::to_string(uRow) + ", key " + std::to_string(row.uKey));
        int iBeeps = 0;
        RunProgram({[&](HWND hwnd) {
                        ApplyDrawingValues(row.before);
                        bInvertColors = row.bInvertBefore, bIsDirty = row.uKey == 'N';
                        iBeeps = harness::BeepCount();
                        if (row.input) row.input(hwnd);
                        else harness::PressKey(hwnd, row.uKey);
                    },
                    [&](HWND hwnd) {
                        EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits(row.after));
                        EXPECT_EQ(bInvertColors, row.uKey == 'I' ? !row.bInvertBefore : row.bInvertBefore);
                        EXPECT_EQ(harness::BeepCount(), iBeeps + (row.bRestarts ? 1 : 0));
                        EXPECT_EQ(bIsDirty, row.bNewSet ? 1 : 0);
                        EXPECT_EQ(TitleOf(hwnd), row.bNewSet || row.uKey == 'N' ? "Orvanta - [untitled]" : "Orvanta");
                        EXPECT_EQ(ptMouseCurrent.x, row.iMouseX);
                    }});
    }
}

}  // namespace
