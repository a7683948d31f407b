// The resource reader (platform/core/resources.cpp): names, menus, accelerators,
// icon pictures and UTF-16 text decoded from built and real bytes, and every kind
// of corrupt or cut input refused with its output untouched.
#include "program_run.h"
#include "resources.h"

namespace {

using namespace platform;

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kClear = 0x00000000;

// Builds little-endian test data.
struct ByteWriter {
    ByteWriter& Byte(unsigned u) { bytes.push_back(static_cast<unsigned char>(u)); return *this; }
    ByteWriter& Word(unsigned u) { return Byte(u & 0xFF).Byte((u >> 8) & 0xFF); }
    ByteWriter& Dword(uint32_t u) { return Word(u & 0xFFFF).Word(u >> 16); }
    ByteWriter& Text(const std::u16string& s) { return s.empty() ? Word(0) : Word(s[0]).Text(s.substr(1)); }
    Bytes bytes;
};

Bytes ProgramImage() {
    const auto& images = RegisteredResourceImages();
    return images.empty() ? Bytes{} : Bytes(images[0].pBytes, images[0].pBytes + images[0].cbBytes);
}

Bytes DataOf(LPCSTR lpType, LPCSTR lpName) {
    const ResourceEntry* pEntry = FindResourceEntry(lpType, lpName);
    return pEntry ? Bytes(pEntry->pData, pEntry->pData + pEntry->cbData) : Bytes{};
}

enum Kind { kRes, kMenu, kAccelerators, kDialog, kIconGroup, kIcon, kCursor };

// 1 when the bytes decode as that kind; 0 when refused with the output untouched,
// -1 when refused after writing to it.
int Decode(int iKind, const Bytes& b) {
    std::vector<ResourceEntry> entries(1);
    std::vector<MenuTemplateItem> items(1);
    std::vector<ACCEL> accels(1);
    std::vector<IconGroupEntry> group(1);
    DialogTemplate dialog;
    dialog.sTitle = "kept";
    CursorImage cursor;
    cursor.xHotspot = cursor.image.iWidth = -1;
    const bool bOk = iKind == kRes            ? ParseResFile(b.data(), b.size(), &entries)
                     : iKind == kMenu         ? ParseMenuTemplate(b.data(), b.size(), &items)
                     : iKind == kAccelerators ? ParseAccelerators(b.data(), b.size(), &accels)
                     : iKind == kDialog       ? ParseDialogTemplate(b.data(), b.size(), &dialog)
                     : iKind == kIconGroup    ? ParseIconGroup(b.data(), b.size(), false, &group)
                     : iKind == kIcon         ? DecodeIconImage(b.data(), b.size(), &cursor.image)
                                              : DecodeCursorImage(b.data(), b.size(), &cursor);
    bool bUntouched = entries.size() == 1 && items.size() == 1 && accels.size() == 1 && group.size() == 1 &&
                      dialog.sTitle == "kept" && cursor.xHotspot == -1 && cursor.image.iWidth == -1;
    return bOk ? 1 : bUntouched ? 0 : -1;
}

// A DIB of 4 x 2 pixels at up to 8 bits: palette indices and AND bits, top row first.
Bytes MakeDib(int iBitCount, const std::vector<uint32_t>& palette, const std::vector<uint32_t>& colours,
              const std::vector<int>& mask) {
    ByteWriter w, masks;
    w.Dword(40).Dword(4).Dword(4).Word(1).Word(iBitCount).Dword(0).Dword(0).Dword(0).Dword(0);
    w.Dword(static_cast<uint32_t>(palette.size())).Dword(0);
    for (uint32_t u : palette) w.Dword(u & 0xFFFFFF);
    for (int y = 1; y >= 0; --y) {
        uint32_t uRow = 0, uMask = 0;  // the row's bits, most significant first
        for (int x = 0; x < 4; ++x) {
            uRow = (uRow << iBitCount) | colours[y * 4 + x];
            uMask |= (mask[y * 4 + x] ? 0x80u : 0u) >> x;
        }
        for (int i = 3; i >= 0; --i) w.Byte(static_cast<unsigned>((uint64_t(uRow) << (32 - 4 * iBitCount)) >> (8 * i)));
        masks.Dword(uMask);
    }
    w.bytes.insert(w.bytes.end(), masks.bytes.begin(), masks.bytes.end());
    return w.bytes;
}

// Popups nested cPopups deep around one item, whose text takes UTF-8's every length and a lone surrogate.
const std::u16string kItemText = u"\u00E9\u20AC\U0001F600" + std::u16string(1, char16_t(0xD83D)) + u"a";
Bytes NestedMenu(int cPopups) {
    ByteWriter w;
    w.Word(0).Word(0);
    for (int i = 0; i < cPopups; ++i) w.Word(MF_POPUP | MF_END).Text(u"P");
    w.Word(MF_END).Word(1).Text(kItemText);
    return w.bytes;
}

TEST(ResourceNames, MatchWithoutRegardToCaseAndOrdinalsByNumber) {
    const std::tuple<LPCSTR, LPCSTR, bool> cases[] = {
        {RT_MENU, "vElDrAn", true}, {RT_ICON, MAKEINTRESOURCEA(2), true}, {RT_ICON, "#2", true}, {RT_MENU, "VELDRA", false},
        {RT_MENU, "VELDRANS", false}, {RT_MENU, nullptr, false}, {RT_DIALOG, "VELDRAN", false}, {RT_ICON, MAKEINTRESOURCEA(3), false},
        {RT_ICON, "2", false}, {RT_ICON, "#2x", false}, {RT_ICON, "#65538", false}, {"VELDRAN", "VELDRAN", false},
    };
    for (const auto& [lpType, lpName, bFound] : cases)
        EXPECT_EQ(FindResourceEntry(lpType, lpName) != nullptr, bFound)
            << (IS_INTRESOURCE(lpName) ? "#" + std::to_string(LOWORD(lpName)) : lpName);
}

std::vector<WORD> g_commands;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    if (uMessage == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

TEST(ProgramResources, TheClassMenuAndTheAcceleratorsReachTheWindow) {
    harness::Reset();
    HWND hwnd = OpenWindow("ResourceTest", RecordingProc, "Veldran");
    for (UINT uId : {IDM_NEW, IDM_EXIT, IDM_EDIT, IDM_HELP, IDM_ABOUT})
        EXPECT_EQ(GetMenuState(GetMenu(hwnd), uId, MF_BYCOMMAND), 0u) << uId;
    HACCEL hAccel = LoadAcceleratorsA(nullptr, "Veldran");
    const std::tuple<UINT, WPARAM, WORD> cases[] = {  // the command, 0 for none
        {WM_KEYDOWN, 'A', IDM_ABOUT}, {WM_CHAR, '?', IDM_HELP}, {WM_KEYDOWN, VK_F1, IDM_HELP}, {WM_KEYDOWN, 0x3F, 0},
        {WM_KEYDOWN, VK_OEM_2, 0},    {WM_CHAR, 'a', 0},        {WM_CHAR, 'A', 0},            {WM_KEYDOWN, 'B', 0}};
    for (const auto& [uMessage, wParam, wCommand] : cases) {
        g_commands.clear();
        MSG msg = {hwnd, uMessage, wParam, 0, 0, {}};
        EXPECT_EQ(TranslateAcceleratorA(hwnd, hAccel, &msg), wCommand ? 1 : 0) << wParam;
        EXPECT_EQ(g_commands, wCommand ? std::vector<WORD>{wCommand} : std::vector<WORD>{}) << wParam;
    }
}

// Loading again gives the same handle; each kind of handle finds only its own kind.
TEST(ProgramResources, IconsAndCursorsLoadOnceAndByKind) {
    harness::Reset();
    HICON hIcon = LoadIconA(nullptr, "Veldran");
    HCURSOR hCursor = LoadCursorA(nullptr, "veldran");
    ASSERT_NE(FindIcon(hIcon), nullptr) << "the icon";
    ASSERT_NE(FindCursor(hCursor), nullptr) << "the cursor";
    EXPECT_NE(hIcon, hCursor);
    EXPECT_EQ(LoadIconA(nullptr, "VELDRAN"), hIcon) << "loaded again";
    EXPECT_EQ(FindIcon(hCursor), &FindCursor(hCursor)->image) << "a cursor draws as an icon";
    EXPECT_EQ(FindIcon(hIcon)->iWidth, 32) << "the image closest to 32 pixels is the icon";
    EXPECT_EQ(FindIconImages(hCursor), nullptr) << "a cursor has no icon's images";
    EXPECT_EQ(FindCursor(hIcon), nullptr) << "an icon is no cursor";
}

TEST(ResourceDecoders, MenusNestSixteenDeepInUtf8AndAcceleratorsDropTheirLastMark) {
    Bytes deepest = NestedMenu(16);
    std::vector<MenuTemplateItem> items;
    ASSERT_TRUE(ParseMenuTemplate(deepest.data(), deepest.size(), &items));
    const std::vector<MenuTemplateItem>* pLevel = &items;
    for (int i = 0; i < 16; ++i, pLevel = &(*pLevel)[0].subItems) ASSERT_EQ(pLevel->size(), 1u) << i;
    EXPECT_EQ(std::tie((*pLevel)[0].wId, (*pLevel)[0].sText), std::make_tuple(WORD(1), std::string("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD" "a")));
    EXPECT_EQ(Decode(kMenu, NestedMenu(17)), 0);
    ByteWriter w;
    w.Word(FVIRTKEY).Word('A').Word(5).Word(0).Word(0x80 | FVIRTKEY | FCONTROL).Word('S').Word(6).Word(0);
    std::vector<ACCEL> accels;
    ASSERT_TRUE(ParseAccelerators(w.bytes.data(), w.bytes.size(), &accels));
    EXPECT_EQ(std::make_tuple(accels.size(), accels[1].fVirt, accels[1].key, accels[1].cmd),
              std::make_tuple(size_t(2), BYTE(FVIRTKEY | FCONTROL), WORD('S'), WORD(6)));
}

// The depths of the program's icon and cursor, one with a palette shorter than
// its indices, through the cursor reader, which puts the hot spot first.
TEST(ResourceDecoders, IconsOfTheProgramsDepthsDecode) {
    struct Case { int iBitCount; std::vector<uint32_t> palette, colours; std::vector<int> mask; std::vector<uint32_t> expected; };
    const Case cases[] = {
        {1, {0x000000, 0xFFFFFF}, {0, 1, 0, 1, 1, 1, 0, 0}, {0, 0, 1, 1, 1, 0, 1, 0},
         {kBlack, kWhite, kClear, kWhite, kWhite, kWhite, kClear, kBlack}},
        {4, {0, 0x111111, 0x222222, 0x333333, 4, 5, 6, 7, 8, 9, 10, 11, 0xCCCCCC, 0xDDDDDD},  // 14 and 15 beyond it
         {0, 1, 2, 3, 12, 13, 14, 15}, {0, 0, 0, 0, 0, 0, 0, 1}, {kBlack, 0xFF111111, 0xFF222222, 0xFF333333, 0xFFCCCCCC, 0xFFDDDDDD, kBlack, kClear}},
    };
    for (const Case& c : cases) {
        Bytes dib = MakeDib(c.iBitCount, c.palette, c.colours, c.mask);
        dib.insert(dib.begin(), {3, 0, 1, 0});
        CursorImage cursor;
        ASSERT_TRUE(DecodeCursorImage(dib.data(), dib.size(), &cursor)) << c.iBitCount;
        const IconImage& image = cursor.image;
        EXPECT_EQ(std::tie(cursor.xHotspot, cursor.yHotspot, image.iWidth, image.iHeight, image.iBitCount, image.iColors),
                  std::make_tuple(3, 1, 4, 2, c.iBitCount, static_cast<int>(c.palette.size())));
        EXPECT_EQ(std::tie(image.pixels, image.andMask), std::make_tuple(c.expected, std::vector<uint8_t>(c.mask.begin(), c.mask.end())));
    }
}

// A prefix of the image parses only where a resource, or its padding, ends;
// then it holds the resources before that point.
TEST(CorruptResources, EveryTruncationOfTheImageIsCaught) {
    Bytes image = ProgramImage();
    std::vector<ResourceEntry> full, entries;
    ASSERT_TRUE(ParseResFile(image.data(), image.size(), &full));
    std::vector<size_t> ends = {32};  // the empty first entry's
    for (const ResourceEntry& entry : full) ends.push_back(static_cast<size_t>(entry.pData - image.data()) + entry.cbData);
    for (size_t cb = 0; cb < image.size(); ++cb) {
        Bytes prefix(image.begin(), image.begin() + cb);  // its own allocation, for ASan
        size_t cComplete = 0;
        bool bOnBoundary = false;
        for (size_t k = 0; k < ends.size(); ++k) {
            if (ends[k] <= cb) cComplete = k;
            bOnBoundary |= cb >= ends[k] && cb <= (ends[k] + 3) / 4 * 4;
        }
        EXPECT_EQ(Decode(kRes, prefix), bOnBoundary ? 1 : 0) << cb;
        entries.clear();
        ParseResFile(prefix.data(), prefix.size(), &entries);
        EXPECT_EQ(entries.size(), bOnBoundary ? cComplete : 0) << cb;
    }
}

// Each decoder takes a real resource whole and refuses every proper prefix.
TEST(CorruptResources, EveryTruncationOfAResourceIsCaught) {
    const std::pair<int, Bytes> cases[] = {
        {kMenu, DataOf(RT_MENU, "VELDRAN")}, {kAccelerators, DataOf(RT_ACCELERATOR, "VELDRAN")},
        {kDialog, DataOf(RT_DIALOG, "DIALOG_1")}, {kIconGroup, DataOf(RT_GROUP_ICON, "VELDRAN")},
        {kIcon, DataOf(RT_ICON, MAKEINTRESOURCEA(1))}, {kCursor, DataOf(RT_CURSOR, MAKEINTRESOURCEA(1))}};
    for (const auto& [iKind, data] : cases) {
        ASSERT_EQ(Decode(iKind, data), 1) << iKind;
        for (size_t cb = 0; cb < data.size(); ++cb)
            EXPECT_EQ(Decode(iKind, Bytes(data.begin(), data.begin() + cb)), 0) << iKind << " cut to " << cb;
    }
}

// One field of a good resource set to a value no reader may take.
TEST(CorruptResources, BadHeadersCountsAndSizesAreRejected) {
    const Bytes image = ProgramImage();
    const Bytes dib = MakeDib(4, std::vector<uint32_t>(16, 0), std::vector<uint32_t>(8, 1), std::vector<int>(8, 0));
    const Bytes bases[] = {image, DataOf(RT_MENU, "VELDRAN"), DataOf(RT_ACCELERATOR, "VELDRAN"), DataOf(RT_DIALOG, "DIALOG_1"),
                           DataOf(RT_GROUP_ICON, "VELDRAN"), dib};
    const size_t cbAccelerators = bases[kAccelerators].size();  // its last entry VK_F1's, marked last
    ASSERT_EQ(Decode(kIcon, dib), 1);
    const uint32_t uImageSize = static_cast<uint32_t>(image.size());
    struct Case { const char* pszName; int iKind; size_t iOffset; uint32_t uValue; int cbValue; };
    const Case cases[] = {
        {"first entry has data", kRes, 0, 4, 4}, {"first header short", kRes, 4, 16, 4}, {"first is a type", kRes, 10, 1, 4},
        {"16-bit image", kRes, 0, 0x0001FFFF, 4}, {"header too small", kRes, 36, 28, 4}, {"header unaligned", kRes, 36, 34, 4},
        {"header past the end", kRes, 36, 0x7FFFFFFF, 4}, {"header size wraps", kRes, 36, 0xFFFFFFF8, 4},
        {"data past the end", kRes, 32, 0x00100000, 4}, {"data size wraps", kRes, 32, 0xFFFFFFFF, 4},
        {"data a byte too long", kRes, 32, uImageSize, 4}, {"extended menu", kMenu, 0, 1, 2},
        {"menu header too long", kMenu, 2, 0xFFFF, 2}, {"no accelerator marked last", kAccelerators, cbAccelerators - 8, FVIRTKEY, 2},
        {"too many controls", kDialog, 8, 0xFFFF, 2}, {"too many icons", kIconGroup, 4, 0xFFFF, 2}, {"no icons", kIconGroup, 4, 0, 2},
        {"group reserved", kIconGroup, 0, 1, 2}, {"cursor group", kIconGroup, 2, 2, 2},
        {"DIB header too short", kIcon, 0, 39, 4}, {"DIB header past the end", kIcon, 0, 0xFFFFFFFF, 4},
        {"no width", kIcon, 4, 0, 4}, {"too wide", kIcon, 4, 257, 4}, {"hugely wide", kIcon, 4, 0x7FFFFFFF, 4},
        {"negative width", kIcon, 4, 0xFFFFFFFC, 4}, {"no height", kIcon, 8, 0, 4}, {"odd height", kIcon, 8, 5, 4},
        {"top-down", kIcon, 8, 0xFFFFFFFC, 4}, {"too tall", kIcon, 8, 2 * 257, 4}, {"two planes", kIcon, 12, 2, 2},
        {"2 bits", kIcon, 14, 2, 2}, {"16 bits", kIcon, 14, 16, 2}, {"no bits", kIcon, 14, 0, 2},
        {"compressed", kIcon, 16, 1, 4}, {"palette too long", kIcon, 32, 17, 4}, {"huge palette", kIcon, 32, 0xFFFFFFFF, 4},
    };
    for (const Case& c : cases) {
        Bytes bad = bases[c.iKind];
        ASSERT_GE(bad.size(), c.iOffset + c.cbValue) << c.pszName;
        for (int i = 0; i < c.cbValue; ++i) bad[c.iOffset + i] = static_cast<unsigned char>(c.uValue >> (8 * i));
        EXPECT_EQ(Decode(c.iKind, bad), 0) << c.pszName;
    }
}

// A name running to its header's end is refused; a menu or text cut at the
// end of its data is every truncation of the program's menu above.
TEST(CorruptResources, AnUnendedNameIsRejected) {
    ByteWriter res;
    res.Dword(0).Dword(32).Word(0xFFFF).Word(0).Word(0xFFFF).Word(0).Dword(0).Dword(0).Dword(0).Dword(0);
    res.Dword(0).Dword(32);
    for (int i = 0; i < 12; ++i) res.Word('A');
    res.Dword(0).Dword(0).Dword(0);
    EXPECT_EQ(Decode(kRes, res.bytes), 0) << "the type runs to the header's end";
}

}  // namespace
