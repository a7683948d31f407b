// The offscreen backend's state and answers: the screen, the display, the peek
// hook and the beeps, all in one place; nothing waits and nothing is random.
#include "offscreen.h"

#include <cstdio>

namespace offscreen {

namespace {

// The 8-point dialog font's average character width and height.
constexpr SIZE kDialogBaseUnits = {6, 13};

struct State {
    SIZE maximized{1024, 768};
    SIZE defaults{640, 480};
    platform::DisplayCaps caps = TrueColorDisplay();
    std::function<void()> onEveryPeek;
    int iBeeps = 0;
    bool bKeepPixels = true;
};

State& S() {
    static State state;
    return state;
}

}  // namespace

platform::DisplayCaps TrueColorDisplay() { return {1, 32, -1, 0, 24}; }
platform::DisplayCaps HighColorDisplay() { return {1, 16, -1, 0, 16}; }
platform::DisplayCaps PaletteDisplay() { return {1, 8, 20, 256, 18}; }
platform::DisplayCaps SixteenColorDisplay() { return {1, 4, 16, 0, 18}; }

void Reset() {
    S() = State();
    platform::ResetCore();
}

void SetMaximizedSize(int iWidth, int iHeight) { S().maximized = {iWidth, iHeight}; }
void SetDefaultSize(int iWidth, int iHeight) { S().defaults = {iWidth, iHeight}; }
void SetDisplay(const platform::DisplayCaps& caps) { S().caps = caps; }
void SetKeepPixels(bool bKeep) { S().bKeepPixels = bKeep; }
void OnEveryPeek(std::function<void()> fn) { S().onEveryPeek = std::move(fn); }
int BeepCount() { return S().iBeeps; }

const uint32_t* PixelsInPlace(HWND hwnd) { return platform::WindowPixels(hwnd).pPixels; }

std::vector<uint32_t> Pixels(HWND hwnd) {
    platform::Framebuffer framebuffer = platform::WindowPixels(hwnd);
    if (!framebuffer.pPixels) return {};
    return std::vector<uint32_t>(framebuffer.pPixels,
                                 framebuffer.pPixels + static_cast<size_t>(framebuffer.iWidth) * framebuffer.iHeight);
}

SIZE OffscreenBackend::DefaultClientSize() { return S().defaults; }
SIZE OffscreenBackend::MaximizedClientSize() { return S().maximized; }
platform::DisplayCaps OffscreenBackend::Caps() { return S().caps; }
bool OffscreenBackend::KeepsPixels() { return S().bKeepPixels; }
SIZE OffscreenBackend::DialogBaseUnits(const std::string&, int) { return kDialogBaseUnits; }

void OffscreenBackend::Poll() {
    if (S().onEveryPeek) S().onEveryPeek();
}

bool OffscreenBackend::Wait() { return false; }
void OffscreenBackend::Beep(UINT) { ++S().iBeeps; }

int OffscreenBackend::MessageBox(const platform::MessageBoxRequest& request) {
    std::fprintf(stderr, "%s: %s\n", request.sCaption.c_str(), request.sText.c_str());
    return request.buttons.empty() ? IDOK : request.buttons[request.iDefault].iAnswer;
}

// Closed as with the close box, which the program answers as Cancel.
void OffscreenBackend::RunDialog(HWND hDlg) {
    SendMessageA(hDlg, WM_CLOSE, 0, 0);
    if (!platform::DialogEnded(hDlg)) EndDialog(hDlg, IDCANCEL);
}

std::string OffscreenBackend::ChooseFile(const platform::FileDialogRequest&) { return {}; }
bool OffscreenBackend::OpenDocument(HWND, const std::string&) { return true; }

}  // namespace offscreen
