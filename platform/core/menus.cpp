// Menus held by the core: items with their ids, texts, pop-ups and check marks.
#include "core.h"

namespace platform {

Menu* FindMenu(HMENU hMenu) { return TheCore().menus.Find(reinterpret_cast<uintptr_t>(hMenu)); }

namespace {

Menu::Item* FindItem(HMENU hMenu, UINT uId, UINT uFlags, int iDepth = 0) {
    Menu* pMenu = FindMenu(hMenu);
    if (!pMenu || iDepth > kMaxMenuDepth) return nullptr;
    if (uFlags & MF_BYPOSITION) return uId < pMenu->items.size() ? &pMenu->items[uId] : nullptr;
    for (Menu::Item& item : pMenu->items) {
        if (item.uFlags & MF_POPUP) {
            if (Menu::Item* pFound = FindItem(item.hSubMenu, uId, uFlags, iDepth + 1)) return pFound;
        } else if (!(item.uFlags & MF_SEPARATOR) && item.uId == uId) {
            return &item;
        }
    }
    return nullptr;
}

bool MenuHolds(HMENU hMenu, HMENU hPart, int iDepth = 0) {
    if (hMenu == hPart) return true;
    Menu* pMenu = FindMenu(hMenu);
    if (!pMenu || iDepth > kMaxMenuDepth) return false;
    for (const Menu::Item& item : pMenu->items)
        if ((item.uFlags & MF_POPUP) && MenuHolds(item.hSubMenu, hPart, iDepth + 1)) return true;
    return false;
}

// The windows whose menu bar shows hMenu hear of the change.
void TellWindowsOf(HMENU hMenu) {
    std::vector<HWND> shown;
    TheCore().windows.ForEach([&](uintptr_t h, const Window& w) {
        if (!(w.dwStyle & WS_CHILD) && w.hMenu && MenuHolds(w.hMenu, hMenu))
            shown.push_back(reinterpret_cast<HWND>(h));
    });
    for (HWND hwnd : shown) GetBackend().MenuChanged(hwnd);
}

}  // namespace

HMENU NewMenu(Menu menu) {
    return reinterpret_cast<HMENU>(TheCore().menus.Add(std::make_unique<Menu>(std::move(menu))));
}

}  // namespace platform

using namespace platform;

HMENU WINAPI GetMenu(HWND hWnd) {
    Window* pWindow = FindWindowRecord(hWnd);
    return pWindow && !(pWindow->dwStyle & WS_CHILD) ? pWindow->hMenu : nullptr;
}

DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
    Menu::Item* pItem = FindItem(hMenu, uIDCheckItem, uCheck);
    if (!pItem) return static_cast<DWORD>(-1);
    DWORD dwPrevious = pItem->uFlags & MF_CHECKED;
    pItem->uFlags = (pItem->uFlags & ~static_cast<UINT>(MF_CHECKED)) | (uCheck & MF_CHECKED);
    if (dwPrevious != (uCheck & MF_CHECKED)) TellWindowsOf(hMenu);
    return dwPrevious;
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    Menu::Item* pItem = FindItem(hMenu, uId, uFlags);
    return pItem ? pItem->uFlags : static_cast<UINT>(-1);
}

BOOL WINAPI DestroyMenu(HMENU hMenu) {
    Menu* pMenu = FindMenu(hMenu);
    if (!pMenu) return FALSE;
    std::vector<HMENU> subMenus;
    for (const Menu::Item& item : pMenu->items)
        if (item.uFlags & MF_POPUP) subMenus.push_back(item.hSubMenu);
    TheCore().menus.Remove(reinterpret_cast<uintptr_t>(hMenu));
    for (HMENU hSub : subMenus) DestroyMenu(hSub);
    return TRUE;
}
