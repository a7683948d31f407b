// The clipboard (plain text in a global block that the clipboard owns once set)
// and the built-in LISTBOX control's strings.
#include "core.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace platform {
size_t MemoryBlockSize(HANDLE hMem);
}  // namespace platform

namespace {

// The text of a CF_TEXT block: up to its first NUL, never past its end.
std::string BlockText(HGLOBAL hMem) {
    size_t uSize = platform::MemoryBlockSize(hMem);
    const char* pText = static_cast<const char*>(GlobalLock(hMem));
    if (!pText) return {};
    std::string sText(pText, strnlen(pText, uSize));
    GlobalUnlock(hMem);
    return sText;
}

// Drops the clipboard's data, freeing the block it owns.
void DropClipboardData(platform::Core& core) {
    if (core.hClipboardData) GlobalFree(core.hClipboardData);
    core.hClipboardData = nullptr;
    core.sClipboardText.clear();
}

std::vector<std::string>* ListItems(HWND hwnd) {
    platform::Window* pWindow = platform::FindWindowRecord(hwnd);
    return pWindow ? &pWindow->listItems : nullptr;
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    std::vector<std::string>* pItems = ListItems(hwnd);
    if (!pItems) return LB_ERR;
    switch (uMessage) {
    case LB_ADDSTRING:
        pItems->emplace_back(lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return static_cast<LRESULT>(pItems->size() - 1);
    case LB_GETCOUNT:
        return static_cast<LRESULT>(pItems->size());
    case LB_GETTEXTLEN:
        return wParam < pItems->size() ? static_cast<LRESULT>((*pItems)[wParam].size()) : LB_ERR;
    case LB_GETTEXT: {
        // As in Windows the buffer is trusted to hold LB_GETTEXTLEN + 1 bytes.
        if (wParam >= pItems->size() || !lParam) return LB_ERR;
        const std::string& sItem = (*pItems)[wParam];
        std::memcpy(reinterpret_cast<LPSTR>(lParam), sItem.c_str(), sItem.size() + 1);
        return static_cast<LRESULT>(sItem.size());
    }
    default:
        return DefWindowProcA(hwnd, uMessage, wParam, lParam);
    }
}

}  // namespace

namespace platform {

WNDPROC BuiltInClassProc(const std::string& sClass) {
    return strcasecmp(sClass.c_str(), "LISTBOX") == 0 ? ListBoxProc : nullptr;
}

}  // namespace platform

using namespace platform;

// Fails only while another window holds the clipboard open.
BOOL WINAPI OpenClipboard(HWND hWndNewOwner) {
    Core& core = TheCore();
    if (core.bClipboardOpen && core.hwndClipboardOpen != hWndNewOwner) return FALSE;
    core.bClipboardOpen = true;
    core.hwndClipboardOpen = hWndNewOwner;
    return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
    Core& core = TheCore();
    if (!core.bClipboardOpen) return FALSE;
    DropClipboardData(core);
    GetBackend().ClipboardChanged(core.sClipboardText);
    return TRUE;
}

// Plain text only; the block belongs to the clipboard from now on, and the
// block it replaces is freed.
HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
    Core& core = TheCore();
    if (!core.bClipboardOpen || uFormat != CF_TEXT || MemoryBlockSize(hMem) == 0) return nullptr;
    std::string sText = BlockText(hMem);
    if (core.hClipboardData != hMem) DropClipboardData(core);
    core.hClipboardData = hMem;
    core.sClipboardText = std::move(sText);
    GetBackend().ClipboardChanged(core.sClipboardText);
    return hMem;
}

BOOL WINAPI CloseClipboard(void) {
    Core& core = TheCore();
    if (!core.bClipboardOpen) return FALSE;
    core.bClipboardOpen = false;
    core.hwndClipboardOpen = nullptr;
    return TRUE;
}
