// The Qt backend: one QApplication, a frame per top-level window, the event
// pump behind PeekMessageA and GetMessageA, and presenting the framebuffers.
#include "qt_backend.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBitmap>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>

namespace platform::qt {

namespace {

using Clock = std::chrono::steady_clock;

// Poll runs on every PeekMessageA, tens of thousands of times a picture: the
// coarse monotonic clock, a few milliseconds fine and read from memory, is
// plenty for pacing events and presents and costs far less than the precise one.
Clock::time_point Now() {
#if defined(CLOCK_MONOTONIC_COARSE)
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return Clock::time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
#else
    return Clock::now();
#endif
}
constexpr auto kEventInterval = std::chrono::milliseconds(8);
constexpr auto kPresentInterval = std::chrono::milliseconds(16);
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kWheelNotch = WHEEL_DELTA;

// Everything the backend keeps, in one place. Qt takes its application name
// from the program's own.
struct State {
    int argc = 1;
    char* argv[2] = {program_invocation_short_name, nullptr};
    // Released by Shutdown; never by a static destructor, which would run
    // after Qt's own thread data is gone.
    QApplication* pApp = nullptr;
    QAbstractNativeEventFilter* pConfigureWatcher = nullptr;  // on X11 only
    std::map<HWND, Frame*> frames;
    Clock::time_point tLastEvents;
    Clock::time_point tLastPresent;
    int iChosenFilter = 0;
};

State& S() {
    static State state;
    return state;
}

double DeviceRatio(const QWidget* pWidget) { return pWidget->devicePixelRatioF(); }

WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    WPARAM wKeys = 0;
    if (buttons & Qt::LeftButton) wKeys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) wKeys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) wKeys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) wKeys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) wKeys |= MK_CONTROL;
    return wKeys;
}

uint32_t ShownPixel(uint32_t uWord) {
    COLORREF crShown = DisplayColor(uWord);
    return 0xFF000000u | (GetRValue(crShown) << 16) | (GetGValue(crShown) << 8) | GetBValue(crShown);
}

// Colour words to Qt's 0xAARRGGBB: RGB words need only red and blue swapped,
// in a loop the compiler vectorises; a row with palette indices is redone.
void ConvertRow(const uint32_t* pSource, uint32_t* pTarget, int iCount) {
    uint32_t uFlags = 0;
    for (int i = 0; i < iCount; ++i) {
        uint32_t uWord = pSource[i];
        uFlags |= uWord;
        pTarget[i] = 0xFF000000u | ((uWord & 0xFF) << 16) | (uWord & 0xFF00) | ((uWord >> 16) & 0xFF);
    }
    if (uFlags >> 24)
        for (int i = 0; i < iCount; ++i) pTarget[i] = ShownPixel(pSource[i]);
}

void PresentAll() {
    for (auto& [hwnd, pFrame] : S().frames) pFrame->Client()->Present();
    S().tLastPresent = Now();
}

QIcon IconOf(HWND hwnd) {
    QIcon icon;
    for (const Picture& picture : ClassIcon(hwnd)) {
        QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.iWidth,
                     picture.iHeight, QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image.copy()));
    }
    return icon;
}

// The class cursor as a white shape with a black rim, so that it shows on every
// colour of the picture (X11 has no inverting cursors to rely on).
QCursor CursorOf(HWND hwnd) {
    CursorShape cursor;
    if (!ClassCursor(hwnd, &cursor)) return QCursor(Qt::ArrowCursor);
    QImage picture(cursor.iWidth, cursor.iHeight, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    auto shape = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < cursor.iWidth && y < cursor.iHeight &&
               cursor.shape[static_cast<size_t>(y) * cursor.iWidth + x];
    };
    for (int y = 0; y < cursor.iHeight; ++y)
        for (int x = 0; x < cursor.iWidth; ++x) {
            if (shape(x, y)) picture.setPixel(x, y, 0xFFFFFFFF);
            else if (shape(x - 1, y) || shape(x + 1, y) || shape(x, y - 1) || shape(x, y + 1))
                picture.setPixel(x, y, 0xFF000000);
        }
    return QCursor(QPixmap::fromImage(picture), cursor.ptHotspot.x, cursor.ptHotspot.y);
}

// The window system changed a frame's or a client area's size, perhaps by
// less than one of Qt's scaled units, which Qt does not report.
void FitClientOf(WId window) {
    for (auto& [hwnd, pFrame] : S().frames)
        if (pFrame->internalWinId() == window || pFrame->Client()->internalWinId() == window)
            pFrame->Client()->FitToFrame();
}

void DropFrames() {
    for (auto& [hwnd, pFrame] : S().frames) delete pFrame;
    S().frames.clear();
}

class QtBackend final : public Backend {
public:
    QtBackend() {
        QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
        S().pApp = new QApplication(S().argc, S().argv);
        if (x11::CanDraw()) {
            S().pConfigureWatcher = x11::NewConfigureWatcher(FitClientOf);
            S().pApp->installNativeEventFilter(S().pConfigureWatcher);
        }
        QObject::connect(S().pApp, &QGuiApplication::commitDataRequest, [](QSessionManager& manager) {
            for (auto& [hwnd, pFrame] : S().frames)
                if (!SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0)) manager.cancel();
        });
    }

    SIZE DefaultClientSize() override { return {kDefaultWidth, kDefaultHeight}; }

    SIZE MaximizedClientSize() override {
        QScreen* pScreen = QGuiApplication::primaryScreen();
        QRect area = pScreen->availableGeometry();
        double dfRatio = pScreen->devicePixelRatio();
        int iMenuHeight = QMenuBar().sizeHint().height();
        return {static_cast<LONG>(area.width() * dfRatio),
                static_cast<LONG>((area.height() - iMenuHeight) * dfRatio)};
    }

    SIZE DialogBaseUnits(const std::string&, int iPointSize) override {
        return MeasureDialogBaseUnits(iPointSize);
    }

    DisplayCaps Caps() override {
        int iDepth = QGuiApplication::primaryScreen()->depth();
        if (iDepth >= 24) return {1, 32, -1, 0, 24};
        if (iDepth >= 15) return {1, iDepth, -1, 0, iDepth};
        return {1, iDepth, 1 << iDepth, 1 << iDepth, 18};
    }

    void WindowCreated(HWND hwnd) override {
        RECT rcClient;
        GetClientRect(hwnd, &rcClient);
        auto* pFrame = new Frame(hwnd);
        double dfRatio = pFrame->devicePixelRatioF();
        int iMenuHeight = pFrame->menuBar()->actions().isEmpty() ? 0 : pFrame->menuBar()->sizeHint().height();
        pFrame->resize(static_cast<int>(rcClient.right / dfRatio),
                       static_cast<int>(rcClient.bottom / dfRatio) + iMenuHeight);
        pFrame->setWindowIcon(IconOf(hwnd));
        pFrame->Client()->setCursor(CursorOf(hwnd));
        S().frames[hwnd] = pFrame;
    }

    void WindowDestroyed(HWND hwnd) override {
        auto it = S().frames.find(hwnd);
        if (it == S().frames.end()) return;
        it->second->hide();
        it->second->deleteLater();
        S().frames.erase(it);
    }

    void WindowShown(HWND hwnd, int nCmdShow) override {
        auto it = S().frames.find(hwnd);
        if (it == S().frames.end()) return;
        Frame* pFrame = it->second;
        switch (nCmdShow) {
        case SW_HIDE: pFrame->hide(); break;
        case SW_SHOWMAXIMIZED: pFrame->setGeometry(pFrame->screen()->availableGeometry());
                               pFrame->showMaximized(); break;
        case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE: pFrame->showMinimized(); break;
        default: pFrame->show(); break;
        }
        pFrame->Client()->setFocus();
    }

    void TitleChanged(HWND hwnd) override {
        auto it = S().frames.find(hwnd);
        if (it != S().frames.end()) it->second->setWindowTitle(QString::fromLatin1(WindowText(hwnd).c_str()));
    }

    void MenuChanged(HWND hwnd) override {
        auto it = S().frames.find(hwnd);
        if (it != S().frames.end()) it->second->BuildMenu();
    }

    // Window-system events at most every 8 ms (a key waits no longer than that),
    // pictures at most 60 times a second.
    void Poll() override {
        Clock::time_point tNow = Now();
        if (tNow - S().tLastEvents < kEventInterval) return;
        S().tLastEvents = tNow;
        QApplication::processEvents(QEventLoop::AllEvents);
        if (tNow - S().tLastPresent >= kPresentInterval) PresentAll();
    }

    bool Wait() override {
        PresentAll();
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        S().tLastEvents = Now();
        return true;
    }

    void Beep(UINT) override { QApplication::beep(); }
    int MessageBox(const MessageBoxRequest& request) override { return ShowMessageBox(request); }
    void RunDialog(HWND hDlg) override { RunTemplateDialog(hDlg); }
    std::string ChooseFile(const FileDialogRequest& request) override {
        return ChooseFileName(request, &S().iChosenFilter);
    }
    int ChosenFilterIndex() override { return S().iChosenFilter; }
    bool OpenDocument(HWND, const std::string& sPath) override { return OpenDocumentOnDesktop(sPath); }
    void ClipboardChanged(const std::string& sText) override {
        QGuiApplication::clipboard()->setText(QString::fromLatin1(sText.c_str()));
    }

    void CoreReset() override { DropFrames(); }

    void Shutdown() override {
        DropFrames();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete S().pConfigureWatcher;
        S().pConfigureWatcher = nullptr;
        delete S().pApp;
        S().pApp = nullptr;
    }
};

}  // namespace

QWidget* WidgetOf(HWND hwnd) {
    auto it = S().frames.find(hwnd);
    return it == S().frames.end() ? nullptr : it->second;
}

ClientArea::ClientArea(HWND hwnd, QWidget* pParent)
    : QWidget(pParent), hwnd_(hwnd), bDirect_(x11::CanDraw()) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A window of its own, as a Win32 client area is one to the window system.
    setAttribute(Qt::WA_NativeWindow);
    // Kept out of the frame's backing store, which is sized in Qt's scaled units.
    if (bDirect_) setAttribute(Qt::WA_PaintOnScreen);
    setWindowTitle("client");
}

QPaintEngine* ClientArea::paintEngine() const { return bDirect_ ? nullptr : QWidget::paintEngine(); }

QSize ClientArea::DeviceSize() const {
    if (bDirect_ && deviceSize_.isValid()) return deviceSize_;
    double dfRatio = DeviceRatio(this);
    return QSize(qRound(width() * dfRatio), qRound(height() * dfRatio));
}

// Qt sizes the client window in scaled units, so at 1.5 or 2 it may miss the
// frame's edge by a device pixel; on X11 it is stretched to the edge exactly.
void ClientArea::FitToFrame() {
    QRect rcFrame, rcClient;
    if (bDirect_ && x11::Geometry(window()->internalWinId(), &rcFrame) && x11::Geometry(internalWinId(), &rcClient)) {
        QSize size(std::max(0, rcFrame.width() - rcClient.x()), std::max(0, rcFrame.height() - rcClient.y()));
        if (size != rcClient.size()) x11::Resize(internalWinId(), size);
        deviceSize_ = size;
    }
    if (window()->isMinimized()) return;
    QSize size = DeviceSize();
    ClientResized(hwnd_, size.width(), size.height());
    Present();
}

void ClientArea::Present() {
    RECT rc;
    Framebuffer framebuffer = WindowPixels(hwnd_);
    if (!framebuffer.pPixels && !image_.isNull()) {  // memory cannot hold its pixels: the background shows
        image_ = QImage();
        update();
    }
    if (!framebuffer.pPixels || !TakeDirtyRect(hwnd_, &rc)) return;
    if (image_.width() != framebuffer.iWidth || image_.height() != framebuffer.iHeight) {
        image_ = QImage(framebuffer.iWidth, framebuffer.iHeight, QImage::Format_RGB32);
        rc = {0, 0, framebuffer.iWidth, framebuffer.iHeight};
    }
    if (image_.isNull()) return;
    for (LONG y = rc.top; y < rc.bottom; ++y) {
        const uint32_t* pSource = framebuffer.pPixels + static_cast<size_t>(y) * framebuffer.iWidth;
        ConvertRow(pSource + rc.left, reinterpret_cast<uint32_t*>(image_.scanLine(y)) + rc.left,
                   rc.right - rc.left);
    }
    if (bDirect_) return x11::PutRows(internalWinId(), image_, rc.top, rc.bottom);
    double dfRatio = DeviceRatio(this);
    image_.setDevicePixelRatio(dfRatio);
    update(QRect(QPoint(static_cast<int>(rc.left / dfRatio), static_cast<int>(rc.top / dfRatio)),
                 QPoint(static_cast<int>(rc.right / dfRatio) + 1, static_cast<int>(rc.bottom / dfRatio) + 1)));
}

void ClientArea::paintEvent(QPaintEvent*) {
    if (bDirect_ && image_.isNull())
        return x11::FillBlack(internalWinId(), static_cast<int>(width() * DeviceRatio(this)) + 1,
                              static_cast<int>(height() * DeviceRatio(this)) + 1);
    if (bDirect_) return x11::PutRows(internalWinId(), image_, 0, image_.height());
    QPainter painter(this);
    if (image_.isNull()) painter.fillRect(rect(), Qt::black);
    else painter.drawImage(QPoint(0, 0), image_);
}

// A real change of size is the only thing that invalidates the picture.
void ClientArea::resizeEvent(QResizeEvent*) { FitToFrame(); }

void ClientArea::keyPressEvent(QKeyEvent* pEvent) {
    UINT uKey = VirtualKeyOf(pEvent->key(), pEvent->modifiers());
    if (!uKey) return;
    QByteArray text = pEvent->text().toLatin1();
    char chText = text.size() == 1 && static_cast<unsigned char>(text[0]) >= 0x20 ? text[0] : 0;
    UINT uMessage = pEvent->modifiers().testFlag(Qt::AltModifier) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    PostInput(hwnd_, uMessage, uKey, KeyDownParam(pEvent->isAutoRepeat()), chText);
}

void ClientArea::keyReleaseEvent(QKeyEvent* pEvent) {
    UINT uKey = VirtualKeyOf(pEvent->key(), pEvent->modifiers());
    if (!uKey || pEvent->isAutoRepeat()) return;
    UINT uMessage = pEvent->modifiers().testFlag(Qt::AltModifier) ? WM_SYSKEYUP : WM_KEYUP;
    PostInput(hwnd_, uMessage, uKey, static_cast<LPARAM>(0xC0000001u));
}

// The mouse is not captured: only positions inside the client area arrive.
// On X11 they come to the client's own window, whose scene position keeps
// the fraction of a scaled unit that position() rounds away.
void ClientArea::PostMouse(UINT uMessage, QMouseEvent* pEvent) {
    double dfRatio = DeviceRatio(this);
    QPointF ptPosition = bDirect_ ? pEvent->scenePosition() : pEvent->position();
    int x = qRound(ptPosition.x() * dfRatio);
    int y = qRound(ptPosition.y() * dfRatio);
    QSize size = DeviceSize();
    if (x < 0 || y < 0 || x >= size.width() || y >= size.height()) return;
    PostInput(hwnd_, uMessage, MouseKeys(pEvent->buttons(), pEvent->modifiers()), MAKELPARAM(x, y));
}

void ClientArea::mousePressEvent(QMouseEvent* pEvent) {
    switch (pEvent->button()) {
    case Qt::LeftButton: PostMouse(WM_LBUTTONDOWN, pEvent); break;
    case Qt::RightButton: PostMouse(WM_RBUTTONDOWN, pEvent); break;
    case Qt::MiddleButton: PostMouse(WM_MBUTTONDOWN, pEvent); break;
    default: break;
    }
}

void ClientArea::mouseReleaseEvent(QMouseEvent* pEvent) {
    switch (pEvent->button()) {
    case Qt::LeftButton: PostMouse(WM_LBUTTONUP, pEvent); break;
    case Qt::RightButton: PostMouse(WM_RBUTTONUP, pEvent); break;
    case Qt::MiddleButton: PostMouse(WM_MBUTTONUP, pEvent); break;
    default: break;
    }
}

void ClientArea::mouseMoveEvent(QMouseEvent* pEvent) { PostMouse(WM_MOUSEMOVE, pEvent); }

// Fine-grained wheels and touchpads add up to whole notches, one message each.
void ClientArea::wheelEvent(QWheelEvent* pEvent) {
    iWheelRemainder_ += pEvent->angleDelta().y();
    double dfRatio = DeviceRatio(this);
    LPARAM lScreen = MAKELPARAM(qRound(pEvent->globalPosition().x() * dfRatio),
                                qRound(pEvent->globalPosition().y() * dfRatio));
    WPARAM wKeys = MouseKeys(pEvent->buttons(), pEvent->modifiers());
    while (iWheelRemainder_ >= kWheelNotch || iWheelRemainder_ <= -kWheelNotch) {
        int iNotch = iWheelRemainder_ > 0 ? kWheelNotch : -kWheelNotch;
        iWheelRemainder_ -= iNotch;
        PostInput(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(wKeys, static_cast<WORD>(static_cast<short>(iNotch))), lScreen);
    }
    pEvent->accept();
}

void ClientArea::focusOutEvent(QFocusEvent* pEvent) { QWidget::focusOutEvent(pEvent); }

Frame::Frame(HWND hwnd) : hwnd_(hwnd), pClient_(new ClientArea(hwnd, this)) {
    setCentralWidget(pClient_);
    setWindowTitle(QString::fromLatin1(WindowText(hwnd).c_str()));
    BuildMenu();
}

// The close box and Alt+F4 ask the program, which decides whether to close.
void Frame::closeEvent(QCloseEvent* pEvent) {
    pEvent->ignore();
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

// A minimised window has no client area, as on Windows, so nothing is drawn
// until it is restored.
void Frame::changeEvent(QEvent* pEvent) {
    QMainWindow::changeEvent(pEvent);
    if (pEvent->type() != QEvent::WindowStateChange) return;
    QSize size = isMinimized() ? QSize(0, 0) : pClient_->DeviceSize();
    ClientResized(hwnd_, size.width(), size.height());
}

namespace {

void AddItems(QWidget* pMenu, const std::vector<MenuEntry>& items, HWND hwnd);

void AddItem(QWidget* pMenu, const MenuEntry& item, HWND hwnd) {
    QString sText = QString::fromLatin1(item.sText.c_str());
    auto* pBar = qobject_cast<QMenuBar*>(pMenu);
    if (sText.startsWith('\b')) {
        sText.remove(0, 1);
        if (pBar) pBar->addSeparator();  // styles that allow it put Help at the right
    }
    if (item.uFlags & MF_SEPARATOR) {
        if (auto* pPopup = qobject_cast<QMenu*>(pMenu)) pPopup->addSeparator();
        return;
    }
    if (item.uFlags & MF_POPUP) {
        auto* pPopup = new QMenu(sText, pMenu);
        AddItems(pPopup, item.items, hwnd);
        if (pBar) pBar->addMenu(pPopup);
        else qobject_cast<QMenu*>(pMenu)->addMenu(pPopup);
        return;
    }
    auto* pAction = new QAction(sText, pMenu);
    pAction->setEnabled(!(item.uFlags & MF_GRAYED));
    pAction->setCheckable((item.uFlags & MF_CHECKED) != 0);
    pAction->setChecked((item.uFlags & MF_CHECKED) != 0);
    UINT uId = item.uId;
    QObject::connect(pAction, &QAction::triggered, [hwnd, uId] { PostMessageA(hwnd, WM_COMMAND, uId, 0); });
    pMenu->addAction(pAction);
}

void AddItems(QWidget* pMenu, const std::vector<MenuEntry>& items, HWND hwnd) {
    for (const MenuEntry& item : items) AddItem(pMenu, item, hwnd);
}

}  // namespace

void Frame::BuildMenu() {
    menuBar()->clear();
    AddItems(menuBar(), WindowMenu(hwnd_), hwnd_);
}

}  // namespace platform::qt

platform::Backend& platform::GetBackend() {
    static platform::qt::QtBackend backend;
    return backend;
}
