// The Qt backend's input translation on Qt's offscreen platform: every key of
// the key table as its virtual key, mouse flags and client coordinates, wheel
// notches, resizing, minimising, the close box and the menu's commands.
#include "backend.h"
#include "qt_backend.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<MSG> g_received;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    switch (uMessage) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: case WM_MOUSEMOVE: case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_MOUSEWHEEL: case WM_SIZE:
    case WM_CLOSE: case WM_COMMAND:
        g_received.push_back(MSG{hwnd, uMessage, wParam, lParam, 0, {}});
        return 0;
    default:
        return DefWindowProcA(hwnd, uMessage, wParam, lParam);
    }
}

class QtInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::GetBackend();  // the QApplication
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "QtInputTest";
        wc.lpszMenuName = "Veldran";
        RegisterClassA(&wc);
        s_hwnd = CreateWindowExA(0, "QtInputTest", "Input", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                                 nullptr, nullptr, nullptr, nullptr);
        ShowWindow(s_hwnd, SW_SHOWNORMAL);
        Pump();
    }
    void SetUp() override {
        Pump();
        g_received.clear();
    }
    static void Pump() {
        QApplication::processEvents();
        MSG msg;
        while (PeekMessageA(&msg, s_hwnd, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    static platform::qt::ClientArea* Client() {
        return static_cast<platform::qt::Frame*>(platform::qt::WidgetOf(s_hwnd))->Client();
    }
    // The messages of one kind, leaving out the Shift, Ctrl and Alt keys themselves.
    static std::vector<MSG> Only(UINT uMessage) {
        std::vector<MSG> matching;
        for (const MSG& msg : g_received) {
            bool bModifierKey = (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
                                (msg.wParam == VK_SHIFT || msg.wParam == VK_CONTROL || msg.wParam == VK_MENU);
            if (msg.message == uMessage && !bModifierKey) matching.push_back(msg);
        }
        return matching;
    }
    static HWND s_hwnd;
};

HWND QtInput::s_hwnd = nullptr;

TEST_F(QtInput, EveryKeyOfTheKeyTableArrivesAsItsVirtualKey) {
    struct Row {
        int iQtKey;
        Qt::KeyboardModifiers modifiers;
        UINT uVirtualKey;
    };
    std::vector<Row> rows = {
        {Qt::Key_PageUp, Qt::NoModifier, VK_PRIOR},      {Qt::Key_PageDown, Qt::NoModifier, VK_NEXT},
        {Qt::Key_Left, Qt::NoModifier, VK_LEFT},         {Qt::Key_Up, Qt::NoModifier, VK_UP},
        {Qt::Key_Right, Qt::NoModifier, VK_RIGHT},       {Qt::Key_Down, Qt::NoModifier, VK_DOWN},
        {Qt::Key_Insert, Qt::NoModifier, VK_INSERT},     {Qt::Key_Delete, Qt::NoModifier, VK_DELETE},
        {Qt::Key_C, Qt::NoModifier, 'C'},                {Qt::Key_D, Qt::NoModifier, 'D'},
        {Qt::Key_I, Qt::NoModifier, 'I'},                {Qt::Key_L, Qt::NoModifier, 'L'},
        {Qt::Key_M, Qt::NoModifier, 'M'},                {Qt::Key_N, Qt::NoModifier, 'N'},
        {Qt::Key_R, Qt::NoModifier, 'R'},                {Qt::Key_A, Qt::NoModifier, 'A'},
        {Qt::Key_Plus, Qt::KeypadModifier, VK_ADD},      {Qt::Key_Minus, Qt::KeypadModifier, VK_SUBTRACT},
        {Qt::Key_Minus, Qt::NoModifier, VK_OEM_MINUS},   {Qt::Key_F1, Qt::NoModifier, VK_F1},
        {Qt::Key_0, Qt::NoModifier, '0'},                {Qt::Key_0, Qt::KeypadModifier, VK_NUMPAD0},
        {Qt::Key_Percent, Qt::ShiftModifier, '5'},
    };
    for (int iDigit = 1; iDigit <= 9; ++iDigit) {
        rows.push_back({Qt::Key_0 + iDigit, Qt::NoModifier, static_cast<UINT>('0' + iDigit)});
        rows.push_back({Qt::Key_0 + iDigit, Qt::KeypadModifier, static_cast<UINT>(VK_NUMPAD0 + iDigit)});
    }
    for (const Row& row : rows) {
        g_received.clear();
        QTest::keyClick(Client(), static_cast<Qt::Key>(row.iQtKey), row.modifiers);
        Pump();
        std::vector<MSG> downs = Only(WM_KEYDOWN);
        ASSERT_EQ(downs.size(), 1u) << "Qt key " << std::hex << row.iQtKey;
        EXPECT_EQ(downs[0].wParam, row.uVirtualKey) << "Qt key " << std::hex << row.iQtKey;
        ASSERT_EQ(Only(WM_KEYUP).size(), 1u);
        EXPECT_EQ(Only(WM_KEYUP)[0].wParam, row.uVirtualKey);
    }
    g_received.clear();
    QTest::keyClick(Client(), Qt::Key_Question, Qt::ShiftModifier);  // Help's key yields its character
    Pump();
    ASSERT_EQ(Only(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(Only(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_OEM_2));
    ASSERT_EQ(Only(WM_CHAR).size(), 1u);
    EXPECT_EQ(Only(WM_CHAR)[0].wParam, static_cast<WPARAM>('?'));
}

TEST_F(QtInput, MouseMessagesCarryFlagsAndClientCoordinates) {
    double dfRatio = Client()->devicePixelRatioF();
    QTest::mousePress(Client(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QTest::mouseMove(Client(), QPoint(30, 40));
    QTest::mouseRelease(Client(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    QTest::mouseClick(Client(), Qt::RightButton, Qt::ShiftModifier, QPoint(5, 6));
    Pump();
    std::vector<MSG> presses = Only(WM_LBUTTONDOWN);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(LOWORD(presses[0].lParam), static_cast<WORD>(10 * dfRatio));
    EXPECT_EQ(HIWORD(presses[0].lParam), static_cast<WORD>(20 * dfRatio));
    ASSERT_EQ(Only(WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(Only(WM_LBUTTONUP)[0].wParam & MK_LBUTTON, 0u);
    ASSERT_EQ(Only(WM_RBUTTONDOWN).size(), 1u);
    EXPECT_EQ(Only(WM_RBUTTONDOWN)[0].wParam, static_cast<WPARAM>(MK_RBUTTON | MK_SHIFT));
    EXPECT_EQ(LOWORD(Only(WM_RBUTTONDOWN)[0].lParam), static_cast<WORD>(5 * dfRatio));
    EXPECT_FALSE(Only(WM_MOUSEMOVE).empty());
}

TEST_F(QtInput, WheelTurnsArriveAsWholeNotches) {
    auto wheel = [](int iDelta) {
        QPoint pt(50, 50);
        QWheelEvent event(pt, Client()->mapToGlobal(pt), QPoint(), QPoint(0, iDelta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Client(), &event);
    };
    wheel(WHEEL_DELTA);
    wheel(-WHEEL_DELTA);
    wheel(40);
    wheel(40);
    Pump();
    EXPECT_EQ(Only(WM_MOUSEWHEEL).size(), 2u);  // two thirds of a notch make nothing yet
    wheel(40);
    Pump();
    std::vector<MSG> notches = Only(WM_MOUSEWHEEL);
    ASSERT_EQ(notches.size(), 3u);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(notches[0].wParam), WHEEL_DELTA);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(notches[1].wParam), -WHEEL_DELTA);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(notches[2].wParam), WHEEL_DELTA);
}

// A minimised window has no client area; the close box leaves closing to the program.
TEST_F(QtInput, ResizingMinimisingAndTheCloseBoxReachTheProcedure) {
    QWidget* pFrame = platform::qt::WidgetOf(s_hwnd);
    RECT rc;
    for (int iStep = 0; iStep < 3; ++iStep) {
        g_received.clear();
        if (iStep == 0) pFrame->resize(400, 300);
        if (iStep == 1) pFrame->showMinimized();
        if (iStep == 2) pFrame->showNormal();
        Pump();
        GetClientRect(s_hwnd, &rc);
        EXPECT_EQ(rc.right, iStep == 1 ? 0 : Client()->DeviceSize().width()) << iStep;
        EXPECT_EQ(rc.right > 0 && rc.bottom > 0, iStep != 1) << iStep;
        std::vector<MSG> sizes = Only(WM_SIZE);
        ASSERT_FALSE(sizes.empty()) << iStep;
        EXPECT_EQ(sizes.back().lParam, MAKELPARAM(rc.right, rc.bottom)) << iStep;
        if (iStep == 1) { EXPECT_EQ(sizes.back().wParam, static_cast<WPARAM>(SIZE_MINIMIZED)); }
    }
    pFrame->close();
    Pump();
    EXPECT_EQ(Only(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(IsWindow(s_hwnd));  // the program decides whether to close
}

TEST_F(QtInput, TheMenuPostsItsCommands) {
    auto* pFrame = static_cast<QMainWindow*>(platform::qt::WidgetOf(s_hwnd));
    QList<QAction*> bar = pFrame->menuBar()->actions();
    QStringList titles;
    for (QAction* pAction : bar)
        if (!pAction->isSeparator()) titles << pAction->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Display", "&Help"}));
    for (QAction* pAction : bar) {
        if (pAction->text() == "&Edit") pAction->trigger();
        if (pAction->text() != "&File") continue;
        for (QAction* pItem : pAction->menu()->actions())
            if (pItem->text() == "Save &As") pItem->trigger();
    }
    Pump();
    std::vector<MSG> commands = Only(WM_COMMAND);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].wParam, 104u);
    EXPECT_EQ(commands[1].wParam, 109u);
}

}  // namespace
