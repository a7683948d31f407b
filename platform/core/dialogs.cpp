// Modal dialogs built from templates: their windows and controls, the dialog
// procedure's messages, item texts and the end value.
#include "core.h"

using namespace platform;

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    Window* pDialog = FindWindowRecord(hDlg);
    if (!pDialog) return FALSE;
    pDialog->bDialogEnded = true;
    pDialog->iDialogResult = nResult;
    return TRUE;
}
