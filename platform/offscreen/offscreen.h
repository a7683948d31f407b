// The offscreen backend: windows are framebuffers in memory on a screen of a
// chosen size. Nobody answers: boxes take their default button (and are echoed
// to stderr), dialogs close, file dialogs cancel, and waiting means quitting.
#ifndef PLATFORM_OFFSCREEN_H
#define PLATFORM_OFFSCREEN_H

#include "backend.h"

#include <functional>
#include <vector>

namespace offscreen {

// Display capabilities of common kinds of screen.
platform::DisplayCaps TrueColorDisplay();     // 32 bits per pixel, NUMCOLORS -1
platform::DisplayCaps HighColorDisplay();     // 16 bits per pixel
platform::DisplayCaps PaletteDisplay();       // 8 bits per pixel, 20 system colours
platform::DisplayCaps SixteenColorDisplay();  // 4 bits per pixel, 16 colours

// Forgets every window, object and message, and the settings below.
void Reset();
void SetMaximizedSize(int iWidth, int iHeight);  // default 1024 x 768
void SetDefaultSize(int iWidth, int iHeight);    // CW_USEDEFAULT, default 640 x 480
void SetDisplay(const platform::DisplayCaps& caps);
// Windows sized from now on keep no pixels (false) or do (true, the default):
// for a program that only measures them, at any size.
void SetKeepPixels(bool bKeep);
// Runs fn whenever the program looks for messages (every PeekMessageA).
void OnEveryPeek(std::function<void()> fn);

// A window's client area as colour words, row by row; empty when it has none.
std::vector<uint32_t> Pixels(HWND hwnd);
// The same in place, row by row, while the window and its size last.
const uint32_t* PixelsInPlace(HWND hwnd);
int BeepCount();

// The backend itself, for a backend that answers as a person would.
class OffscreenBackend : public platform::Backend {
public:
    SIZE DefaultClientSize() override;
    SIZE MaximizedClientSize() override;
    platform::DisplayCaps Caps() override;
    bool KeepsPixels() override;
    SIZE DialogBaseUnits(const std::string& sFont, int iPointSize) override;
    void Poll() override;
    bool Wait() override;
    void Beep(UINT uType) override;
    int MessageBox(const platform::MessageBoxRequest& request) override;
    void RunDialog(HWND hDlg) override;
    std::string ChooseFile(const platform::FileDialogRequest& request) override;
    bool OpenDocument(HWND hwndOwner, const std::string& sPath) override;
};

}  // namespace offscreen

#endif
