// The portable core's message queue (platform/core/queue.cpp) and a window's
// life as sequences of messages: which window's messages a look takes, their
// order, the quit and the paint, and what a refused creation sends.
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
        WNDCLASSA wc = {CS_OWNDC, LoggingProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "Logging"};
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND Create(bool bShow = false) {
        HWND hwnd = CreateWindowExA(0, "logging", "Log", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        if (bShow) ShowWindow(hwnd, SW_SHOWMAXIMIZED);
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

TEST_F(CoreMessages, TheLifeOfAWindow) {
    HWND hwnd = Create();
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    const std::pair<std::function<void()>, std::vector<UINT>> steps[] = {
        {[&] { ShowWindow(hwnd, SW_SHOWMAXIMIZED); }, {WM_SIZE}},
        {[&] { Drain(hwnd); }, {WM_PAINT, WM_ERASEBKGND}},  // the paint it asked for
        {[&] { InvalidateRect(hwnd, nullptr, FALSE); Drain(hwnd); }, {WM_PAINT}},  // without erasing
        {[&] { PostMessageA(hwnd, WM_USER, 1, 2); }, {}},
        {[&] { SendMessageA(hwnd, WM_CLOSE, 0, 0); }, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        g_sent.clear();
        steps[i].first();
        EXPECT_EQ(g_sent, steps[i].second) << "step " << i;
    }
    EXPECT_TRUE(Drain(nullptr).empty()) << "messages of a destroyed window are dropped";
    g_lrCreate = -1;
    g_sent.clear();
    EXPECT_EQ(Create(), nullptr) << "a creation its procedure refuses";
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(harness::LiveWindows(), 0);
}

// Posted messages, then input (a key gives its character behind it), then the quit, then
// the paint; a look for one window leaves another's messages queued.
TEST_F(CoreMessages, TheQueueGivesPostedThenInputThenQuitThenPaint) {
    HWND hwnd = Create(true), hwndOther = Create();
    harness::PostInput(hwnd, WM_KEYDOWN, 'Q', 0);
    PostQuitMessage(3);
    PostMessageA(hwndOther, WM_USER + 3, 0, 0);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    EXPECT_EQ(Drain(hwnd), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_QUIT, WM_PAINT}));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(std::tie(msg.hwnd, msg.message), std::make_tuple(hwndOther, UINT(WM_USER + 3)));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 4, WM_USER + 9, PM_NOREMOVE));
    PostQuitMessage(7);
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE);
    EXPECT_EQ(std::tie(msg.message, msg.wParam), std::make_tuple(UINT(WM_QUIT), WPARAM(7)));
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE) << "an empty offscreen queue ends as on WM_QUIT";
    EXPECT_EQ(GetMessageA(nullptr, hwnd, 0, 0), -1);
}

}  // namespace
