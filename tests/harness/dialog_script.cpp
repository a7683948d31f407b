// Scripted dialogs for the harness: what a test types into a dialog's
// fields and which buttons or keys it presses, and what each dialog showed.
#include "harness.h"

#include <deque>

namespace harness {

namespace {

struct DialogState {
    std::deque<std::vector<DialogStep>> scripts;
    std::vector<ShownDialog> shown;
};

DialogState& D() {
    static DialogState state;
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
    shown.sTitle = platform::WindowText(hDlg);
    shown.hwndOwner = GetParent(hDlg);
    shown.fieldsAtStart = FieldTexts(hDlg);
    shown.iFocusId = FocusId(hDlg);
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
    shown.bKeptOpen = !platform::DialogEnded(hDlg);
    if (shown.bKeptOpen) EndDialog(hDlg, IDCANCEL);
    shown.fieldsAtEnd = FieldTexts(hDlg);
    D().shown.push_back(std::move(shown));
}

}  // namespace harness
