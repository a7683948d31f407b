// Modal message boxes: the core works out the buttons, default and answer
// rules from the MB_ style; the backend shows the box and reports the button.
#include "core.h"

namespace {

std::vector<platform::BoxButton> ButtonsOf(UINT uType) {
    switch (uType & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"&Abort", IDABORT}, {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO: return {{"&Yes", IDYES}, {"&No", IDNO}};
    case MB_RETRYCANCEL: return {{"&Retry", IDRETRY}, {"Cancel", IDCANCEL}};
    default: return {{"OK", IDOK}};
    }
}

}  // namespace

using namespace platform;

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    MessageBoxRequest request;
    request.hwndOwner = FindWindowRecord(hWnd) ? hWnd : nullptr;
    request.sText = lpText ? lpText : "";
    request.sCaption = lpCaption ? lpCaption : "Error";
    request.uType = uType;
    request.buttons = ButtonsOf(uType);
    int iDefault = static_cast<int>((uType & MB_DEFMASK) >> 8);
    request.iDefault = iDefault < static_cast<int>(request.buttons.size()) ? iDefault : 0;
    ++TheCore().iModalDepth;
    int iAnswer = GetBackend().MessageBox(request);
    --TheCore().iModalDepth;
    // Only an answer the box offers can come back; closing a box without
    // Cancel means its only or first button.
    for (const BoxButton& button : request.buttons)
        if (button.iAnswer == iAnswer) return iAnswer;
    for (const BoxButton& button : request.buttons)
        if (button.iAnswer == IDCANCEL) return IDCANCEL;
    return request.buttons.front().iAnswer;
}
