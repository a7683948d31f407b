// The portable core's internal state: windows, classes, device contexts, GDI
// objects and the thread's message queue, with handle tables that turn the
// Win32 handles the program holds into checked references.
#ifndef ORVANTA_PLATFORM_CORE_H
#define ORVANTA_PLATFORM_CORE_H

#include "backend.h"
#include "portable_win32.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Slots addressed by handle value; a handle names its slot and a generation,
// so a stale handle is recognised instead of reaching a newer object.
template <typename T>
class HandleTable {
public:
    uintptr_t Add(std::unique_ptr<T> pObject) {
        size_t iSlot = 0;
        if (!freeSlots_.empty()) {
            iSlot = freeSlots_.back();
            freeSlots_.pop_back();
        } else {
            iSlot = slots_.size();
            slots_.push_back({});
        }
        Slot& slot = slots_[iSlot];
        slot.pObject = std::move(pObject);
        ++iLive_;
        return Encode(iSlot, slot.uGeneration);
    }
    T* Find(uintptr_t uHandle) const {
        if ((uHandle & kTagMask) != uTag_) return nullptr;
        size_t iSlot = (uHandle >> kSlotShift) & kSlotMask;
        if (iSlot >= slots_.size()) return nullptr;
        const Slot& slot = slots_[iSlot];
        if (!slot.pObject || Encode(iSlot, slot.uGeneration) != uHandle) return nullptr;
        return slot.pObject.get();
    }
    bool Remove(uintptr_t uHandle) {
        if (!Find(uHandle)) return false;
        size_t iSlot = (uHandle >> kSlotShift) & kSlotMask;
        slots_[iSlot].pObject.reset();
        ++slots_[iSlot].uGeneration;
        freeSlots_.push_back(iSlot);
        --iLive_;
        ++uRemovals_;
        return true;
    }
    template <typename F>
    void ForEach(F f) const {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].pObject) f(Encode(i, slots_[i].uGeneration), *slots_[i].pObject);
    }
    int Live() const { return iLive_; }
    // Rises whenever an object goes, so that a pointer found earlier can be
    // known to be still good.
    uint64_t Removals() const { return uRemovals_; }
    void Clear() {
        slots_.clear();
        freeSlots_.clear();
        iLive_ = 0;
        ++uRemovals_;
    }
    explicit HandleTable(uintptr_t uTag) : uTag_(uTag) {}

private:
    static constexpr uintptr_t kTagMask = 0xF;
    static constexpr int kSlotShift = 4;
    static constexpr uintptr_t kSlotMask = 0xFFFFF;
    static constexpr int kGenerationShift = 24;
    struct Slot {
        std::unique_ptr<T> pObject;
        uint32_t uGeneration = 1;
    };
    uintptr_t Encode(size_t iSlot, uint32_t uGeneration) const {
        return (static_cast<uintptr_t>(uGeneration & 0x7F) << kGenerationShift) |
               (static_cast<uintptr_t>(iSlot) << kSlotShift) | uTag_;
    }
    uintptr_t uTag_;
    std::vector<Slot> slots_;
    std::vector<size_t> freeSlots_;
    int iLive_ = 0;
    uint64_t uRemovals_ = 0;
};

struct WindowClass {
    std::string sName;
    WNDCLASSA wc{};
    std::string sMenuName;  // copied, the program's string need not live on
    bool bMenuNameIsId = false;
};

struct DeviceContext;

// Framebuffers sit on huge pages where the system offers them: the renderer
// sets pixels down columns, so each pixel of a column lies on another 4 KB
// page and small pages would cost a TLB miss per pixel.
void* AllocateFramebuffer(size_t cbSize);
void FreeFramebuffer(void* p, size_t cbSize);

template <typename T>
struct FramebufferAllocator {
    using value_type = T;
    FramebufferAllocator() = default;
    template <typename U>
    FramebufferAllocator(const FramebufferAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(AllocateFramebuffer(n * sizeof(T))); }
    void deallocate(T* p, size_t n) { FreeFramebuffer(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const FramebufferAllocator<U>&) const { return true; }
};

struct Window {
    HWND hwnd = nullptr;
    std::string sClass;
    WNDPROC pfnProc = nullptr;
    DLGPROC pfnDlgProc = nullptr;  // dialogs only
    UINT uClassStyle = 0;
    HBRUSH hbrBackground = nullptr;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    std::string sText;
    HWND hwndParent = nullptr;  // parent of a child, owner of a pop-up
    HMENU hMenu = nullptr;
    int iId = 0;  // control id of a child window
    RECT rcWindow{};  // position in the parent's client area (children) or on screen
    int iClientWidth = 0;
    int iClientHeight = 0;
    // Top-level windows: the client area's framebuffer.
    std::vector<uint32_t, FramebufferAllocator<uint32_t>> pixels;
    bool bVisible = false;
    bool bMaximized = false;
    bool bMinimized = false;
    bool bDestroying = false;
    bool bInvalid = false;
    bool bEraseBackground = false;
    RECT rcInvalid{};
    bool bDirty = false;  // pixels changed since the backend last presented them
    RECT rcDirty{};
    HDC hdcOwn = nullptr;
    uintptr_t uCreationOrder = 0;
    // Dialogs: the template's font.
    std::string sFont;
    int iPointSize = 0;
    bool bDialogEnded = false;
    INT_PTR iDialogResult = 0;
    // List boxes.
    std::vector<std::string> listItems;
};

enum class GdiKind { Brush, Pen };

struct GdiObject {
    GdiKind kind;
    COLORREF color = 0;
    int iWidth = 1;
    bool bStock = false;
};

struct DeviceContext {
    HWND hwnd = nullptr;
    bool bOwnDC = false;
    HBRUSH hbrSelected = nullptr;
    HPEN hpenSelected = nullptr;
    POINT ptCurrent{};
    COLORREF crText = 0x00000000;
    COLORREF crBk = 0x00FFFFFF;
};

struct Accelerators {
    std::vector<ACCEL> entries;
};

// Pop-ups nest at most this deep; deeper ones are refused when a menu loads.
constexpr int kMaxMenuDepth = 16;

struct Menu {
    struct Item {
        UINT uFlags = 0;  // MF_POPUP, MF_SEPARATOR, MF_CHECKED, MF_GRAYED, MF_HELP ...
        UINT uId = 0;
        std::string sText;
        HMENU hSubMenu = nullptr;
    };
    std::vector<Item> items;
};

// An input or posted message, with the character a key-down produces on the
// keyboard that sent it (0: derive it from the virtual key).
struct QueuedMessage {
    MSG msg{};
    char chText = 0;
};

struct Core {
    Core();
    HandleTable<Window> windows;
    HandleTable<DeviceContext> dcs;
    HandleTable<GdiObject> gdiObjects;
    HandleTable<Accelerators> accelerators;
    HandleTable<Menu> menus;
    std::vector<WindowClass> classes;
    std::deque<QueuedMessage> posted;
    std::deque<QueuedMessage> input;
    bool bQuitPosted = false;
    int iQuitCode = 0;
    std::array<BYTE, 256> keyState{};
    HWND hwndFocus = nullptr;
    uintptr_t uWindowsCreated = 0;
    DWORD dwTime = 0;
    QueuedMessage lastKey;  // the key message most recently taken off the queue
    int iModalDepth = 0;
    // The window SetPixel last drew into through which device context, good
    // while no device context or window has gone since.
    struct {
        HDC hdc = nullptr;
        uint64_t uRemovals = 0;
        Window* pWindow = nullptr;
    } pixelTarget;
    // Clipboard.
    HWND hwndClipboardOpen = nullptr;
    bool bClipboardOpen = false;
    std::string sClipboardText;
    HGLOBAL hClipboardData = nullptr;
};

// The core, made on first use. Inline, with the look-ups below, because
// SetPixel goes through them for every pixel drawn.
extern Core* g_pCore;
Core& MakeCore();
inline Core& TheCore() { return g_pCore ? *g_pCore : MakeCore(); }

inline Window* FindWindowRecord(HWND hwnd) {
    return TheCore().windows.Find(reinterpret_cast<uintptr_t>(hwnd));
}
inline DeviceContext* FindDC(HDC hdc) { return TheCore().dcs.Find(reinterpret_cast<uintptr_t>(hdc)); }
GdiObject* FindGdiObject(HGDIOBJ h);
Menu* FindMenu(HMENU hMenu);
HMENU NewMenu(Menu menu);
Window* TopLevelOf(Window* pWindow);
// The procedure of a built-in control class ("LISTBOX"), none for the others.
WNDPROC BuiltInClassProc(const std::string& sClass);

// A dialog's controls in template order.
std::vector<HWND> DialogControls(HWND hDlg);
// Makes the next iCount local or global allocations, or framebuffers, fail.
void RefuseAllocations(int iCount);
// Local and global memory blocks not yet freed.
int LiveMemoryBlocks();
// True, once for each refusal asked for: this allocation is to fail.
bool AllocationRefused();
// The icon and cursor of the class a window was made from.
HICON ClassIconOf(HWND hwnd);
HCURSOR ClassCursorOf(HWND hwnd);
// Makes a window's framebuffer match its client size; new pixels are black.
// False when memory cannot hold it: the window then has no pixels, and
// shows its background, until a size that fits.
bool ResizeClient(Window& window, int iWidth, int iHeight);
// The character that a key-down of a virtual key yields on a US keyboard.
char CharForVirtualKey(UINT uVirtualKey, bool bShift);

}  // namespace platform

#endif
