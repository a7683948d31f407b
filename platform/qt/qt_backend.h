// The Qt backend's shared pieces: the widgets that stand for a top-level
// window and its client area, the key translation, and the modal dialogs.
#ifndef PLATFORM_QT_BACKEND_H
#define PLATFORM_QT_BACKEND_H

#include "backend.h"

#include <QImage>
#include <QMainWindow>
#include <QWidget>
#include <functional>

class QAbstractNativeEventFilter;
class QKeyEvent;

namespace platform::qt {

// The client area: shows the window's framebuffer and turns input into messages.
// On X11 it covers the rest of the frame to the device pixel and the picture
// goes onto it unscaled, as a per-monitor-DPI-aware Win32 program's does.
class ClientArea final : public QWidget {
public:
    ClientArea(HWND hwnd, QWidget* pParent);
    void Present();  // copies what the core drew since the last call
    QSize DeviceSize() const;
    void FitToFrame();  // after the frame or the client area changed size

protected:
    QPaintEngine* paintEngine() const override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    void PostMouse(UINT uMessage, QMouseEvent* pEvent);
    HWND hwnd_;
    bool bDirect_;  // drawn straight onto its X11 window
    QSize deviceSize_;
    QImage image_;
    int iWheelRemainder_ = 0;
};

// A top-level window: caption, class menu and icon, the client area inside.
class Frame final : public QMainWindow {
public:
    explicit Frame(HWND hwnd);
    ClientArea* Client() { return pClient_; }
    void BuildMenu();  // from the window's menu as the core holds it now

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    HWND hwnd_;
    ClientArea* pClient_;
};

// The Win32 virtual-key code of a Qt key event (0 when it has none).
UINT VirtualKeyOf(int iQtKey, Qt::KeyboardModifiers modifiers);
// WM_KEYDOWN's lParam: repeat count 1, the previous-state bit on auto-repeat.
LPARAM KeyDownParam(bool bAutoRepeat);

// The widget that stands for a window, for owning boxes and dialogs.
QWidget* WidgetOf(HWND hwnd);

int ShowMessageBox(const MessageBoxRequest& request);
void RunTemplateDialog(HWND hDlg);
std::string ChooseFileName(const FileDialogRequest& request, int* piFilter);
bool OpenDocumentOnDesktop(const std::string& sPath);
// The average character width and height of the dialog font at a point size.
SIZE MeasureDialogBaseUnits(int iPointSize);

// X11 beneath Qt's scaling, in device pixels (qt_x11.cpp); without X11 they
// all fail or do nothing.
namespace x11 {
bool CanDraw();  // whether images go onto this display's windows unconverted
bool Geometry(WId window, QRect* pRect);
void Resize(WId window, QSize size);
void PutRows(WId window, const QImage& image, int iTop, int iBottom);
void FillBlack(WId window, int iWidth, int iHeight);  // the background of a window with no pixels
// Calls onConfigure with every window whose size or position the server reports changed.
QAbstractNativeEventFilter* NewConfigureWatcher(std::function<void(WId)> onConfigure);
}  // namespace x11

}  // namespace platform::qt

#endif
