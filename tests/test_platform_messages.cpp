// The portable core's message queue (platform/core/queue.cpp): which window's
// messages a look takes, their order, the quit and the paint.
#include "program_run.h"

namespace {

class CoreMessages : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        harness::SetMaximizedSize(200, 100);
        WNDCLASSA wc = {CS_OWNDC, DefWindowProcA, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "Queued"};
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    // A shown window, a paint pending.
    HWND Create() {
        HWND hwnd = CreateWindowExA(0, "queued", "Queued", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(hwnd, SW_SHOWMAXIMIZED);
        return hwnd;
    }
    // Takes every message the queue gives for hwnd, in order, translating and dispatching each.
    std::vector<UINT> Drain(HWND hwnd) {
        std::vector<UINT> taken;
        for (MSG msg; PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE); taken.push_back(msg.message)) {
            TranslateMessage(&msg);
            if (msg.message != WM_QUIT) DispatchMessageA(&msg);
        }
        return taken;
    }
};

// Posted messages, then input (a key gives its character behind it), then the quit, then
// the paint; a look for one window leaves another's messages queued, and a
// range that ends at WM_PAINT or starts there takes the paint.
TEST_F(CoreMessages, TheQueueGivesPostedThenInputThenQuitThenPaint) {
    HWND hwnd = Create(), hwndOther = Create();
    MSG msg;
    for (auto [uMin, uMax] : {std::pair{UINT(WM_SIZE), UINT(WM_PAINT)}, {UINT(WM_PAINT), UINT(WM_CLOSE)}}) {
        EXPECT_TRUE(PeekMessageA(&msg, hwnd, uMin, uMax, PM_NOREMOVE)) << "case: " << uMin << " to " << uMax;
        EXPECT_EQ(msg.message, UINT(WM_PAINT)) << "case: " << uMin << " to " << uMax;
    }
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, WM_SIZE, WM_PAINT - 1, PM_NOREMOVE));
    harness::PostInput(hwnd, WM_KEYDOWN, 'Q', 0);
    PostQuitMessage(3);
    PostMessageA(hwndOther, WM_USER + 3, 0, 0);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    EXPECT_EQ(Drain(hwnd), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_QUIT, WM_PAINT}));
    RECT rcEmpty = {5, 5, 5, 9};  // an empty area may be invalidated, and asks for no paint
    EXPECT_TRUE(InvalidateRect(hwnd, &rcEmpty, TRUE));
    EXPECT_EQ(Drain(hwnd), std::vector<UINT>{});
    char sText[4] = "old";  // a window that is not there has no text
    EXPECT_EQ(GetWindowTextA(nullptr, sText, 4), 0);
    EXPECT_STREQ(sText, "");
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));  // both bounds included
    EXPECT_EQ(std::tie(msg.hwnd, msg.message), std::make_tuple(hwndOther, UINT(WM_USER + 3)));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 4, WM_USER + 9, PM_NOREMOVE));
    PostQuitMessage(7);
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE);
    EXPECT_EQ(std::tie(msg.message, msg.wParam), std::make_tuple(UINT(WM_QUIT), WPARAM(7)));
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE) << "an empty offscreen queue ends as on WM_QUIT";
}

// Pixels reach only the client area, and each reads back where it was set. A
// window whose pixels memory cannot hold is not created.
TEST_F(CoreMessages, PixelsAreSetAndReadInTheClientAreaOnly) {
    harness::FailNextAllocations(1);
    EXPECT_EQ(Create(), nullptr) << "case: no memory for the pixels";
    EXPECT_EQ(harness::LiveWindows(), 0) << "case: no memory for the pixels";
    HDC hdc = GetDC(Create());
    const COLORREF kInvalid = COLORREF(-1);
    const struct { int x, y; COLORREF cr, crResult; } cases[] = {
        {3, 7, RGB(1, 2, 3), RGB(1, 2, 3)}, {4, 7, RGB(4, 5, 6), RGB(4, 5, 6)}, {3, 8, RGB(7, 8, 9), RGB(7, 8, 9)},
        {7, 3, RGB(9, 9, 9), RGB(9, 9, 9)}, {199, 99, 1, 1}, {200, 0, 1, kInvalid}, {0, 100, 1, kInvalid}, {-1, 0, 1, kInvalid}};
    for (const auto& c : cases) EXPECT_EQ(SetPixel(hdc, c.x, c.y, c.cr), c.crResult) << "case: set " << c.x << "," << c.y;
    for (const auto& c : cases) EXPECT_EQ(GetPixel(hdc, c.x, c.y), c.crResult) << "case: get " << c.x << "," << c.y;
}

// The colours the window class and the frames paint with are those of the
// standard Windows scheme (Control Panel, Colors: WindowText 0 0 0, ButtonFace
// 192 192 192, ButtonShadow 128 128 128, ButtonText 0 0 0, ButtonHilight 255
// 255 255, InfoWindow 255 255 225, the title gradients 16 132 208 and 181 181 181).
TEST(CoreColours, SystemColoursAreTheStandardSchemes) {
    const std::pair<int, COLORREF> cases[] = {  // 24, 27, 28: info background, the active and inactive title gradients
        {COLOR_WINDOWTEXT, RGB(0, 0, 0)}, {COLOR_BTNFACE, RGB(192, 192, 192)}, {COLOR_BTNSHADOW, RGB(128, 128, 128)},
        {COLOR_BTNTEXT, RGB(0, 0, 0)}, {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)}, {24, RGB(255, 255, 225)},
        {27, RGB(16, 132, 208)}, {28, RGB(181, 181, 181)}};
    for (auto [iIndex, cr] : cases) EXPECT_EQ(GetSysColor(iIndex), cr) << "case: colour " << iIndex;
}

// A key is down from the time its WM_KEYDOWN is taken until its WM_KEYUP is:
// accelerators and characters read the Shift, Ctrl and Alt states from it. A
// key posted without its character is given the one it types: a letter's
// small form, a digit itself.
TEST_F(CoreMessages, KeysAreDownUntilTheirUpAndTypeTheirCharacters) {
    HWND hwnd = Create();
    const std::pair<UINT, bool> steps[] = {{WM_KEYDOWN, true}, {WM_KEYUP, false}, {WM_SYSKEYDOWN, true}, {WM_SYSKEYUP, false}};
    for (auto [uMessage, bDown] : steps) {
        harness::PostInput(hwnd, uMessage, VK_SHIFT, 0);
        Drain(hwnd);
        EXPECT_EQ(GetKeyState(VK_SHIFT) < 0, bDown) << "case: shift by " << uMessage;
    }
    for (auto [uKey, ch] : {std::pair{UINT('A'), 'a'}, {UINT('Z'), 'z'}, {UINT('0'), '0'}}) {
        harness::PostInput(hwnd, WM_KEYDOWN, uKey, 0);
        MSG msg;
        while (PeekMessageA(&msg, hwnd, WM_KEYDOWN, WM_CHAR, PM_REMOVE) && msg.message == WM_KEYDOWN) TranslateMessage(&msg);
        EXPECT_EQ(msg.message, UINT(WM_CHAR)) << "case: key " << uKey;
        EXPECT_EQ(msg.wParam, WPARAM(ch)) << "case: key " << uKey;
    }
}

// wsprintfA as Windows formats: flags, width, precision, the 32-bit integer
// kinds, strings cut by precision, an unknown conversion copied, 1024 at most.
TEST(CoreStrings, WsprintfFormatsAsWindowsDoes) {
    const std::string sLong(2000, 'w');
    const std::pair<std::function<int(char*)>, std::string> cases[] = {
        {[](char* p) { return wsprintfA(p, "%5d|%-5i|%05d|%.3u", -42, 7, 42, 7u); }, "  -42|7    |00042|007"},
        {[](char* p) { return wsprintfA(p, "%lu %ld %x %X %#x", 4294967295u, -1, 255u, 255u, 255u); },
         "4294967295 -1 ff FF 0xff"},
        {[](char* p) { return wsprintfA(p, "%s|%.2s|%.0s|%-4s|%c%%%q", "abc", "abc", "abc", "ab", 'Z'); },
         "abc|ab||ab  |Z%q"},
        {[&](char* p) { return wsprintfA(p, "%s", sLong.c_str()); }, std::string(1023, 'w')},
    };
    for (const auto& [format, sExpected] : cases) {
        char szOut[1100];
        EXPECT_EQ(format(szOut), static_cast<int>(sExpected.size()));
        EXPECT_EQ(szOut, sExpected);
    }
}

}  // namespace
