// The Qt backend on Qt's offscreen platform: every key of the key table as its
// virtual key, mouse flags and client coordinates, wheel notches, resizing,
// minimising, the close box, menu check marks, and modal dialogs and boxes.
// The menu is driven end to end (e2e.sh). It tests the backend itself, so it
// includes the backend's header; the core it reaches by Win32 calls alone.
#include "qt_backend.h"
#include "resource.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

std::vector<MSG> g_received;
HWND g_hwnd = nullptr;

// Records every message; the close box leaves closing to the test.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    g_received.push_back(MSG{hwnd, uMessage, wParam, lParam, 0, {}});
    return uMessage == WM_CLOSE ? 0 : DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

platform::qt::ClientArea* Client() { return static_cast<platform::qt::Frame*>(platform::qt::WidgetOf(g_hwnd))->Client(); }

// Lets Qt and the queue deliver everything, then the messages of one kind
// received since the last call, leaving out the Shift key itself.
std::vector<MSG> Delivered(UINT uMessage) {
    QApplication::processEvents();
    MSG msg;
    while (PeekMessageA(&msg, g_hwnd, 0, 0, PM_REMOVE)) TranslateMessage(&msg), DispatchMessageA(&msg);
    std::vector<MSG> matching;
    for (const MSG& m : g_received)
        if (m.message == uMessage && !((m.message == WM_KEYDOWN || m.message == WM_KEYUP) && m.wParam == VK_SHIFT))
            matching.push_back(m);
    return matching;
}

std::vector<WPARAM> WParams(const std::vector<MSG>& messages) {
    std::vector<WPARAM> wParams;
    for (const MSG& msg : messages) wParams.push_back(msg.wParam);
    return wParams;
}

class QtInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::GetBackend();  // the QApplication
        WNDCLASSA wc = {CS_OWNDC, RecordingProc, 0, 0, nullptr, nullptr, nullptr, nullptr, "Veldran", "QtInputTest"};
        RegisterClassA(&wc);
        g_hwnd = CreateWindowExA(0, "QtInputTest", "Input", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(g_hwnd, SW_SHOWNORMAL);
    }
    void SetUp() override { Delivered(0), g_received.clear(); }
};

// Help's key, Shift with the slash, also yields its character.
TEST_F(QtInput, EveryKeyOfTheKeyTableArrivesAsItsVirtualKey) {
    struct Row { int iQtKey; Qt::KeyboardModifiers modifiers; UINT uVirtualKey; };
    std::vector<Row> rows = {
        {Qt::Key_PageUp, Qt::NoModifier, VK_PRIOR},     {Qt::Key_PageDown, Qt::NoModifier, VK_NEXT},
        {Qt::Key_Left, Qt::NoModifier, VK_LEFT},        {Qt::Key_Up, Qt::NoModifier, VK_UP},
        {Qt::Key_Right, Qt::NoModifier, VK_RIGHT},      {Qt::Key_Down, Qt::NoModifier, VK_DOWN},
        {Qt::Key_Insert, Qt::NoModifier, VK_INSERT},    {Qt::Key_Delete, Qt::NoModifier, VK_DELETE},
        {Qt::Key_Plus, Qt::KeypadModifier, VK_ADD},     {Qt::Key_Minus, Qt::KeypadModifier, VK_SUBTRACT},
        {Qt::Key_Minus, Qt::NoModifier, VK_OEM_MINUS},  {Qt::Key_F1, Qt::NoModifier, VK_F1},
        {Qt::Key_Percent, Qt::ShiftModifier, '5'},
    };
    for (char chLetter : std::string("ACDILMNR")) rows.push_back({Qt::Key_A + (chLetter - 'A'), Qt::NoModifier, UINT(chLetter)});
    for (int iDigit = 0; iDigit <= 9; ++iDigit) {
        rows.push_back({Qt::Key_0 + iDigit, Qt::NoModifier, static_cast<UINT>('0' + iDigit)});
        rows.push_back({Qt::Key_0 + iDigit, Qt::KeypadModifier, static_cast<UINT>(VK_NUMPAD0 + iDigit)});
    }
    rows.push_back({Qt::Key_Question, Qt::ShiftModifier, VK_OEM_2});
    for (const Row& row : rows) {
        g_received.clear();
        QTest::keyClick(Client(), static_cast<Qt::Key>(row.iQtKey), row.modifiers);
        const std::vector<WPARAM> key = {row.uVirtualKey};
        EXPECT_EQ(WParams(Delivered(WM_KEYDOWN)), key) << "case: the downs of Qt key " << std::hex << row.iQtKey;
        EXPECT_EQ(WParams(Delivered(WM_KEYUP)), key) << "case: the ups of Qt key " << std::hex << row.iQtKey;
    }
    EXPECT_EQ(WParams(Delivered(WM_CHAR)), std::vector<WPARAM>{'?'}) << "case: the characters of all the keys";
}

TEST_F(QtInput, MouseMessagesCarryFlagsAndClientCoordinates) {
    double dfRatio = Client()->devicePixelRatioF();
    QTest::mousePress(Client(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QTest::mouseMove(Client(), QPoint(30, 40));
    QTest::mouseRelease(Client(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    QTest::mouseClick(Client(), Qt::RightButton, Qt::ShiftModifier, QPoint(5, 6));
    std::vector<MSG> presses = Delivered(WM_LBUTTONDOWN), rights = Delivered(WM_RBUTTONDOWN);
    EXPECT_EQ(WParams(presses), std::vector<WPARAM>{MK_LBUTTON}) << "case: the left press";
    EXPECT_EQ(WParams(Delivered(WM_LBUTTONUP)), std::vector<WPARAM>{0}) << "case: the left release";
    EXPECT_EQ(WParams(rights), std::vector<WPARAM>{MK_RBUTTON | MK_SHIFT}) << "case: the right click with Shift";
    if (presses.size() != 1 || rights.size() != 1) return;  // reported above
    EXPECT_EQ(presses[0].lParam, MAKELPARAM(10 * dfRatio, 20 * dfRatio)) << "case: the left press";
    EXPECT_EQ(rights[0].lParam, MAKELPARAM(5 * dfRatio, 6 * dfRatio)) << "case: the right click";
    EXPECT_FALSE(Delivered(WM_MOUSEMOVE).empty());
}

// Two thirds of a notch make nothing yet.
TEST_F(QtInput, WheelTurnsArriveAsWholeNotches) {
    const std::pair<int, size_t> turns[] = {{WHEEL_DELTA, 1}, {-WHEEL_DELTA, 2}, {40, 2}, {40, 2}, {40, 3}};
    for (const auto& [iDelta, uNotches] : turns) {
        QPoint pt(50, 50);
        QWheelEvent event(pt, Client()->mapToGlobal(pt), QPoint(), QPoint(0, iDelta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(Client(), &event);
        EXPECT_EQ(Delivered(WM_MOUSEWHEEL).size(), uNotches) << "case: the notches so far, after " << iDelta;
    }
    const WPARAM wForward = MAKEWPARAM(0, WHEEL_DELTA), wBack = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
    EXPECT_EQ(WParams(Delivered(WM_MOUSEWHEEL)), std::vector<WPARAM>({wForward, wBack, wForward})) << "case: the notches";
}

// A minimised window has no client area; the close box leaves closing to the program.
TEST_F(QtInput, ResizingMinimisingAndTheCloseBoxReachTheProcedure) {
    QWidget* pFrame = platform::qt::WidgetOf(g_hwnd);
    for (int iStep = 0; iStep < 3; ++iStep) {
        g_received.clear();
        if (iStep == 0) pFrame->resize(400, 300);
        if (iStep == 1) pFrame->showMinimized();
        if (iStep == 2) pFrame->showNormal();
        std::vector<MSG> sizes = Delivered(WM_SIZE);
        RECT rc;
        GetClientRect(g_hwnd, &rc);
        EXPECT_EQ(rc.right, iStep == 1 ? 0 : Client()->DeviceSize().width()) << "case: width at step " << iStep;
        EXPECT_EQ(rc.bottom > 0, iStep != 1) << "case: height at step " << iStep;
        ASSERT_FALSE(sizes.empty()) << "case: WM_SIZE at step " << iStep;
        EXPECT_EQ(sizes.back().lParam, MAKELPARAM(rc.right, rc.bottom)) << "case: WM_SIZE's size at step " << iStep;
        EXPECT_EQ(sizes.back().wParam == SIZE_MINIMIZED, iStep == 1) << "case: SIZE_MINIMIZED at step " << iStep;
    }
    pFrame->close();
    EXPECT_EQ(Delivered(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(IsWindow(g_hwnd));
}

// A check mark the program sets shows in the Qt menu at once.
TEST_F(QtInput, MenuCheckMarksReachTheMenu) {
    auto saveAs = [] {
        for (QAction* pBarItem : static_cast<QMainWindow*>(platform::qt::WidgetOf(g_hwnd))->menuBar()->actions())
            for (QAction* pItem : pBarItem->menu() ? pBarItem->menu()->actions() : QList<QAction*>())
                if (pItem->text() == "Save &As") return pItem;
        return static_cast<QAction*>(nullptr);
    };
    for (UINT uCheck : {MF_CHECKED, MF_UNCHECKED}) {
        CheckMenuItem(GetMenu(g_hwnd), IDM_SAVEAS, MF_BYCOMMAND | uCheck);
        ASSERT_NE(saveAs(), nullptr);
        EXPECT_EQ(saveAs()->isChecked(), uCheck == MF_CHECKED);
    }
}

INT_PTR CALLBACK CancellingDialogProc(HWND hDlg, UINT uMessage, WPARAM wParam, LPARAM) {
    if (uMessage == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, IDCANCEL);
    return uMessage == WM_INITDIALOG;
}

// Closes the modal window that comes up next, once fn has looked at it.
void WhenModal(std::function<void(QWidget*)> fn) {
    QTimer::singleShot(0, [fn] {
        QWidget* pModal = QApplication::activeModalWidget();
        ASSERT_NE(pModal, nullptr);
        Qt::WindowFlags flags = pModal->windowFlags();
        const Qt::WindowFlags buttons = Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
        EXPECT_EQ(flags & buttons, Qt::WindowCloseButtonHint) << "case: a close box only";
        EXPECT_EQ(pModal->minimumSize(), pModal->maximumSize());
        fn(pModal);
        pModal->close();
    });
}

// Dialogs and boxes have a fixed size and only a close box; a field without
// automatic scrolling stops taking characters once its text fills it.
TEST_F(QtInput, ModalWindowsAreFixedAndFieldsTakeWhatFitsTheirWidth) {
    WhenModal([](QWidget* pDialog) {
        QLineEdit* pField = pDialog->findChild<QLineEdit*>();
        ASSERT_NE(pField, nullptr);
        pField->selectAll();
        QTest::keyClicks(pField, QString(200, '8'));
        const QString sTyped = pField->text();
        EXPECT_GT(sTyped.size(), 3) << "case: the field takes characters";
        EXPECT_LT(sTyped.size(), 200) << "case: the field stops taking them";
        EXPECT_LE(pField->fontMetrics().horizontalAdvance(sTyped), pField->contentsRect().width()) << "case: what it took fits";
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, "DIALOG_1", g_hwnd, CancellingDialogProc, 0), IDCANCEL);
    WhenModal([](QWidget*) {});
    EXPECT_EQ(MessageBoxA(g_hwnd, "Quit now?", "Orvanta", MB_OKCANCEL), IDCANCEL);
}

}  // namespace
