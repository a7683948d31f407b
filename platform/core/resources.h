// The program's compiled resources (a Win32 .res image): their registration,
// the decoders of menus, accelerators, dialogs, icons and cursors, and the
// pictures behind the HICON and HCURSOR handles that LoadIconA/LoadCursorA give.
#ifndef ORVANTA_PLATFORM_RESOURCES_H
#define ORVANTA_PLATFORM_RESOURCES_H

#include "portable_win32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Called once, before main(), by the source generated from the program's .res;
// the bytes must live for the whole run. A malformed image contributes nothing.
void RegisterResources(const unsigned char* pBytes, size_t cbBytes);

// A registered .res image, whole, for tools and tests that read it themselves.
struct ResourceImage {
    const unsigned char* pBytes = nullptr;
    size_t cbBytes = 0;
};
// The images registered so far that parsed, in the order of registration.
const std::vector<ResourceImage>& RegisteredResourceImages();

// A name stored either as a 16-bit ordinal or as text (UTF-16 in the image,
// UTF-8 here). Neither ordinal nor text means absent.
struct NameOrOrdinal {
    bool bIsOrdinal = false;
    WORD wOrdinal = 0;
    std::string sName;
};

// One resource of a .res image; pData points into the parsed bytes.
struct ResourceEntry {
    NameOrOrdinal type;
    NameOrOrdinal name;
    WORD wMemoryFlags = 0;
    WORD wLanguage = 0;
    DWORD dwDataVersion = 0;
    DWORD dwVersion = 0;
    DWORD dwCharacteristics = 0;
    const unsigned char* pData = nullptr;
    size_t cbData = 0;
};

// Splits a .res image into its resources (without the empty first entry).
// False, with *pEntries untouched, when any header, size or padding is wrong.
bool ParseResFile(const unsigned char* pBytes, size_t cbBytes, std::vector<ResourceEntry>* pEntries);

// Whether a stored type or name is the one a program asks for: MAKEINTRESOURCE
// or "#123" for ordinals, otherwise text compared without regard to case.
bool MatchesResourceId(const NameOrOrdinal& id, LPCSTR lpId);

// The first registered resource of that type and name, or null.
const ResourceEntry* FindResourceEntry(LPCSTR lpType, LPCSTR lpName);

// A standard menu template, item by item, pop-ups holding their own items.
struct MenuTemplateItem {
    WORD wFlags = 0;  // as stored: MF_POPUP, MF_END, MF_GRAYED, MF_CHECKED, MF_HELP ...
    WORD wId = 0;     // commands only; a separator has id 0 and no text
    std::string sText;
    std::vector<MenuTemplateItem> subItems;
};
bool ParseMenuTemplate(const unsigned char* pData, size_t cbData,
                       std::vector<MenuTemplateItem>* pItems);

// An accelerator table: 8-byte entries up to the one flagged as last (0x80);
// the flag is not kept in fVirt.
bool ParseAccelerators(const unsigned char* pData, size_t cbData, std::vector<ACCEL>* pAccels);

// Atoms of the predefined control classes in dialog templates.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kScrollBarAtom = 0x0084;
constexpr WORD kComboBoxAtom = 0x0085;

struct DialogItemTemplate {
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    DWORD dwHelpId = 0;  // extended templates only
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    DWORD dwId = 0;       // a standard template's 16-bit id, zero-extended: -1 reads 0xFFFF
    WORD wClassAtom = 0;  // set for the predefined classes, whether stored by atom or by name
    std::string sClass;   // "BUTTON", "EDIT", "STATIC" ... for those, else the stored name
    NameOrOrdinal text;
    std::vector<BYTE> creationData;
};

// A dialog template, standard (DLGTEMPLATE) or extended (DLGTEMPLATEEX);
// positions and sizes in dialog units.
struct DialogTemplate {
    bool bExtended = false;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    DWORD dwHelpId = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::string sTitle;
    // Present when the style has DS_SETFONT.
    WORD wPointSize = 0;
    WORD wWeight = 0;
    BYTE bItalic = 0;
    BYTE bCharSet = 0;
    std::string sFont;
    std::vector<DialogItemTemplate> items;
};
bool ParseDialogTemplate(const unsigned char* pData, size_t cbData, DialogTemplate* pOut);

// The registered dialog template of that name (MAKEINTRESOURCE or text).
bool FindDialogTemplate(LPCSTR lpName, DialogTemplate* pOut);

// One entry of an icon or cursor group: which RT_ICON/RT_CURSOR holds the image.
struct IconGroupEntry {
    int iWidth = 0;
    int iHeight = 0;  // cursor groups store twice the picture's height
    int iColorCount = 0;
    int iPlanes = 0;
    int iBitCount = 0;
    DWORD cbBytes = 0;
    WORD wId = 0;
};
bool ParseIconGroup(const unsigned char* pData, size_t cbData, bool bCursor,
                    std::vector<IconGroupEntry>* pEntries);

// A decoded icon or cursor picture, top row first. pixels are 0xAARRGGBB as the
// image looks over a black screen: where the AND mask keeps the screen a pixel
// is transparent (0) unless its colour inverts the screen, then it shows opaque.
struct IconImage {
    int iWidth = 0;
    int iHeight = 0;
    int iBitCount = 0;  // bits per pixel of the colour bitmap: 1, 4, 8, 24 or 32
    int iColors = 0;    // palette entries, 0 without a palette
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> andMask;  // one per pixel: 1 keeps the screen
    std::vector<uint8_t> xorMask;  // one per pixel: 1 where the colour bitmap is not black
};

struct CursorImage {
    IconImage image;
    int xHotspot = 0;
    int yHotspot = 0;
};

// The data of one RT_ICON (a DIB of twice the picture's height: colour bitmap
// then AND mask, rows bottom-up) and of one RT_CURSOR (the hot spot, then such a DIB).
bool DecodeIconImage(const unsigned char* pData, size_t cbData, IconImage* pImage);
bool DecodeCursorImage(const unsigned char* pData, size_t cbData, CursorImage* pCursor);

// What HICON and HCURSOR handles stand for; null for any other value. FindIcon
// gives the image LoadIconA chose (32 x 32 when there is one) or a cursor's picture.
const IconImage* FindIcon(HICON hIcon);
const std::vector<IconImage>* FindIconImages(HICON hIcon);
const CursorImage* FindCursor(HCURSOR hCursor);

}  // namespace platform

#endif
