// The portable core's Win32 semantics as sequences of messages: what creating,
// showing, painting, sizing and destroying a window sends, the order in which
// the queue gives up posted, input, quit and paint messages, key translation
// and accelerators, and the device context of a CS_OWNDC window.
#include "core.h"
#include "harness.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<UINT> g_sent;
LRESULT g_lrCreate = 0;

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    g_sent.push_back(uMessage);
    if (uMessage == WM_CREATE) return g_lrCreate;
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

class CoreMessages : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        harness::SetMaximizedSize(200, 100);
        g_sent.clear();
        g_lrCreate = 0;
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = LoggingProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
        wc.lpszClassName = "Logging";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND Create() {
        return CreateWindowExA(0, "logging", "Log", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    }
    // Takes every message the queue gives, in order, dispatching each.
    std::vector<UINT> Drain(HWND hwnd) {
        std::vector<UINT> taken;
        MSG msg;
        while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) {
            taken.push_back(msg.message);
            if (msg.message != WM_QUIT) DispatchMessageA(&msg);
        }
        return taken;
    }
};

TEST_F(CoreMessages, TheLifeOfAWindow) {
    struct Step {
        const char* pszWhat;
        std::function<void(HWND)> act;
        std::vector<UINT> sent;
    };
    HWND hwnd = Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    const Step steps[] = {
        {"show maximised", [](HWND h) { ShowWindow(h, SW_SHOWMAXIMIZED); }, {WM_SIZE}},
        {"the paint it asked for", [this](HWND h) { Drain(h); }, {WM_PAINT, WM_ERASEBKGND}},
        {"nothing left to paint", [this](HWND h) { Drain(h); }, {}},
        {"invalidate without erasing", [this](HWND h) { InvalidateRect(h, nullptr, FALSE); Drain(h); }, {WM_PAINT}},
        {"a sent message runs at once", [](HWND h) { SendMessageA(h, WM_USER, 1, 2); }, {WM_USER}},
        {"a posted one waits", [](HWND h) { PostMessageA(h, WM_USER, 1, 2); }, {}},
        {"close", [](HWND h) { SendMessageA(h, WM_CLOSE, 0, 0); }, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY}},
    };
    for (const Step& step : steps) {
        g_sent.clear();
        step.act(hwnd);
        EXPECT_EQ(g_sent, step.sent) << step.pszWhat;
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(harness::LiveDeviceContexts(), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "messages of a destroyed window are dropped";
}

TEST_F(CoreMessages, ACreationRefusedByItsProcedureLeavesNoWindow) {
    g_lrCreate = -1;
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(harness::LiveWindows(), 0);
}

TEST_F(CoreMessages, TheQueueGivesPostedThenInputThenQuitThenPaint) {
    HWND hwnd = Create();
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);  // leaves a paint pending
    harness::PostInput(hwnd, WM_MOUSEMOVE, 0, 0);
    PostQuitMessage(3);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    EXPECT_EQ(Drain(hwnd), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_MOUSEMOVE, WM_LBUTTONDOWN,
                                              WM_QUIT, WM_PAINT}));
}

TEST_F(CoreMessages, GetMessageAnswersTheQuitMessageWithZero) {
    HWND hwnd = Create();
    PostQuitMessage(7);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), FALSE) << "an empty headless queue ends as on WM_QUIT";
    EXPECT_EQ(GetMessageA(nullptr, hwnd, 0, 0), -1);
}

TEST_F(CoreMessages, KeysBecomeCharactersAndAcceleratorsBecomeCommands) {
    HWND hwnd = Create();
    ACCEL accels[] = {{FVIRTKEY, 'A', 106}, {0, '?', 105}, {FVIRTKEY | FCONTROL, 'S', 103}};
    HACCEL hAccel = CreateAcceleratorTableA(accels, 3);
    struct Case {
        std::vector<std::pair<UINT, WPARAM>> keys;  // key-downs, shift held around the middle ones
        bool bShift;
        std::vector<WPARAM> commands;
        std::vector<UINT> dispatched;
    };
    const Case cases[] = {
        {{{WM_KEYDOWN, 'A'}}, false, {MAKEWPARAM(106, 1)}, {WM_KEYUP}},
        {{{WM_KEYDOWN, 'A'}}, true, {}, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}},
        {{{WM_KEYDOWN, VK_OEM_2}}, true, {MAKEWPARAM(105, 1)}, {WM_KEYDOWN, WM_KEYUP}},
        {{{WM_KEYDOWN, 'Q'}}, false, {}, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}},
    };
    for (const Case& c : cases) {
        std::vector<WPARAM> commands;
        std::vector<UINT> dispatched;
        if (c.bShift) harness::PostInput(hwnd, WM_KEYDOWN, VK_SHIFT, 1);
        for (const auto& key : c.keys) harness::PressKey(hwnd, static_cast<UINT>(key.second));
        if (c.bShift) harness::PostInput(hwnd, WM_KEYUP, VK_SHIFT, 1);
        MSG msg;
        g_sent.clear();
        while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) {
            if (msg.wParam == VK_SHIFT) continue;
            if (TranslateAcceleratorA(hwnd, hAccel, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        for (UINT uMessage : g_sent) {
            if (uMessage == WM_COMMAND) continue;
            dispatched.push_back(uMessage);
        }
        EXPECT_EQ(dispatched, c.dispatched) << "key " << c.keys[0].second << (c.bShift ? " shifted" : "");
        EXPECT_EQ(std::count(g_sent.begin(), g_sent.end(), static_cast<UINT>(WM_COMMAND)),
                  static_cast<long>(c.commands.size()));
    }
    EXPECT_TRUE(DestroyAcceleratorTable(hAccel));
}

TEST_F(CoreMessages, AnOwnDcIsTheOneContextOfItsWindow) {
    HWND hwnd = Create();
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
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
    EXPECT_EQ(harness::Pixel(hwnd, 199, 99), RGB(1, 2, 3));
    EXPECT_EQ(harness::Pixel(hwnd, 189, 99), 0u);
    EXPECT_EQ(SetPixel(hdc, 200, 5, RGB(9, 9, 9)), static_cast<COLORREF>(-1)) << "outside is clipped";
    EXPECT_EQ(harness::LiveGdiObjects(), 0);
}

// SetPixel keeps the window it found for a context between calls; a context
// released or a window destroyed or shrunk must still refuse pixels at once.
TEST_F(CoreMessages, PixelsReachOnlyALiveWindowThroughALiveContext) {
    HWND hwnd = Create();
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    HDC hdc = GetDC(hwnd);
    const COLORREF kRefused = static_cast<COLORREF>(-1);
    EXPECT_EQ(SetPixel(hdc, 10, 10, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(hdc, 10, 10), RGB(1, 2, 3));
    harness::ResizeWindow(hwnd, 0, 0);
    EXPECT_EQ(SetPixel(hdc, 0, 0, RGB(1, 2, 3)), kRefused) << "no client area";
    harness::ResizeWindow(hwnd, 50, 40);
    EXPECT_EQ(SetPixel(hdc, 49, 39, RGB(4, 5, 6)), RGB(4, 5, 6));
    EXPECT_EQ(SetPixel(hdc, 50, 10, RGB(4, 5, 6)), kRefused) << "beyond the new width";
    HWND hwndOther = Create();
    ShowWindow(hwndOther, SW_SHOWMAXIMIZED);
    HDC hdcOther = GetDC(hwndOther);
    EXPECT_EQ(SetPixel(hdcOther, 3, 3, RGB(7, 8, 9)), RGB(7, 8, 9));
    EXPECT_EQ(harness::Pixel(hwnd, 3, 3), 0u) << "each context draws into its own window";
    EXPECT_EQ(SetPixel(hdc, 3, 3, RGB(1, 1, 1)), RGB(1, 1, 1));
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(SetPixel(hdc, 3, 3, RGB(1, 2, 3)), kRefused) << "the window and its context are gone";
    EXPECT_EQ(GetPixel(hdc, 3, 3), kRefused);
    EXPECT_EQ(SetPixel(hdcOther, 4, 4, RGB(7, 8, 9)), RGB(7, 8, 9));
}

}  // namespace
