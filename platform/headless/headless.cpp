// The headless backend: windows are framebuffers in memory, the screen is a
// size chosen by the test, input and answers come from the test's script.
#include "headless.h"

#include "core.h"

#include <map>

namespace headless {

namespace {

struct State {
    SIZE maximized{1024, 768};
    SIZE defaults{640, 480};
    platform::DisplayCaps caps = TrueColorDisplay();
    std::map<int, std::function<void()>> atPeek;
    int iPeeks = 0;
    std::function<void()> onEveryPeek;
    std::function<bool()> onIdle;
    int iBeeps = 0;
    std::deque<int> boxAnswers;
    std::vector<ShownBox> boxes;
    std::vector<HelpRequest> helpRequests;
    HWND hwndMain = nullptr;
    std::vector<std::string> titles;
};

State& S() {
    static State state;
    return state;
}

class HeadlessBackend final : public platform::Backend {
public:
    SIZE DefaultClientSize() override { return S().defaults; }
    SIZE MaximizedClientSize() override { return S().maximized; }
    platform::DisplayCaps Caps() override { return S().caps; }

    void Poll() override {
        int iPeek = ++S().iPeeks;
        if (S().onEveryPeek) S().onEveryPeek();
        auto it = S().atPeek.find(iPeek);
        if (it == S().atPeek.end()) return;
        auto fn = std::move(it->second);
        S().atPeek.erase(it);
        fn();
    }

    bool Wait() override { return S().onIdle && S().onIdle(); }

    void Beep(UINT) override { ++S().iBeeps; }

    void WindowCreated(HWND hwnd) override {
        if (!S().hwndMain) S().hwndMain = hwnd;
    }

    void TitleChanged(HWND hwnd) override {
        if (platform::Window* pWindow = platform::FindWindowRecord(hwnd))
            S().titles.push_back(pWindow->sText);
    }

    int MessageBox(const platform::MessageBoxRequest& request) override {
        EchoBox(request);
        S().boxes.push_back({request.hwndOwner, request.sText, request.sCaption, request.uType});
        if (!S().boxAnswers.empty()) {
            int iAnswer = S().boxAnswers.front();
            S().boxAnswers.pop_front();
            return iAnswer;
        }
        return request.buttons.empty() ? IDOK : request.buttons[request.iDefault].iAnswer;
    }

    void RunDialog(HWND hDlg) override { RunScriptedDialog(hDlg); }

    std::string ChooseFile(const platform::FileDialogRequest& request) override {
        return NextFileChoice(request);
    }
    int ChosenFilterIndex() override { return LastChosenFilter(); }

    void ShowHelp(HWND hwndOwner, const std::string& sHelpFile, UINT uCommand) override {
        S().helpRequests.push_back({hwndOwner, sHelpFile, uCommand});
    }
};

}  // namespace

platform::DisplayCaps TrueColorDisplay() { return {1, 32, -1, 0, 24}; }
platform::DisplayCaps HighColorDisplay() { return {1, 16, -1, 0, 16}; }
platform::DisplayCaps PaletteDisplay() { return {1, 8, 20, 256, 18}; }
platform::DisplayCaps SixteenColorDisplay() { return {1, 4, 16, 0, 18}; }

void Reset() {
    ResetFilesAndClipboard();
    platform::ResetCore();
    S() = State();
    ResetDialogs();
    platform::RefuseAllocations(0);
}

void SetMaximizedSize(int iWidth, int iHeight) { S().maximized = {iWidth, iHeight}; }
void SetDefaultSize(int iWidth, int iHeight) { S().defaults = {iWidth, iHeight}; }
void SetDisplay(const platform::DisplayCaps& caps) { S().caps = caps; }

void AtPeek(int iPeek, std::function<void()> fn) { S().atPeek[iPeek] = std::move(fn); }
int PeekCount() { return S().iPeeks; }
void OnEveryPeek(std::function<void()> fn) { S().onEveryPeek = std::move(fn); }
void RecordFills() { platform::TheCore().bLogFills = true; }
const std::vector<std::pair<RECT, COLORREF>>& Fills() { return platform::TheCore().fillLog; }
void OnIdle(std::function<bool()> fn) { S().onIdle = std::move(fn); }

void PostInput(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    platform::PostInput(hwnd, uMessage, wParam, lParam);
}

void PressKey(HWND hwnd, UINT uVirtualKey, char ch) {
    platform::PostInput(hwnd, WM_KEYDOWN, uVirtualKey, 1, ch);
    platform::PostInput(hwnd, WM_KEYUP, uVirtualKey, static_cast<LPARAM>(0xC0000001u));
}

void ResizeWindow(HWND hwnd, int iWidth, int iHeight) {
    platform::ClientResized(hwnd, iWidth, iHeight);
}

int BeepCount() { return S().iBeeps; }

uint32_t Pixel(HWND hwnd, int x, int y) {
    platform::Window* pWindow = platform::FindWindowRecord(hwnd);
    if (!pWindow || x < 0 || y < 0 || x >= pWindow->iClientWidth || y >= pWindow->iClientHeight)
        return 0xFFFFFFFF;
    return pWindow->pixels[static_cast<size_t>(y) * pWindow->iClientWidth + x];
}

std::vector<uint32_t> Pixels(HWND hwnd) {
    platform::Window* pWindow = platform::FindWindowRecord(hwnd);
    if (!pWindow) return {};
    return std::vector<uint32_t>(pWindow->pixels.begin(), pWindow->pixels.end());
}

int LiveGdiObjects() { return platform::TheCore().gdiObjects.Live(); }
int LiveDeviceContexts() { return platform::TheCore().dcs.Live(); }
int LiveWindows() { return platform::TheCore().windows.Live(); }

void AnswerBoxes(std::initializer_list<int> answers) {
    S().boxAnswers.insert(S().boxAnswers.end(), answers.begin(), answers.end());
}
const std::vector<ShownBox>& Boxes() { return S().boxes; }
void ClearBoxes() { S().boxes.clear(); }
const std::vector<HelpRequest>& HelpRequests() { return S().helpRequests; }
HWND MainWindow() { return S().hwndMain; }
void FailNextAllocations(int iCount) { platform::RefuseAllocations(iCount); }
const std::vector<std::string>& Titles() { return S().titles; }

}  // namespace headless

platform::Backend& platform::GetBackend() {
    static headless::HeadlessBackend backend;
    return backend;
}
