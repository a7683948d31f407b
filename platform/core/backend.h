// The whole contract between the portable Win32 core and a window-system
// backend. The core owns every Win32 semantic; a backend shows, measures and
// delivers input, and reaches the core only through the services below and
// the few Win32 calls the window system or its user would make:
//   PostMessageA   WM_CLOSE from the close box, WM_COMMAND from a menu item;
//   SendMessageA   WM_QUERYENDSESSION as the session ends, WM_CLOSE to a dialog;
//   EndDialog      a dialog whose close box did not end it (nobody is there);
//   GetClientRect  the size a new window's frame opens at;
//   GetFocus       the dialog control to focus, SetWindowTextA what was typed in it.
#ifndef ORVANTA_PLATFORM_BACKEND_H
#define ORVANTA_PLATFORM_BACKEND_H

#include "portable_win32.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct DisplayCaps {
    int iPlanes = 1;
    int iBitsPixel = 32;
    int iNumColors = -1;
    int iSizePalette = 0;
    int iColorRes = 24;
};

// One button of a message box as the backend offers it: the text and the answer.
struct BoxButton {
    std::string sText;
    int iAnswer;
};

// What a modal message box shows; the core has worked out the buttons.
struct MessageBoxRequest {
    HWND hwndOwner;
    std::string sText;
    std::string sCaption;
    UINT uType;
    std::vector<BoxButton> buttons;
    int iDefault;  // index into buttons
};

// A file dialog's request and the backend's answer (empty path: cancelled).
struct FileDialogRequest {
    HWND hwndOwner;
    bool bSave;
    std::vector<std::pair<std::string, std::string>> filters;  // (label, pattern)
    int iFilterIndex;                                          // 1-based, 0 = first
    std::string sInitialPath;
    std::string sDefExt;  // without the leading full stop
    DWORD dwFlags;
};

// ---- What a backend implements ----

class Backend {
public:
    virtual ~Backend() = default;

    virtual SIZE DefaultClientSize() = 0;
    virtual SIZE MaximizedClientSize() = 0;
    virtual DisplayCaps Caps() = 0;
    // Whether top-level windows keep their client area's pixels. A backend
    // whose windows are only measured says no: a window of any size then
    // costs no memory, and what is drawn into it is lost.
    virtual bool KeepsPixels() { return true; }
    // The average character width and the height, in pixels, of a dialog's
    // font: the base units that dialog units are converted with.
    virtual SIZE DialogBaseUnits(const std::string& sFont, int iPointSize) = 0;

    // Top-level windows other than dialogs (those come to RunDialog).
    virtual void WindowCreated(HWND) {}
    virtual void WindowDestroyed(HWND) {}
    virtual void WindowShown(HWND, int /*nCmdShow*/) {}
    virtual void TitleChanged(HWND) {}
    // An item of the window's menu changed its check mark or state.
    virtual void MenuChanged(HWND) {}
    // A filled rectangle (before clipping), for a backend that mirrors
    // drawing commands rather than presenting pixels.
    virtual void RectangleFilled(HWND, const RECT&, COLORREF) {}

    // Called by every PeekMessageA before the queue is looked at: deliver
    // pending window-system events without waiting.
    virtual void Poll() = 0;
    // Called when GetMessageA finds the queue empty: block until something is
    // posted. Returns false when nothing can ever arrive (the core then
    // answers as if WM_QUIT had come).
    virtual bool Wait() = 0;

    virtual void Beep(UINT uType) = 0;

    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // Runs a modal dialog whose window and controls the core has created
    // (DescribeDialog). Returns when the dialog has ended (DialogEnded).
    virtual void RunDialog(HWND hDlg) = 0;
    virtual std::string ChooseFile(const FileDialogRequest& request) = 0;
    // After ChooseFile gave a path: the 1-based filter the user left selected,
    // 0 when the backend cannot tell (the offered one stands).
    virtual int ChosenFilterIndex() { return 0; }
    // Shows a document (a help page) in the user's viewer for its kind;
    // false when there is none or it cannot be shown.
    virtual bool OpenDocument(HWND hwndOwner, const std::string& sPath) = 0;
    // The text of the clipboard changed hands; the core keeps the data.
    virtual void ClipboardChanged(const std::string&) {}
    // Every window and object is about to be dropped (ResetCore): forget them.
    virtual void CoreReset() {}
    // The program has returned from WinMain: release the window system
    // while the process can still do so cleanly.
    virtual void Shutdown() {}
};

// Defined by the backend that the program is linked with.
Backend& GetBackend();

// ---- What the core offers a backend ----

// A top-level window's client area: colour words (0x00BBGGRR, or 0x01000000 |
// palette index) row by row; null pixels when the window has none.
struct Framebuffer {
    const uint32_t* pPixels = nullptr;
    int iWidth = 0;
    int iHeight = 0;
};
Framebuffer WindowPixels(HWND hwnd);
// The part of a window's framebuffer drawn since the last call, if any.
bool TakeDirtyRect(HWND hwnd, RECT* pRect);
// The colour a device shows for a colour word, palette indices resolved.
COLORREF DisplayColor(COLORREF crWord);
std::string WindowText(HWND hwnd);

// A window's menu bar, items in order, pop-ups with their items.
struct MenuEntry {
    UINT uFlags = 0;  // MF_POPUP, MF_SEPARATOR, MF_CHECKED, MF_GRAYED
    UINT uId = 0;
    std::string sText;
    std::vector<MenuEntry> items;
};
std::vector<MenuEntry> WindowMenu(HWND hwnd);

// The class icon (every size) and cursor of a window, 0xAARRGGBB top row
// first; a cursor's shape marks where it differs from the screen.
struct Picture {
    int iWidth = 0;
    int iHeight = 0;
    std::vector<uint32_t> pixels;
};
struct CursorShape {
    int iWidth = 0;
    int iHeight = 0;
    std::vector<uint8_t> shape;  // one per pixel: 1 where the cursor draws
    POINT ptHotspot{};
};
std::vector<Picture> ClassIcon(HWND hwnd);
bool ClassCursor(HWND hwnd, CursorShape* pCursor);

// A modal dialog as the core laid it out, in pixels from the backend's base units.
struct DialogControl {
    HWND hwnd = nullptr;
    int iId = 0;
    std::string sClass;  // "EDIT", "BUTTON", "STATIC", ...
    std::string sText;
    DWORD dwStyle = 0;
    RECT rc{};              // in the dialog's client area
    int iTextLimit = 0;     // edit controls: characters the field takes at most
};
struct DialogLayout {
    std::string sTitle;
    HWND hwndOwner = nullptr;
    SIZE size{};
    std::string sFont;
    int iPointSize = 0;
    std::vector<DialogControl> controls;  // in template order
};
DialogLayout DescribeDialog(HWND hDlg);
// What the user did in a dialog: a button pressed, Enter or Escape.
void DialogCommand(HWND hDlg, int iId);
void DialogKey(HWND hDlg, UINT uVirtualKey);
bool DialogEnded(HWND hDlg);

// Input from the devices: after posted messages, with the character a key-down
// yields on the keyboard that sent it (0: derive it from the virtual key).
void PostInput(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam, char chText = 0);
// The window system resized a top-level window's client area.
void ClientResized(HWND hwnd, int iWidth, int iHeight);
// Drops every window, object and message: a fresh process.
void ResetCore();

}  // namespace platform

#endif
