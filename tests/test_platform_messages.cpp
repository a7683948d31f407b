// The portable core's Win32 semantics as sequences of messages: a window's life,
// the order in which the queue gives up its messages, and the device contexts
// through which pixels reach a window.
#include "core.h"
#include "harness.h"

#include <functional>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

std::vector<UINT> g_sent;
LRESULT g_lrCreate = 0;

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    g_sent.push_back(uMessage);
    return uMessage == WM_CREATE ? g_lrCreate : DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

class CoreMessages : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        harness::SetMaximizedSize(200, 100);
        g_sent.clear();
        g_lrCreate = 0;
        WNDCLASSA wc = {CS_OWNDC | CS_HREDRAW | CS_VREDRAW, LoggingProc, 0, 0, nullptr, nullptr, nullptr,
                        reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1), nullptr, "Logging"};
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND Create(bool bShow = false) {
        HWND hwnd = CreateWindowExA(0, "logging", "Log", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        if (bShow) ShowWindow(hwnd, SW_SHOWMAXIMIZED);
        return hwnd;
    }
    // Takes every message the queue gives, in order, dispatching each.
    std::vector<UINT> Drain(HWND hwnd) {
        std::vector<UINT> taken;
        for (MSG msg; PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE); taken.push_back(msg.message))
            if (msg.message != WM_QUIT) DispatchMessageA(&msg);
        return taken;
    }
};

TEST_F(CoreMessages, TheLifeOfAWindow) {
    HWND hwnd = Create();
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    const std::pair<std::function<void()>, std::vector<UINT>> steps[] = {
        {[&] { ShowWindow(hwnd, SW_SHOWMAXIMIZED); }, {WM_SIZE}},
        {[&] { Drain(hwnd); }, {WM_PAINT, WM_ERASEBKGND}},  // the paint it asked for
        {[&] { Drain(hwnd); }, {}},
        {[&] { InvalidateRect(hwnd, nullptr, FALSE); Drain(hwnd); }, {WM_PAINT}},  // without erasing
        {[&] { SendMessageA(hwnd, WM_USER, 1, 2); }, {WM_USER}},
        {[&] { PostMessageA(hwnd, WM_USER, 1, 2); }, {}},
        {[&] { SendMessageA(hwnd, WM_CLOSE, 0, 0); }, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        g_sent.clear();
        steps[i].first();
        EXPECT_EQ(g_sent, steps[i].second) << "step " << i;
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(harness::LiveDeviceContexts(), 0);
    EXPECT_TRUE(Drain(nullptr).empty()) << "messages of a destroyed window are dropped";
    g_lrCreate = -1;
    g_sent.clear();
    EXPECT_EQ(Create(), nullptr) << "a creation its procedure refuses";
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(harness::LiveWindows(), 0);
}

TEST_F(CoreMessages, TheQueueGivesPostedThenInputThenQuitThenPaint) {
    HWND hwnd = Create(true);  // a paint pending
    harness::PostInput(hwnd, WM_MOUSEMOVE, 0, 0);
    PostQuitMessage(3);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    EXPECT_EQ(Drain(hwnd), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_QUIT, WM_PAINT}));
    PostQuitMessage(7);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE);
    EXPECT_EQ(std::tie(msg.message, msg.wParam), std::make_tuple(UINT(WM_QUIT), WPARAM(7)));
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE) << "an empty offscreen queue ends as on WM_QUIT";
    EXPECT_EQ(GetMessageA(nullptr, hwnd, 0, 0), -1);
}

// An own context stays its window's; SetPixel keeps the window it found for a
// context between calls, yet a window destroyed or shrunk refuses pixels at once.
TEST_F(CoreMessages, PixelsReachOnlyALiveWindowThroughItsContext) {
    HWND hwnd = Create(true);
    HDC hdc = GetDC(hwnd);
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(hwnd, &ps), hdc);
    EndPaint(hwnd, &ps);
    EXPECT_EQ(ReleaseDC(hwnd, hdc), 1);
    EXPECT_EQ(GetDC(hwnd), hdc) << "releasing a private context keeps it";
    RECT rc = {190, 90, 260, 160};
    HBRUSH hbr = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(hdc, &rc, hbr);
    DeleteObject(hbr);
    EXPECT_EQ(std::make_pair(harness::Pixel(hwnd, 199, 99), harness::Pixel(hwnd, 189, 99)), std::make_pair(RGB(1, 2, 3), 0u));
    EXPECT_EQ(harness::LiveGdiObjects(), 0);
    const COLORREF kRefused = static_cast<COLORREF>(-1);
    HWND hwndOther = Create(true);
    HDC hdcOther = GetDC(hwndOther);
    const std::tuple<HDC, std::function<void()>, int, int, COLORREF> steps[] = {  // then SetPixel(x, y) gives
        {hdc, [] {}, 200, 5, kRefused},  // outside
        {hdc, [] {}, 10, 10, RGB(1, 2, 3)},
        {hdc, [&] { harness::ResizeWindow(hwnd, 0, 0); }, 0, 0, kRefused},
        {hdc, [&] { harness::ResizeWindow(hwnd, 50, 40); }, 49, 39, RGB(1, 2, 3)},
        {hdc, [] {}, 50, 10, kRefused},
        {hdcOther, [] {}, 3, 3, RGB(1, 2, 3)},
        {hdc, [&] { EXPECT_EQ(harness::Pixel(hwnd, 3, 3), 0u) << "each context draws into its own window"; }, 3, 3,
         RGB(1, 2, 3)},
        {hdc, [&] { DestroyWindow(hwnd); }, 3, 3, kRefused},
        {hdcOther, [] {}, 4, 4, RGB(1, 2, 3)},
    };
    for (const auto& [hdcStep, act, x, y, crResult] : steps) {
        act();
        EXPECT_EQ(SetPixel(hdcStep, x, y, RGB(1, 2, 3)), crResult) << x << ", " << y;
    }
    EXPECT_EQ(GetPixel(hdc, 3, 3), kRefused);
}

}  // namespace
