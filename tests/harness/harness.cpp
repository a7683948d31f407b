// The harness backend: the offscreen backend answering from the test's script
// and logging what the program showed; it may look inside the core.
#include "harness.h"

#include "core.h"

#include <map>

namespace harness {

namespace {

struct State {
    std::map<int, std::function<void()>> atPeek;
    int iPeeks = 0;
    std::function<bool()> onIdle;
    std::deque<int> boxAnswers;
    std::vector<ShownBox> boxes;
    std::vector<OpenedDocument> documents;
    HWND hwndMain = nullptr;
    bool bRecordFills = false;
    std::vector<std::pair<RECT, COLORREF>> fills;
};

State& S() {
    static State state;
    return state;
}

class HarnessBackend final : public offscreen::OffscreenBackend {
public:
    void CoreReset() override {
        ResetFilesAndClipboard();
        S() = State();
        ResetDialogs();
        platform::RefuseAllocations(0);
    }

    void Poll() override {
        int iPeek = ++S().iPeeks;
        OffscreenBackend::Poll();
        auto it = S().atPeek.find(iPeek);
        if (it == S().atPeek.end()) return;
        auto fn = std::move(it->second);
        S().atPeek.erase(it);
        fn();
    }

    bool Wait() override { return S().onIdle && S().onIdle(); }

    void WindowCreated(HWND hwnd) override {
        if (!S().hwndMain) S().hwndMain = hwnd;
    }

    void RectangleFilled(HWND, const RECT& rc, COLORREF crColor) override {
        if (S().bRecordFills) S().fills.push_back({rc, crColor});
    }

    int MessageBox(const platform::MessageBoxRequest& request) override {
        S().boxes.push_back({request.hwndOwner, request.sText, request.sCaption, request.uType});
        if (S().boxAnswers.empty())
            return request.buttons.empty() ? IDOK : request.buttons[request.iDefault].iAnswer;
        int iAnswer = S().boxAnswers.front();
        S().boxAnswers.pop_front();
        return iAnswer;
    }

    void RunDialog(HWND hDlg) override { RunScriptedDialog(hDlg); }

    std::string ChooseFile(const platform::FileDialogRequest& request) override {
        return NextFileChoice(request);
    }
    int ChosenFilterIndex() override { return LastChosenFilter(); }

    bool OpenDocument(HWND hwndOwner, const std::string& sPath) override {
        S().documents.push_back({hwndOwner, sPath});
        return true;
    }
};

}  // namespace

void Reset() { offscreen::Reset(); }

void AtPeek(int iPeek, std::function<void()> fn) { S().atPeek[iPeek] = std::move(fn); }
int PeekCount() { return S().iPeeks; }
void OnIdle(std::function<bool()> fn) { S().onIdle = std::move(fn); }
void RecordFills() { S().bRecordFills = true; }
const std::vector<std::pair<RECT, COLORREF>>& Fills() { return S().fills; }

void PostInput(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    platform::PostInput(hwnd, uMessage, wParam, lParam);
}

void PressKey(HWND hwnd, UINT uVirtualKey, char ch) {
    platform::PostInput(hwnd, WM_KEYDOWN, uVirtualKey, 1, ch);
    platform::PostInput(hwnd, WM_KEYUP, uVirtualKey, static_cast<LPARAM>(0xC0000001u));
}

void ResizeWindow(HWND hwnd, int iWidth, int iHeight) { platform::ClientResized(hwnd, iWidth, iHeight); }

uint32_t Pixel(HWND hwnd, int x, int y) {
    platform::Framebuffer framebuffer = platform::WindowPixels(hwnd);
    if (!framebuffer.pPixels || x < 0 || y < 0 || x >= framebuffer.iWidth || y >= framebuffer.iHeight)
        return 0xFFFFFFFF;
    return framebuffer.pPixels[static_cast<size_t>(y) * framebuffer.iWidth + x];
}

int LiveGdiObjects() { return platform::TheCore().gdiObjects.Live(); }
int LiveDeviceContexts() { return platform::TheCore().dcs.Live(); }
int LiveWindows() { return platform::TheCore().windows.Live(); }

void AnswerBoxes(std::initializer_list<int> answers) {
    S().boxAnswers.insert(S().boxAnswers.end(), answers.begin(), answers.end());
}
const std::vector<ShownBox>& Boxes() { return S().boxes; }
void ClearBoxes() { S().boxes.clear(); }
const std::vector<OpenedDocument>& Documents() { return S().documents; }
HWND MainWindow() { return S().hwndMain; }
void FailNextAllocations(int iCount) { platform::RefuseAllocations(iCount); }

}  // namespace harness

platform::Backend& platform::GetBackend() {
    static harness::HarnessBackend backend;
    return backend;
}
