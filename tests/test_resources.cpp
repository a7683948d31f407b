// The program's resources as the platform reads them back (menu, accelerators,
// Edit Drawing Values dialog, icon, cursor) and the reader over corrupt bytes.
#include "core.h"
#include "harness.h"
#include "resources.h"

#include "../shell/resource.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::DialogTemplate;
using platform::IconImage;
using platform::MenuTemplateItem;
using platform::ResourceEntry;
using Bytes = std::vector<unsigned char>;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kNavy = 0xFF000080;
constexpr uint32_t kTransparent = 0x00000000;

// Builds little-endian test data.
class ByteWriter {
public:
    ByteWriter& Byte(unsigned uValue) {
        bytes.push_back(static_cast<unsigned char>(uValue));
        return *this;
    }
    ByteWriter& Word(unsigned uValue) { return Byte(uValue & 0xFF).Byte((uValue >> 8) & 0xFF); }
    ByteWriter& Dword(uint32_t uValue) { return Word(uValue & 0xFFFF).Word(uValue >> 16); }
    ByteWriter& Text(const std::u16string& s) {
        for (char16_t ch : s) Word(ch);
        return Word(0);
    }
    ByteWriter& Align4() {
        while (bytes.size() % 4) Byte(0);
        return *this;
    }
    Bytes bytes;
};

void PutDword(Bytes& bytes, size_t iOffset, uint32_t uValue) {
    for (int i = 0; i < 4; ++i) bytes[iOffset + i] = static_cast<unsigned char>(uValue >> (8 * i));
}

void PutWord(Bytes& bytes, size_t iOffset, unsigned uValue) {
    bytes[iOffset] = static_cast<unsigned char>(uValue);
    bytes[iOffset + 1] = static_cast<unsigned char>(uValue >> 8);
}

Bytes ProgramImage() {
    const auto& images = platform::RegisteredResourceImages();
    if (images.empty()) return {};
    return Bytes(images[0].pBytes, images[0].pBytes + images[0].cbBytes);
}

Bytes DataOf(LPCSTR lpType, LPCSTR lpName) {
    const ResourceEntry* pEntry = platform::FindResourceEntry(lpType, lpName);
    if (!pEntry) return {};
    return Bytes(pEntry->pData, pEntry->pData + pEntry->cbData);
}

// ---- The registered image.

TEST(ResourceImage, HoldsTheProgramsResourcesInOrder) {
    Bytes image = ProgramImage();
    std::vector<ResourceEntry> entries;
    ASSERT_TRUE(platform::ParseResFile(image.data(), image.size(), &entries));
    struct Expected {
        WORD wType;
        const char* pszName;  // null: ordinal wOrdinal
        WORD wOrdinal;
    };
    const Expected expected[] = {
        {1, nullptr, 1},     {3, nullptr, 1},       {3, nullptr, 2},       {4, "VELDRAN", 0},
        {5, "DIALOG_1", 0},  {9, "VELDRAN", 0},     {12, "VELDRAN", 0},    {14, "VELDRAN", 0},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(entries[i].type.bIsOrdinal) << i;
        EXPECT_EQ(entries[i].type.wOrdinal, expected[i].wType) << i;
        EXPECT_EQ(entries[i].name.bIsOrdinal, expected[i].pszName == nullptr) << i;
        if (expected[i].pszName)
            EXPECT_EQ(entries[i].name.sName, expected[i].pszName) << i;
        else
            EXPECT_EQ(entries[i].name.wOrdinal, expected[i].wOrdinal) << i;
        EXPECT_GE(entries[i].pData, image.data());
        EXPECT_LE(entries[i].pData + entries[i].cbData, image.data() + image.size());
    }
}

TEST(ResourceImage, NamesMatchWithoutRegardToCase) {
    struct Case {
        LPCSTR lpType;
        LPCSTR lpName;
        bool bFound;
    };
    const Case cases[] = {
        {RT_MENU, "VELDRAN", true},          {RT_MENU, "Veldran", true},
        {RT_MENU, "veldran", true},          {RT_ACCELERATOR, "vElDrAn", true},
        {RT_DIALOG, "dialog_1", true},       {RT_GROUP_ICON, "Veldran", true},
        {RT_GROUP_CURSOR, "Veldran", true},  {RT_ICON, MAKEINTRESOURCEA(2), true},
        {RT_ICON, "#2", true},               {RT_CURSOR, "#1", true},
        {RT_MENU, "VELDRA", false},          {RT_MENU, "VELDRANS", false},
        {RT_MENU, "", false},                {RT_MENU, nullptr, false},
        {RT_DIALOG, "VELDRAN", false},       {RT_ICON, MAKEINTRESOURCEA(3), false},
        {RT_ICON, "2", false},               {RT_ICON, "#", false},
        {RT_ICON, "#2x", false},             {RT_ICON, "#65538", false},
        {RT_BITMAP, "VELDRAN", false},       {"VELDRAN", "VELDRAN", false},
    };
    for (const Case& c : cases) {
        const ResourceEntry* pEntry = platform::FindResourceEntry(c.lpType, c.lpName);
        EXPECT_EQ(pEntry != nullptr, c.bFound)
            << (IS_INTRESOURCE(c.lpName) ? "#" + std::to_string(LOWORD(c.lpName)) : c.lpName);
    }
}

TEST(ResourceImage, MissingResourcesLoadAsNothing) {
    harness::Reset();
    EXPECT_EQ(LoadMenuA(nullptr, "Nope"), nullptr);
    EXPECT_EQ(LoadMenuA(nullptr, "DIALOG_1"), nullptr);
    EXPECT_EQ(LoadAcceleratorsA(nullptr, "Nope"), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "Nope"), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    DialogTemplate dialog;
    dialog.sTitle = "untouched";
    EXPECT_FALSE(platform::FindDialogTemplate("DIALOG_2", &dialog));
    EXPECT_EQ(dialog.sTitle, "untouched");
}

// ---- Menu.

struct MenuRow {
    UINT uFlags;
    UINT uId;
    const char* pszText;
};

void ExpectMenu(HMENU hMenu, const std::vector<MenuRow>& rows, const char* pszWhich) {
    platform::Menu* pMenu = platform::FindMenu(hMenu);
    ASSERT_NE(pMenu, nullptr) << pszWhich;
    ASSERT_EQ(pMenu->items.size(), rows.size()) << pszWhich;
    for (size_t i = 0; i < rows.size(); ++i) {
        const platform::Menu::Item& item = pMenu->items[i];
        EXPECT_EQ(item.uFlags, rows[i].uFlags) << pszWhich << " " << i;
        EXPECT_EQ(item.uId, rows[i].uId) << pszWhich << " " << i;
        EXPECT_EQ(item.sText, rows[i].pszText) << pszWhich << " " << i;
        EXPECT_EQ(item.hSubMenu != nullptr, (rows[i].uFlags & MF_POPUP) != 0) << pszWhich << " " << i;
    }
}

TEST(ProgramMenu, LoadsEveryItemInOrder) {
    harness::Reset();
    HMENU hMenu = LoadMenuA(nullptr, "Veldran");
    ASSERT_NE(hMenu, nullptr);
    ExpectMenu(hMenu,
               {{MF_POPUP, 0, "&File"},
                {0, IDM_EDIT, "&Edit"},
                {0, IDM_DISPLAY, "&Display"},
                {MF_POPUP, 0, "\b&Help"}},
               "bar");
    platform::Menu* pBar = platform::FindMenu(hMenu);
    ASSERT_NE(pBar, nullptr);
    ExpectMenu(pBar->items[0].hSubMenu,
               {{0, IDM_NEW, "&New"},
                {0, IDM_OPEN, "&Open"},
                {0, IDM_SAVE, "&Save"},
                {0, IDM_SAVEAS, "Save &As"},
                {MF_SEPARATOR, 0, ""},
                {0, IDM_EXIT, "E&xit"}},
               "File");
    ExpectMenu(pBar->items[3].hSubMenu,
               {{0, IDM_HELP, "&Help"}, {MF_SEPARATOR, 0, ""}, {0, IDM_ABOUT, "&About"}}, "Help");
    EXPECT_EQ(pBar->items[3].sText[0], '\x08');
}

TEST(ProgramMenu, TemplateMarksTheLastItemOfEachLevel) {
    Bytes data = DataOf(RT_MENU, "VELDRAN");
    std::vector<MenuTemplateItem> items;
    ASSERT_TRUE(platform::ParseMenuTemplate(data.data(), data.size(), &items));
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].wFlags, MF_POPUP);
    EXPECT_EQ(items[3].wFlags, MF_POPUP | MF_END);
    ASSERT_EQ(items[0].subItems.size(), 6u);
    EXPECT_EQ(items[0].subItems[5].wFlags, MF_END);
    EXPECT_EQ(items[0].subItems[4].wFlags, 0);
    EXPECT_EQ(items[0].subItems[4].wId, 0);
    ASSERT_EQ(items[3].subItems.size(), 3u);
    EXPECT_EQ(items[3].subItems[2].wFlags, MF_END);
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam);
std::vector<WORD> g_commands;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    if (uMessage == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

HWND OpenWindowOfProgramClass() {
    harness::Reset();
    g_commands.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hIcon = LoadIconA(nullptr, "Veldran");
    wc.hCursor = LoadCursorA(nullptr, "Veldran");
    wc.lpszMenuName = "Veldran";
    wc.lpszClassName = "ResourceTest";
    if (!RegisterClassA(&wc)) return nullptr;
    return CreateWindowExA(0, "ResourceTest", "Orvanta", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr,
                           nullptr);
}

TEST(ProgramMenu, TheClassMenuReachesTheWindow) {
    HWND hwnd = OpenWindowOfProgramClass();
    ASSERT_NE(hwnd, nullptr);
    HMENU hMenu = GetMenu(hwnd);
    ASSERT_NE(hMenu, nullptr);
    for (UINT uId : {IDM_NEW, IDM_OPEN, IDM_SAVE, IDM_SAVEAS, IDM_EXIT, IDM_EDIT, IDM_DISPLAY,
                     IDM_HELP, IDM_ABOUT})
        EXPECT_EQ(GetMenuState(hMenu, uId, MF_BYCOMMAND), 0u) << uId;
    EXPECT_EQ(GetMenuState(hMenu, IDM_REDRAW, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(CheckMenuItem(hMenu, IDM_SAVE, MF_BYCOMMAND | MF_CHECKED), 0u);
    EXPECT_EQ(GetMenuState(hMenu, IDM_SAVE, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
}

// ---- Accelerators.

TEST(ProgramAccelerators, ThreeEntriesInOrder) {
    harness::Reset();
    HACCEL hAccel = LoadAcceleratorsA(nullptr, "Veldran");
    ASSERT_NE(hAccel, nullptr);
    platform::Accelerators* pTable =
        platform::TheCore().accelerators.Find(reinterpret_cast<uintptr_t>(hAccel));
    ASSERT_NE(pTable, nullptr);
    const ACCEL expected[] = {
        {FVIRTKEY, 'A', IDM_ABOUT}, {0, '?', IDM_HELP}, {FVIRTKEY, VK_F1, IDM_HELP}};
    ASSERT_EQ(pTable->entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(pTable->entries[i].fVirt, expected[i].fVirt) << i;
        EXPECT_EQ(pTable->entries[i].key, expected[i].key) << i;
        EXPECT_EQ(pTable->entries[i].cmd, expected[i].cmd) << i;
    }
}

TEST(ProgramAccelerators, KeysBecomeCommands) {
    HWND hwnd = OpenWindowOfProgramClass();
    ASSERT_NE(hwnd, nullptr);
    HACCEL hAccel = LoadAcceleratorsA(nullptr, "Veldran");
    struct Case {
        UINT uMessage;
        WPARAM wParam;
        int iTranslated;
        WORD wCommand;
    };
    const Case cases[] = {
        {WM_KEYDOWN, 'A', 1, IDM_ABOUT},  {WM_CHAR, '?', 1, IDM_HELP},
        {WM_KEYDOWN, VK_F1, 1, IDM_HELP}, {WM_KEYDOWN, 0x3F, 0, 0},
        {WM_KEYDOWN, VK_OEM_2, 0, 0},     {WM_CHAR, 'a', 0, 0},
        {WM_CHAR, 'A', 0, 0},             {WM_KEYDOWN, 'B', 0, 0},
    };
    for (const Case& c : cases) {
        g_commands.clear();
        MSG msg{};
        msg.hwnd = hwnd;
        msg.message = c.uMessage;
        msg.wParam = c.wParam;
        EXPECT_EQ(TranslateAcceleratorA(hwnd, hAccel, &msg), c.iTranslated) << c.wParam;
        if (c.iTranslated) {
            ASSERT_EQ(g_commands.size(), 1u) << c.wParam;
            EXPECT_EQ(g_commands[0], c.wCommand) << c.wParam;
        } else {
            EXPECT_TRUE(g_commands.empty()) << c.wParam;
        }
    }
}

// ---- The Edit Drawing Values dialog.

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_GROUP | WS_TABSTOP | ES_LEFT;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefaultStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kNoId = 0xFFFF;

struct ControlRow {
    DWORD dwId;
    WORD wAtom;
    const char* pszText;
    short x, y, cx, cy;
    DWORD dwStyle;
};

const ControlRow kDialogControls[] = {
    {IDD_CENTERX, platform::kEditAtom, "Center X Value", 68, 13, 70, 13, kEditStyle},
    {IDD_CENTERY, platform::kEditAtom, "Center Y Value", 68, 33, 70, 13, kEditStyle},
    {IDD_ITERATIONS, platform::kEditAtom, "Iterations", 68, 53, 70, 13, kEditStyle},
    {IDD_ZOOM, platform::kEditAtom, "Window Zoom Value", 68, 73, 70, 13, kEditStyle},
    {IDD_MOVE, platform::kEditAtom, "Movement Zoom Value", 68, 94, 70, 13, kEditStyle},
    {IDD_COLORFACTOR, platform::kEditAtom, "Color Levels", 68, 138, 70, 13, kEditStyle},
    {IDOK, platform::kButtonAtom, "OK", 156, 13, 50, 14, kDefaultStyle},
    {IDCANCEL, platform::kButtonAtom, "Cancel", 156, 32, 50, 14, kButtonStyle},
    {IDD_HELPBUTTON, platform::kButtonAtom, "Help", 156, 52, 50, 14, kButtonStyle},
    {kNoId, platform::kStaticAtom, "Center X value:", 11, 14, 54, 10, kLabelStyle},
    {kNoId, platform::kStaticAtom, "Center Y value:", 10, 37, 54, 10, kLabelStyle},
    {kNoId, platform::kStaticAtom, "Iterations:", 11, 55, 54, 10, kLabelStyle},
    {kNoId, platform::kStaticAtom, "Zoom Factor:", 11, 74, 54, 10, kLabelStyle},
    {kNoId, platform::kStaticAtom, "Move Factor:", 10, 95, 54, 10, kLabelStyle},
    {kNoId, platform::kStaticAtom, "Starting Size:", 10, 116, 54, 10, kLabelStyle},
    {kNoId, platform::kStaticAtom, "Color Factor (%)", 8, 138, 54, 10, kLabelStyle},
    {IDD_STARTLEVEL, platform::kEditAtom, "Starting Block Size", 68, 116, 70, 13, kEditStyle},
    {kNoId, platform::kStaticAtom, "RGB Combination", 8, 159, 60, 7, kLabelStyle},
    {IDD_RGB, platform::kEditAtom, "RGB Combination", 68, 157, 70, 14, kEditStyle},
    {kNoId, platform::kStaticAtom, "(0 to 5)", 144, 159, 64, 9, kLabelStyle},
};

const char* ClassNameOf(WORD wAtom) {
    switch (wAtom) {
        case platform::kButtonAtom: return "BUTTON";
        case platform::kEditAtom: return "EDIT";
        default: return "STATIC";
    }
}

TEST(EditDialogTemplate, HeaderAsDesigned) {
    DialogTemplate dialog;
    ASSERT_TRUE(platform::FindDialogTemplate("DIALOG_1", &dialog));
    EXPECT_FALSE(dialog.bExtended);
    EXPECT_EQ(dialog.dwStyle, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                                 DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(dialog.dwExStyle, 0u);
    EXPECT_EQ(dialog.x, 69);
    EXPECT_EQ(dialog.y, 67);
    EXPECT_EQ(dialog.cx, 220);
    EXPECT_EQ(dialog.cy, 180);
    EXPECT_EQ(dialog.sTitle, "Edit Drawing Values");
    EXPECT_EQ(dialog.wPointSize, 8);
    EXPECT_EQ(dialog.sFont, "MS Sans Serif");
    EXPECT_FALSE(dialog.menu.bIsOrdinal);
    EXPECT_TRUE(dialog.menu.sName.empty());
    EXPECT_FALSE(dialog.windowClass.bIsOrdinal);
    EXPECT_TRUE(dialog.windowClass.sName.empty());
    EXPECT_EQ(dialog.items.size(), std::size(kDialogControls));
}

TEST(EditDialogTemplate, TwentyControlsAsDesigned) {
    DialogTemplate dialog;
    ASSERT_TRUE(platform::FindDialogTemplate("Dialog_1", &dialog));
    ASSERT_EQ(dialog.items.size(), std::size(kDialogControls));
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const platform::DialogItemTemplate& item = dialog.items[i];
        const ControlRow& row = kDialogControls[i];
        EXPECT_EQ(item.dwId, row.dwId) << i;
        EXPECT_EQ(item.wClassAtom, row.wAtom) << i;
        EXPECT_EQ(item.sClass, ClassNameOf(row.wAtom)) << i;
        EXPECT_FALSE(item.text.bIsOrdinal) << i;
        EXPECT_EQ(item.text.sName, row.pszText) << i;
        EXPECT_EQ(item.x, row.x) << i;
        EXPECT_EQ(item.y, row.y) << i;
        EXPECT_EQ(item.cx, row.cx) << i;
        EXPECT_EQ(item.cy, row.cy) << i;
        EXPECT_EQ(item.dwStyle, row.dwStyle) << i;
        EXPECT_EQ(item.dwExStyle, 0u) << i;
        EXPECT_TRUE(item.creationData.empty()) << i;
    }
}

TEST(EditDialogTemplate, TabVisitsTheFieldsAndButtonsInTemplateOrder) {
    DialogTemplate dialog;
    ASSERT_TRUE(platform::FindDialogTemplate("DIALOG_1", &dialog));
    std::vector<DWORD> tabOrder;
    for (const platform::DialogItemTemplate& item : dialog.items) {
        if (item.dwStyle & WS_TABSTOP) tabOrder.push_back(item.dwId);
        if (item.wClassAtom == platform::kEditAtom) {
            EXPECT_FALSE(item.dwStyle & ES_AUTOHSCROLL) << item.dwId;
        }
    }
    const std::vector<DWORD> expected = {IDD_CENTERX, IDD_CENTERY,    IDD_ITERATIONS, IDD_ZOOM,
                                         IDD_MOVE,    IDD_COLORFACTOR, IDOK,          IDCANCEL,
                                         IDD_HELPBUTTON, IDD_STARTLEVEL, IDD_RGB};
    EXPECT_EQ(tabOrder, expected);
}

// ---- Icon and cursor.

TEST(ProgramIcon, TwoSixteenColourImages) {
    harness::Reset();
    HICON hIcon = LoadIconA(nullptr, "Veldran");
    ASSERT_NE(hIcon, nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "VELDRAN"), hIcon);
    const std::vector<IconImage>* pImages = platform::FindIconImages(hIcon);
    ASSERT_NE(pImages, nullptr);
    ASSERT_EQ(pImages->size(), 2u);
    const int sides[] = {32, 16};
    for (size_t i = 0; i < 2; ++i) {
        const IconImage& image = (*pImages)[i];
        EXPECT_EQ(image.iWidth, sides[i]);
        EXPECT_EQ(image.iHeight, sides[i]);
        EXPECT_EQ(image.iBitCount, 4);
        EXPECT_EQ(image.iColors, 16);
        ASSERT_EQ(image.pixels.size(), static_cast<size_t>(sides[i] * sides[i]));
        for (uint32_t uPixel : image.pixels) EXPECT_EQ(uPixel >> 24, 0xFFu);
        EXPECT_EQ(image.pixels.front(), kNavy) << "the dark background";
        EXPECT_EQ(image.pixels[sides[i] / 2 * sides[i] + sides[i] * 3 / 4], kBlack) << "the set";
    }
    EXPECT_EQ(platform::FindIcon(hIcon), &(*pImages)[0]);
}

TEST(ProgramIcon, GroupListsBothImages) {
    Bytes data = DataOf(RT_GROUP_ICON, "VELDRAN");
    std::vector<platform::IconGroupEntry> entries;
    ASSERT_TRUE(platform::ParseIconGroup(data.data(), data.size(), false, &entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].iWidth, 32);
    EXPECT_EQ(entries[1].iWidth, 16);
    for (const platform::IconGroupEntry& entry : entries) {
        EXPECT_EQ(entry.iHeight, entry.iWidth);
        EXPECT_EQ(entry.iColorCount, 16);
        EXPECT_EQ(entry.iBitCount, 4);
        EXPECT_NE(platform::FindResourceEntry(RT_ICON, MAKEINTRESOURCEA(entry.wId)), nullptr);
    }
    EXPECT_FALSE(platform::ParseIconGroup(data.data(), data.size(), true, &entries));
}

TEST(ProgramCursor, InvertingArrowWithItsHotSpotAtTheTip) {
    harness::Reset();
    HCURSOR hCursor = LoadCursorA(nullptr, "veldran");
    ASSERT_NE(hCursor, nullptr);
    const platform::CursorImage* pCursor = platform::FindCursor(hCursor);
    ASSERT_NE(pCursor, nullptr);
    const IconImage& image = pCursor->image;
    EXPECT_EQ(pCursor->xHotspot, 0);
    EXPECT_EQ(pCursor->yHotspot, 0);
    EXPECT_EQ(image.iWidth, 32);
    EXPECT_EQ(image.iHeight, 32);
    EXPECT_EQ(image.iBitCount, 1);
    ASSERT_EQ(image.andMask.size(), 32u * 32u);
    int cInverting = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            size_t i = static_cast<size_t>(y) * 32 + x;
            EXPECT_EQ(image.andMask[i], 1) << x << "," << y;
            if (!image.xorMask[i]) {
                EXPECT_EQ(image.pixels[i], kTransparent) << x << "," << y;
                continue;
            }
            ++cInverting;
            EXPECT_EQ(image.pixels[i], kWhite) << x << "," << y;
            EXPECT_LE(x, y) << "an up-left arrow lies below the diagonal";
        }
    }
    EXPECT_EQ(image.xorMask[0], 1) << "the tip inverts";
    EXPECT_GT(cInverting, 60);
    EXPECT_EQ(platform::FindIcon(hCursor), &pCursor->image);
    EXPECT_EQ(platform::FindIconImages(hCursor), nullptr);
}

TEST(ProgramCursor, HandlesAreCheckedByKind) {
    harness::Reset();
    HICON hIcon = LoadIconA(nullptr, "Veldran");
    HCURSOR hCursor = LoadCursorA(nullptr, "Veldran");
    ASSERT_NE(hIcon, nullptr);
    ASSERT_NE(hCursor, nullptr);
    EXPECT_NE(hIcon, hCursor);
    EXPECT_EQ(platform::FindCursor(hIcon), nullptr);
    EXPECT_EQ(platform::FindIcon(nullptr), nullptr);
    EXPECT_EQ(platform::FindCursor(nullptr), nullptr);
    HMENU hMenu = LoadMenuA(nullptr, "Veldran");
    EXPECT_EQ(platform::FindIcon(reinterpret_cast<HICON>(hMenu)), nullptr);
}

// ---- Decoders over built data.

TEST(ResourceText, Utf16BecomesUtf8) {
    struct Case {
        std::u16string text;
        std::string sExpected;
    };
    const Case cases[] = {
        {u"&Help", "&Help"},
        {u"\bx", "\bx"},
        {u"caf\u00E9", "caf\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD83D)) + u"a", "\xEF\xBF\xBD" "a"},
        {std::u16string(1, char16_t(0xDE00)), "\xEF\xBF\xBD"},
        {std::u16string(1, char16_t(0xD83D)), "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        ByteWriter menu;
        menu.Word(0).Word(0).Word(MF_END).Word(7).Text(c.text);
        std::vector<MenuTemplateItem> items;
        ASSERT_TRUE(platform::ParseMenuTemplate(menu.bytes.data(), menu.bytes.size(), &items));
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].sText, c.sExpected);
    }
}

// An extended template with one control of each kind of class reference.
Bytes ExtendedDialog() {
    ByteWriter w;
    w.Word(1).Word(0xFFFF).Dword(77).Dword(0x100).Dword(WS_POPUP | DS_SETFONT).Word(3);
    w.Word(1).Word(2).Word(300).Word(200);
    w.Word(0xFFFF).Word(42).Text(u"MyDialogClass").Text(u"Extended");
    w.Word(9).Word(700).Byte(1).Byte(0).Text(u"Tahoma");
    w.Align4().Dword(5).Dword(0).Dword(WS_CHILD).Word(1).Word(2).Word(3).Word(4).Dword(0xFFFFFFFF);
    w.Word(0xFFFF).Word(platform::kButtonAtom).Word(0xFFFF).Word(12).Word(3);
    w.Byte(0xAA).Byte(0xBB).Byte(0xCC);
    w.Align4().Dword(0).Dword(0).Dword(WS_CHILD).Word(5).Word(6).Word(7).Word(8).Dword(1000);
    w.Text(u"listbox").Word(0).Word(0);
    w.Align4().Dword(0).Dword(0).Dword(WS_CHILD).Word(5).Word(6).Word(7).Word(8).Dword(1001);
    w.Text(u"Custom").Word(0xFFFF).Word(0x99).Word(0);
    return w.bytes;
}

TEST(DialogTemplates, ExtendedTemplatesAreRead) {
    Bytes data = ExtendedDialog();
    DialogTemplate dialog;
    ASSERT_TRUE(platform::ParseDialogTemplate(data.data(), data.size(), &dialog));
    EXPECT_TRUE(dialog.bExtended);
    EXPECT_EQ(dialog.dwHelpId, 77u);
    EXPECT_EQ(dialog.dwExStyle, 0x100u);
    EXPECT_EQ(dialog.cx, 300);
    EXPECT_TRUE(dialog.menu.bIsOrdinal);
    EXPECT_EQ(dialog.menu.wOrdinal, 42);
    EXPECT_EQ(dialog.windowClass.sName, "MyDialogClass");
    EXPECT_EQ(dialog.sTitle, "Extended");
    EXPECT_EQ(dialog.wPointSize, 9);
    EXPECT_EQ(dialog.wWeight, 700);
    EXPECT_EQ(dialog.bItalic, 1);
    EXPECT_EQ(dialog.sFont, "Tahoma");
    ASSERT_EQ(dialog.items.size(), 3u);
    struct Row {
        DWORD dwId;
        WORD wAtom;
        const char* pszClass;
        bool bTextIsOrdinal;
        size_t cbCreation;
    };
    const Row rows[] = {{0xFFFFFFFF, platform::kButtonAtom, "BUTTON", true, 3},
                        {1000, platform::kListBoxAtom, "LISTBOX", false, 0},
                        {1001, 0, "Custom", true, 0}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(dialog.items[i].dwId, rows[i].dwId) << i;
        EXPECT_EQ(dialog.items[i].wClassAtom, rows[i].wAtom) << i;
        EXPECT_EQ(dialog.items[i].sClass, rows[i].pszClass) << i;
        EXPECT_EQ(dialog.items[i].text.bIsOrdinal, rows[i].bTextIsOrdinal) << i;
        EXPECT_EQ(dialog.items[i].creationData.size(), rows[i].cbCreation) << i;
    }
    EXPECT_EQ(dialog.items[0].dwHelpId, 5u);
    EXPECT_EQ(dialog.items[0].text.wOrdinal, 12);
    EXPECT_EQ(dialog.items[0].creationData, (std::vector<BYTE>{0xAA, 0xBB, 0xCC}));
}

// A DIB of 4 x 2 pixels: colours (indices up to 8 bits, else 0xAARRGGBB) and AND bits, top row first.
Bytes MakeDib(int iBitCount, const std::vector<uint32_t>& palette,
              const std::vector<uint32_t>& colours, const std::vector<int>& mask) {
    constexpr int kWidth = 4, kHeight = 2;
    ByteWriter w;
    w.Dword(40).Dword(kWidth).Dword(2 * kHeight).Word(1).Word(iBitCount).Dword(0).Dword(0);
    w.Dword(0).Dword(0).Dword(static_cast<uint32_t>(palette.size())).Dword(0);
    for (uint32_t uColour : palette)
        w.Byte(uColour & 0xFF).Byte((uColour >> 8) & 0xFF).Byte((uColour >> 16) & 0xFF).Byte(0);
    for (int y = kHeight - 1; y >= 0; --y) {
        uint32_t uBits = 0;
        int cBits = 0;
        size_t iRowStart = w.bytes.size();
        for (int x = 0; x < kWidth; ++x) {
            uint32_t uValue = colours[y * kWidth + x];
            if (iBitCount == 24) {
                w.Byte(uValue & 0xFF).Byte((uValue >> 8) & 0xFF).Byte((uValue >> 16) & 0xFF);
            } else if (iBitCount == 32) {
                w.Dword(uValue);
            } else {
                uBits = (uBits << iBitCount) | uValue;
                cBits += iBitCount;
                if (cBits == 8) {
                    w.Byte(uBits);
                    uBits = 0;
                    cBits = 0;
                }
            }
        }
        if (cBits) w.Byte(uBits << (8 - cBits));
        while ((w.bytes.size() - iRowStart) % 4) w.Byte(0);
    }
    for (int y = kHeight - 1; y >= 0; --y) {
        unsigned uBits = 0;
        for (int x = 0; x < kWidth; ++x) uBits |= (mask[y * kWidth + x] ? 0x80u : 0u) >> x;
        w.Byte(uBits).Byte(0).Byte(0).Byte(0);
    }
    return w.bytes;
}

TEST(IconPictures, EveryDepthDecodes) {
    struct Case {
        const char* pszName;
        int iBitCount;
        std::vector<uint32_t> palette;
        std::vector<uint32_t> colours;
        std::vector<int> mask;
        std::vector<uint32_t> expected;
        int iColors;
    };
    const Case cases[] = {
        {"1 bit", 1, {0x000000, 0xFFFFFF}, {0, 1, 0, 1, 1, 1, 0, 0}, {0, 0, 1, 1, 1, 0, 1, 0},
         {kBlack, kWhite, kTransparent, kWhite, kWhite, kWhite, kTransparent, kBlack}, 2},
        {"4 bits", 4, {0x000000, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666,
                       0x777777, 0x888888, 0x999999, 0xAAAAAA, 0xBBBBBB, 0xCCCCCC, 0xDDDDDD,
                       0xEEEEEE, 0xFFFFFF},
         {0, 1, 2, 3, 12, 13, 14, 15}, {0, 0, 0, 0, 0, 0, 0, 1},
         {kBlack, 0xFF111111, 0xFF222222, 0xFF333333, 0xFFCCCCCC, 0xFFDDDDDD, 0xFFEEEEEE,
          0xFFFFFFFF},
         16},
        {"8 bits, short palette", 8, {0x102030, 0x405060}, {0, 1, 2, 255, 1, 0, 1, 0},
         {0, 0, 0, 0, 1, 1, 0, 0},
         {0xFF102030, 0xFF405060, kBlack, kBlack, 0xFF405060, 0xFF102030, 0xFF405060,
          0xFF102030},
         2},
        {"24 bits", 24, {}, {0x123456, 0, 0xABCDEF, 0xFFFFFF, 0, 0x010203, 0, 0x0000FF},
         {0, 0, 1, 1, 1, 1, 0, 0},
         {0xFF123456, kBlack, 0xFFABCDEF, kWhite, kTransparent, 0xFF010203, kBlack, 0xFF0000FF},
         0},
        {"32 bits with alpha", 32, {},
         {0x80123456, 0, 0xFF00FF00, 0x01020304, 0x7F000000, 0, 0, 0xFFFFFFFF},
         {1, 1, 1, 1, 0, 0, 0, 0},
         {0x80123456, 0, 0xFF00FF00, 0x01020304, 0x7F000000, 0, 0, 0xFFFFFFFF}, 0},
        {"32 bits without alpha", 32, {}, {0x123456, 0, 0x00FF00, 0, 0, 0, 0, 0},
         {0, 0, 1, 1, 0, 0, 0, 0},
         {0xFF123456, kBlack, 0xFF00FF00, kTransparent, kBlack, kBlack, kBlack, kBlack}, 0},
    };
    for (const Case& c : cases) {
        Bytes dib = MakeDib(c.iBitCount, c.palette, c.colours, c.mask);
        IconImage image;
        ASSERT_TRUE(platform::DecodeIconImage(dib.data(), dib.size(), &image)) << c.pszName;
        EXPECT_EQ(image.iWidth, 4) << c.pszName;
        EXPECT_EQ(image.iHeight, 2) << c.pszName;
        EXPECT_EQ(image.iBitCount, c.iBitCount) << c.pszName;
        EXPECT_EQ(image.iColors, c.iColors) << c.pszName;
        EXPECT_EQ(image.pixels, c.expected) << c.pszName;
        EXPECT_EQ(image.andMask, std::vector<uint8_t>(c.mask.begin(), c.mask.end())) << c.pszName;
    }
}

// ---- Corrupt and short input: a clear failure, the output untouched.

TEST(CorruptResources, EveryTruncationOfTheImageIsCaught) {
    Bytes image = ProgramImage();
    std::vector<ResourceEntry> full;
    ASSERT_TRUE(platform::ParseResFile(image.data(), image.size(), &full));
    std::vector<size_t> ends = {32};  // where the empty first entry and each resource end
    for (const ResourceEntry& entry : full)
        ends.push_back(static_cast<size_t>(entry.pData - image.data()) + entry.cbData);
    for (size_t cb = 0; cb < image.size(); ++cb) {
        Bytes prefix(image.begin(), image.begin() + cb);  // its own allocation, for ASan
        std::vector<ResourceEntry> entries(1);
        entries[0].cbData = 12345;
        bool bOk = platform::ParseResFile(prefix.data(), prefix.size(), &entries);
        size_t cComplete = 0;
        bool bOnBoundary = false;
        for (size_t k = 0; k < ends.size(); ++k) {
            if (ends[k] <= cb) cComplete = k;
            if (cb >= ends[k] && cb <= (ends[k] + 3) / 4 * 4) bOnBoundary = true;
        }
        EXPECT_EQ(bOk, bOnBoundary) << cb;
        if (bOk) {
            EXPECT_EQ(entries.size(), cComplete) << cb;
        } else {
            ASSERT_EQ(entries.size(), 1u) << cb;
            EXPECT_EQ(entries[0].cbData, 12345u) << cb;
        }
    }
}

TEST(CorruptResources, BadHeadersAndSizesAreRejected) {
    const Bytes image = ProgramImage();
    ASSERT_GT(image.size(), 64u);
    struct Case {
        const char* pszName;
        size_t iOffset;
        uint32_t uValue;
    };
    const Case cases[] = {
        {"first entry has data", 0, 4},
        {"first entry header too short", 4, 16},
        {"first entry is a type", 10, 1},
        {"16-bit image", 0, 0x0001FFFF},
        {"header below its minimum", 36, 28},
        {"header not aligned", 36, 34},
        {"header beyond the image", 36, 0x7FFFFFFF},
        {"header size wraps", 36, 0xFFFFFFF8},
        {"data beyond the image", 32, 0x00100000},
        {"data size wraps", 32, 0xFFFFFFFF},
        {"data size just too large", 32, static_cast<uint32_t>(image.size())},
    };
    for (const Case& c : cases) {
        Bytes bad = image;
        PutDword(bad, c.iOffset, c.uValue);
        std::vector<ResourceEntry> entries;
        EXPECT_FALSE(platform::ParseResFile(bad.data(), bad.size(), &entries)) << c.pszName;
        EXPECT_TRUE(entries.empty()) << c.pszName;
    }
    std::vector<ResourceEntry> entries;
    EXPECT_FALSE(platform::ParseResFile(nullptr, 0, &entries));
    EXPECT_FALSE(platform::ParseResFile(image.data(), 0, &entries));
}

TEST(CorruptResources, NamesWithoutTerminatorsAreRejected) {
    ByteWriter w;
    w.Dword(0).Dword(32).Word(0xFFFF).Word(0).Word(0xFFFF).Word(0);
    for (int i = 0; i < 16; ++i) w.Byte(0);
    w.Dword(0).Dword(32);
    for (int i = 0; i < 12; ++i) w.Word('A');  // the type's text runs to the end of the header
    w.Dword(0).Dword(0).Dword(0);
    std::vector<ResourceEntry> entries;
    EXPECT_FALSE(platform::ParseResFile(w.bytes.data(), w.bytes.size(), &entries));
}

// Each decoder fails on every proper prefix of a real resource and keeps its output.
TEST(CorruptResources, TruncatedResourcesAreRejected) {
    struct Case {
        const char* pszName;
        Bytes data;
        std::function<bool(const Bytes&)> decode;
    };
    auto decodeMenu = [](const Bytes& b) {
        std::vector<MenuTemplateItem> items(1);
        bool bOk = platform::ParseMenuTemplate(b.data(), b.size(), &items);
        return bOk || items.size() != 1;
    };
    auto decodeAccelerators = [](const Bytes& b) {
        std::vector<ACCEL> accels(1);
        bool bOk = platform::ParseAccelerators(b.data(), b.size(), &accels);
        return bOk || accels.size() != 1;
    };
    auto decodeDialog = [](const Bytes& b) {
        DialogTemplate dialog;
        dialog.sTitle = "kept";
        bool bOk = platform::ParseDialogTemplate(b.data(), b.size(), &dialog);
        return bOk || dialog.sTitle != "kept";
    };
    auto decodeGroup = [](const Bytes& b) {
        std::vector<platform::IconGroupEntry> entries(1);
        bool bOk = platform::ParseIconGroup(b.data(), b.size(), false, &entries);
        return bOk || entries.size() != 1;
    };
    auto decodeIcon = [](const Bytes& b) {
        IconImage image;
        image.iWidth = -1;
        bool bOk = platform::DecodeIconImage(b.data(), b.size(), &image);
        return bOk || image.iWidth != -1;
    };
    auto decodeCursor = [](const Bytes& b) {
        platform::CursorImage cursor;
        cursor.xHotspot = -1;
        bool bOk = platform::DecodeCursorImage(b.data(), b.size(), &cursor);
        return bOk || cursor.xHotspot != -1;
    };
    const Case cases[] = {
        {"menu", DataOf(RT_MENU, "VELDRAN"), decodeMenu},
        {"accelerators", DataOf(RT_ACCELERATOR, "VELDRAN"), decodeAccelerators},
        {"dialog", DataOf(RT_DIALOG, "DIALOG_1"), decodeDialog},
        {"extended dialog", ExtendedDialog(), decodeDialog},
        {"icon group", DataOf(RT_GROUP_ICON, "VELDRAN"), decodeGroup},
        {"icon", DataOf(RT_ICON, MAKEINTRESOURCEA(1)), decodeIcon},
        {"cursor", DataOf(RT_CURSOR, MAKEINTRESOURCEA(1)), decodeCursor},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.data.empty()) << c.pszName;
        EXPECT_TRUE(c.decode(c.data)) << c.pszName;
        for (size_t cb = 0; cb < c.data.size(); ++cb)
            EXPECT_FALSE(c.decode(Bytes(c.data.begin(), c.data.begin() + cb)))
                << c.pszName << " cut to " << cb;
    }
}

TEST(CorruptResources, MissingEndMarksAndHugeCountsAreRejected) {
    Bytes menu = DataOf(RT_MENU, "VELDRAN");
    Bytes accelerators = DataOf(RT_ACCELERATOR, "VELDRAN");
    Bytes dialog = DataOf(RT_DIALOG, "DIALOG_1");
    Bytes group = DataOf(RT_GROUP_ICON, "VELDRAN");
    ASSERT_FALSE(menu.empty() || accelerators.empty() || dialog.empty() || group.empty());
    std::vector<MenuTemplateItem> items;
    Bytes noMenuEnd = menu;
    for (size_t i = 4; i + 1 < noMenuEnd.size(); ++i)  // flags words only hold 0x10, 0x80, 0x90
        if (noMenuEnd[i] == 0x80 || noMenuEnd[i] == 0x90) noMenuEnd[i] &= 0x7F;
    EXPECT_FALSE(platform::ParseMenuTemplate(noMenuEnd.data(), noMenuEnd.size(), &items));
    Bytes extendedMenu = menu;
    PutWord(extendedMenu, 0, 1);
    EXPECT_FALSE(platform::ParseMenuTemplate(extendedMenu.data(), extendedMenu.size(), &items));
    Bytes longMenuHeader = menu;
    PutWord(longMenuHeader, 2, 0xFFFF);
    EXPECT_FALSE(platform::ParseMenuTemplate(longMenuHeader.data(), longMenuHeader.size(), &items));
    EXPECT_TRUE(items.empty());

    std::vector<ACCEL> accels;
    Bytes noLastAccelerator = accelerators;
    noLastAccelerator[16] &= 0x7F;
    EXPECT_FALSE(platform::ParseAccelerators(noLastAccelerator.data(), noLastAccelerator.size(), &accels));
    EXPECT_TRUE(accels.empty());

    DialogTemplate parsed;
    Bytes manyControls = dialog;
    PutWord(manyControls, 8, 0xFFFF);
    EXPECT_FALSE(platform::ParseDialogTemplate(manyControls.data(), manyControls.size(), &parsed));
    EXPECT_TRUE(parsed.items.empty());

    std::vector<platform::IconGroupEntry> entries;
    struct GroupCase {
        size_t iOffset;
        unsigned uValue;
    };
    for (GroupCase c : {GroupCase{4, 0xFFFF}, GroupCase{4, 0}, GroupCase{0, 1}, GroupCase{2, 2}}) {
        Bytes bad = group;
        PutWord(bad, c.iOffset, c.uValue);
        EXPECT_FALSE(platform::ParseIconGroup(bad.data(), bad.size(), false, &entries)) << c.iOffset;
    }
    EXPECT_TRUE(entries.empty());
}

Bytes NestedMenu(int cPopups) {
    ByteWriter w;
    w.Word(0).Word(0);
    for (int i = 0; i < cPopups; ++i) w.Word(MF_POPUP | MF_END).Text(u"P");
    w.Word(MF_END).Word(1).Text(u"Item");
    return w.bytes;
}

TEST(CorruptResources, MenusNestOnlySoDeep) {
    std::vector<MenuTemplateItem> items;
    Bytes deepest = NestedMenu(16);
    EXPECT_TRUE(platform::ParseMenuTemplate(deepest.data(), deepest.size(), &items));
    Bytes tooDeep = NestedMenu(17);
    items.clear();
    EXPECT_FALSE(platform::ParseMenuTemplate(tooDeep.data(), tooDeep.size(), &items));
    EXPECT_TRUE(items.empty());
    Bytes unending = NestedMenu(0);
    unending.erase(unending.end() - 2, unending.end());  // the item's text loses its terminator
    EXPECT_FALSE(platform::ParseMenuTemplate(unending.data(), unending.size(), &items));
}

TEST(CorruptResources, ImpossiblePicturesAreRejected) {
    const Bytes good = MakeDib(4, std::vector<uint32_t>(16, 0), std::vector<uint32_t>(8, 1),
                               std::vector<int>(8, 0));
    IconImage image;
    ASSERT_TRUE(platform::DecodeIconImage(good.data(), good.size(), &image));
    struct Case {
        const char* pszName;
        size_t iOffset;
        uint32_t uValue;
        bool bWord;
    };
    const Case cases[] = {
        {"header too short", 0, 39, false},     {"header beyond data", 0, 0xFFFFFFFF, false},
        {"no width", 4, 0, false},              {"too wide", 4, 257, false},
        {"hugely wide", 4, 0x7FFFFFFF, false},  {"negative width", 4, 0xFFFFFFFC, false},
        {"no height", 8, 0, false},             {"odd height", 8, 5, false},
        {"top-down", 8, 0xFFFFFFFC, false},     {"too tall", 8, 2 * 257, false},
        {"two planes", 12, 2, true},            {"2 bits", 14, 2, true},
        {"16 bits", 14, 16, true},              {"no bits", 14, 0, true},
        {"compressed", 16, 1, false},           {"palette too long", 32, 17, false},
        {"palette count huge", 32, 0xFFFFFFFF, false},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        if (c.bWord)
            PutWord(bad, c.iOffset, c.uValue);
        else
            PutDword(bad, c.iOffset, c.uValue);
        IconImage decoded;
        EXPECT_FALSE(platform::DecodeIconImage(bad.data(), bad.size(), &decoded)) << c.pszName;
        EXPECT_TRUE(decoded.pixels.empty()) << c.pszName;
    }
}

}  // namespace
