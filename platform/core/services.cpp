// What the core offers a backend: a window's pixels, text, menu, icon and
// cursor, and a dialog's layout in pixels, copied out of the core's records.
#include "core.h"
#include "resources.h"

#include <strings.h>

namespace platform {

namespace {

// A single-line edit control takes this many characters until told otherwise.
constexpr int kEditTextLimit = 32767;

std::vector<MenuEntry> MenuEntries(HMENU hMenu, int iDepth) {
    std::vector<MenuEntry> entries;
    const Menu* pMenu = FindMenu(hMenu);
    if (!pMenu || iDepth > kMaxMenuDepth) return entries;
    for (const Menu::Item& item : pMenu->items) {
        MenuEntry entry{item.uFlags, item.uId, item.sText, {}};
        if (item.uFlags & MF_POPUP) entry.items = MenuEntries(item.hSubMenu, iDepth + 1);
        entries.push_back(std::move(entry));
    }
    return entries;
}

DialogControl ControlOf(HWND hControl, const Window& control) {
    DialogControl shown;
    shown.hwnd = hControl;
    shown.iId = control.iId;
    shown.sClass = control.sClass;
    shown.sText = control.sText;
    shown.dwStyle = control.dwStyle;
    shown.rc = control.rcWindow;
    if (strcasecmp(control.sClass.c_str(), "EDIT") == 0) shown.iTextLimit = kEditTextLimit;
    return shown;
}

}  // namespace

Framebuffer WindowPixels(HWND hwnd) {
    const Window* pWindow = FindWindowRecord(hwnd);
    if (!pWindow || pWindow->pixels.empty()) return {};
    return {pWindow->pixels.data(), pWindow->iClientWidth, pWindow->iClientHeight};
}

std::string WindowText(HWND hwnd) {
    const Window* pWindow = FindWindowRecord(hwnd);
    return pWindow ? pWindow->sText : std::string();
}

std::vector<MenuEntry> WindowMenu(HWND hwnd) { return MenuEntries(GetMenu(hwnd), 0); }

std::vector<Picture> ClassIcon(HWND hwnd) {
    std::vector<Picture> pictures;
    if (const std::vector<IconImage>* pImages = FindIconImages(ClassIconOf(hwnd)))
        for (const IconImage& image : *pImages) pictures.push_back({image.iWidth, image.iHeight, image.pixels});
    return pictures;
}

bool ClassCursor(HWND hwnd, CursorShape* pCursor) {
    const CursorImage* pImage = FindCursor(ClassCursorOf(hwnd));
    if (!pImage) return false;
    *pCursor = {pImage->image.iWidth, pImage->image.iHeight, pImage->image.xorMask,
                {pImage->xHotspot, pImage->yHotspot}};
    return true;
}

DialogLayout DescribeDialog(HWND hDlg) {
    DialogLayout layout;
    const Window* pDialog = FindWindowRecord(hDlg);
    if (!pDialog) return layout;
    layout.sTitle = pDialog->sText;
    layout.hwndOwner = pDialog->hwndParent;
    layout.size = {pDialog->iClientWidth, pDialog->iClientHeight};
    layout.sFont = pDialog->sFont;
    layout.iPointSize = pDialog->iPointSize;
    for (HWND hControl : DialogControls(hDlg))
        if (const Window* pControl = FindWindowRecord(hControl))
            layout.controls.push_back(ControlOf(hControl, *pControl));
    return layout;
}

}  // namespace platform
