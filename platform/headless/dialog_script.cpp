// Scripted dialogs for the headless backend: what a test types into a dialog's
// fields and which buttons or keys it presses, and what each dialog showed.
#include "headless.h"

#include "core.h"

#include <deque>

namespace headless {

namespace {

struct DialogState {
    std::deque<std::vector<DialogStep>> scripts;
    std::vector<ShownDialog> shown;
};

DialogState& D() {
    static DialogState state;
    return state;
}

std::map<int, std::string> FieldTexts(HWND hDlg) {
    std::map<int, std::string> fields;
    for (HWND hChild : platform::DialogControls(hDlg)) {
        platform::Window* pChild = platform::FindWindowRecord(hChild);
        if (pChild && pChild->iId != 0xFFFF) fields[pChild->iId] = pChild->sText;
    }
    return fields;
}

void RunStep(HWND hDlg, const DialogStep& step) {
    switch (step.kind) {
    case DialogStep::Type:
        SetDlgItemTextA(hDlg, step.iId, step.sText.c_str());
        break;
    case DialogStep::Press:
        platform::DialogCommand(hDlg, step.iId);
        break;
    case DialogStep::Key:
        platform::DialogKey(hDlg, step.uKey);
        break;
    case DialogStep::Close:
        SendMessageA(hDlg, WM_CLOSE, 0, 0);
        break;
    }
}

}  // namespace

DialogStep TypeText(int iId, std::string sText) { return {DialogStep::Type, iId, std::move(sText), 0}; }
DialogStep PressButton(int iId) { return {DialogStep::Press, iId, {}, 0}; }
DialogStep PressDialogKey(UINT uKey) { return {DialogStep::Key, 0, {}, uKey}; }
DialogStep CloseDialog() { return {DialogStep::Close, 0, {}, 0}; }

void ScriptDialog(std::vector<DialogStep> steps) { D().scripts.push_back(std::move(steps)); }

const std::vector<ShownDialog>& Dialogs() { return D().shown; }

void ResetDialogs() { D() = DialogState(); }

// Without a script, or once its steps are spent, the dialog is closed.
void RunScriptedDialog(HWND hDlg) {
    ShownDialog shown;
    shown.sTitle = platform::FindWindowRecord(hDlg)->sText;
    shown.hwndOwner = GetParent(hDlg);
    shown.fieldsAtStart = FieldTexts(hDlg);
    HWND hFocus = GetFocus();
    platform::Window* pFocus = platform::FindWindowRecord(hFocus);
    shown.iFocusId = pFocus && GetParent(hFocus) == hDlg ? pFocus->iId : 0;
    std::vector<DialogStep> steps;
    if (!D().scripts.empty()) {
        steps = std::move(D().scripts.front());
        D().scripts.pop_front();
    }
    for (const DialogStep& step : steps) {
        if (platform::DialogEnded(hDlg)) break;
        RunStep(hDlg, step);
    }
    if (!platform::DialogEnded(hDlg)) SendMessageA(hDlg, WM_CLOSE, 0, 0);
    if (!platform::DialogEnded(hDlg)) EndDialog(hDlg, IDCANCEL);
    shown.fieldsAtEnd = FieldTexts(hDlg);
    D().shown.push_back(std::move(shown));
}

}  // namespace headless
