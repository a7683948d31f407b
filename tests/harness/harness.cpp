// The harness backend: the offscreen backend answering from the test's script
// (boxes, dialogs, file choices, input at chosen peeks) and logging what the
// program showed, its state in one place; it may look inside the core.
#include "harness.h"

#include "core.h"
#include "counting.h"

#include <deque>
#include <map>
#include <utility>

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
    std::deque<std::vector<DialogStep>> dialogScripts;
    std::vector<ShownDialog> dialogs;
    std::deque<FileChoice> fileChoices;
    std::vector<platform::FileDialogRequest> fileRequests;
    int iLastFilter = 0;
};

State& S() {
    static State state;
    return state;
}

// Labels have no id (0xFFFF) and are left out.
std::map<int, std::string> FieldTexts(HWND hDlg) {
    std::map<int, std::string> fields;
    for (const platform::DialogControl& control : platform::DescribeDialog(hDlg).controls)
        if (control.iId != 0xFFFF) fields[control.iId] = control.sText;
    return fields;
}

int FocusId(HWND hDlg) {
    HWND hFocus = GetFocus();
    for (const platform::DialogControl& control : platform::DescribeDialog(hDlg).controls)
        if (control.hwnd == hFocus) return control.iId;
    return 0;
}

// The next of a script's answers, taken in order; the fallback when none is left.
template <class T> T TakeFront(std::deque<T>& answers, T fallback) {
    if (answers.empty()) return fallback;
    T front = std::move(answers.front());
    answers.pop_front();
    return front;
}

void RunStep(HWND hDlg, const DialogStep& step) {
    if (step.kind == DialogStep::Type) SetDlgItemTextA(hDlg, step.iId, step.sText.c_str());
    else if (step.kind == DialogStep::Press) platform::DialogCommand(hDlg, step.iId);
    else if (step.kind == DialogStep::Key) platform::DialogKey(hDlg, step.uKey);
    else SendMessageA(hDlg, WM_CLOSE, 0, 0);
}

// Without a script, or once its steps are spent, the dialog is closed.
void RunScriptedDialog(HWND hDlg) {
    ShownDialog shown{platform::WindowText(hDlg), GetParent(hDlg), FocusId(hDlg), FieldTexts(hDlg)};
    const std::vector<DialogStep> steps = TakeFront(S().dialogScripts, {});
    for (size_t i = 0; i < steps.size() && !platform::DialogEnded(hDlg); ++i) RunStep(hDlg, steps[i]);
    if (!platform::DialogEnded(hDlg)) SendMessageA(hDlg, WM_CLOSE, 0, 0);
    shown.bKeptOpen = !platform::DialogEnded(hDlg);
    if (shown.bKeptOpen) EndDialog(hDlg, IDCANCEL);
    S().dialogs.push_back(std::move(shown));
}

class HarnessBackend final : public offscreen::OffscreenBackend {
public:
    // The clipboard's block goes before the core that holds it.
    void CoreReset() override {
        platform::Core& core = platform::TheCore();
        if (core.hClipboardData) GlobalFree(core.hClipboardData);
        core.hClipboardData = nullptr;
        S() = State();
        platform::RefuseAllocations(0);
        RefuseThreadStarts(0);
        OnChunkCounted(nullptr);
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

    void WindowCreated(HWND hwnd) override { S().hwndMain = S().hwndMain ? S().hwndMain : hwnd; }

    void RectangleFilled(HWND, const RECT& rc, COLORREF crColor) override {
        if (S().bRecordFills) S().fills.push_back({rc, crColor});
    }

    int MessageBox(const platform::MessageBoxRequest& request) override {
        S().boxes.push_back({request.hwndOwner, request.sText, request.sCaption, request.uType});
        return TakeFront(S().boxAnswers, request.buttons.empty() ? IDOK : request.buttons[request.iDefault].iAnswer);
    }

    void RunDialog(HWND hDlg) override { RunScriptedDialog(hDlg); }

    // A person's choice in a file dialog, taken in order; none left means Cancel.
    std::string ChooseFile(const platform::FileDialogRequest& request) override {
        S().fileRequests.push_back(request);
        FileChoice choice = TakeFront(S().fileChoices, FileChoice(""));
        S().iLastFilter = choice.iFilterIndex;
        return choice.sPath;
    }
    int ChosenFilterIndex() override { return S().iLastFilter; }

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

int LiveGdiObjects() { return platform::TheCore().gdiObjects.Live(); }
int LiveDeviceContexts() { return platform::TheCore().dcs.Live(); }
int LiveWindows() { return platform::TheCore().windows.Live(); }

void AnswerBoxes(std::initializer_list<int> answers) {
    S().boxAnswers.insert(S().boxAnswers.end(), answers.begin(), answers.end());
}
const std::vector<ShownBox>& Boxes() { return S().boxes; }
std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const ShownBox& box : S().boxes) texts.push_back(box.sCaption + ": " + box.sText);
    return texts;
}
void ClearBoxes() { S().boxes.clear(); }
const std::vector<OpenedDocument>& Documents() { return S().documents; }
HWND MainWindow() { return S().hwndMain; }
void FailNextAllocations(int iCount) { platform::RefuseAllocations(iCount); }
void FailNextThreadStarts(int iCount) { RefuseThreadStarts(iCount); }

DialogStep TypeText(int iId, std::string sText) { return {DialogStep::Type, iId, std::move(sText), 0}; }
DialogStep PressButton(int iId) { return {DialogStep::Press, iId, {}, 0}; }
DialogStep PressDialogKey(UINT uKey) { return {DialogStep::Key, 0, {}, uKey}; }
DialogStep CloseDialog() { return {DialogStep::Close, 0, {}, 0}; }

void ScriptDialog(std::vector<DialogStep> steps) { S().dialogScripts.push_back(std::move(steps)); }

const std::vector<ShownDialog>& Dialogs() { return S().dialogs; }

FileChoice::FileChoice(std::string sChosenPath, int iChosenFilter)
    : sPath(std::move(sChosenPath)), iFilterIndex(iChosenFilter) {}
FileChoice::FileChoice(const char* pszChosenPath, int iChosenFilter)
    : FileChoice(std::string(pszChosenPath ? pszChosenPath : ""), iChosenFilter) {}

void ChooseFiles(std::initializer_list<FileChoice> choices) {
    S().fileChoices.insert(S().fileChoices.end(), choices.begin(), choices.end());
}

const std::vector<platform::FileDialogRequest>& FileRequests() { return S().fileRequests; }

std::string ClipboardText() { return platform::TheCore().sClipboardText; }

int LiveMemoryBlocks() { return platform::LiveMemoryBlocks(); }

WNDPROC ReplaceWindowProc(HWND hwnd, WNDPROC pfnProc) {
    platform::Window* pWindow = platform::FindWindowRecord(hwnd);
    return pWindow ? std::exchange(pWindow->pfnProc, pfnProc) : nullptr;
}

void AfterEachCountedChunk(void (*pfn)(int, int)) { OnChunkCounted(pfn); }

}  // namespace harness

platform::Backend& platform::GetBackend() {
    static harness::HarnessBackend backend;
    return backend;
}
