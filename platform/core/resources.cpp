// The resource reader: parses the registered .res image field by field with
// bounds checks, decodes its menus, accelerators, dialogs, icons and cursors,
// and gives them to the program through LoadMenuA, LoadIconA and the others.
#include "resources.h"

#include "core.h"

#include <cstdlib>
#include <deque>
#include <memory>
#include <utility>

namespace platform {

namespace {

constexpr WORD kOrdinalMarker = 0xFFFF;
constexpr DWORD kMinEntryHeaderSize = 32;
constexpr BYTE kLastAcceleratorFlag = 0x80;
constexpr WORD kExtendedDialogVersion = 1;
constexpr WORD kIconGroupType = 1;
constexpr WORD kCursorGroupType = 2;
constexpr DWORD kBitmapInfoHeaderSize = 40;
constexpr DWORD kUncompressed = 0;  // BI_RGB
constexpr int kMaxIconSide = 256;
constexpr int kPreferredIconSide = 32;
constexpr DWORD kMaxPaletteEntries = 256;
constexpr uint32_t kOpaque = 0xFF000000;
constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uintptr_t kImageTag = 0xD;  // the core's own tables use even tags
constexpr uint32_t kReplacementCharacter = 0xFFFD;
constexpr size_t kEntrySizesSize = 8;         // DataSize and HeaderSize, read first
constexpr size_t kDialogSignatureSize = 4;    // dlgVer and signature of an extended template
constexpr size_t kDibImageSizeAndResolution = 12;  // biSizeImage, biXPelsPerMeter, biYPelsPerMeter
constexpr size_t kDibImportantColors = 4;     // biClrImportant

// Appends one code point as UTF-8.
void AppendUtf8(std::string& sOut, uint32_t uCode) {
    if (uCode < 0x80) {
        sOut += static_cast<char>(uCode);
    } else if (uCode < 0x800) {
        sOut += static_cast<char>(0xC0 | (uCode >> 6));
        sOut += static_cast<char>(0x80 | (uCode & 0x3F));
    } else if (uCode < 0x10000) {
        sOut += static_cast<char>(0xE0 | (uCode >> 12));
        sOut += static_cast<char>(0x80 | ((uCode >> 6) & 0x3F));
        sOut += static_cast<char>(0x80 | (uCode & 0x3F));
    } else {
        sOut += static_cast<char>(0xF0 | (uCode >> 18));
        sOut += static_cast<char>(0x80 | ((uCode >> 12) & 0x3F));
        sOut += static_cast<char>(0x80 | ((uCode >> 6) & 0x3F));
        sOut += static_cast<char>(0x80 | (uCode & 0x3F));
    }
}

bool IsHighSurrogate(WORD w) { return w >= 0xD800 && w <= 0xDBFF; }
bool IsLowSurrogate(WORD w) { return w >= 0xDC00 && w <= 0xDFFF; }

// Decodes UTF-16 one unit at a time; an unpaired surrogate becomes U+FFFD.
void AppendUtf16Unit(std::string& sOut, WORD wUnit, WORD& wPendingHigh) {
    if (wPendingHigh && IsLowSurrogate(wUnit)) {
        AppendUtf8(sOut, 0x10000 + ((wPendingHigh - 0xD800u) << 10) + (wUnit - 0xDC00u));
        wPendingHigh = 0;
        return;
    }
    if (wPendingHigh) AppendUtf8(sOut, kReplacementCharacter);
    wPendingHigh = 0;
    if (IsHighSurrogate(wUnit))
        wPendingHigh = wUnit;
    else
        AppendUtf8(sOut, IsLowSurrogate(wUnit) ? kReplacementCharacter : wUnit);
}

// Reads little-endian fields from a byte range. Every read checks the bounds;
// after one failed read the reader stays failed. Alignment is counted from the
// start of the range.
class ByteReader {
public:
    ByteReader(const unsigned char* pBytes, size_t cbBytes) : pBytes_(pBytes), cbBytes_(cbBytes) {}

    size_t Offset() const { return iOffset_; }
    size_t Remaining() const { return bOk_ ? cbBytes_ - iOffset_ : 0; }
    const unsigned char* Here() const { return pBytes_ + iOffset_; }

    bool Skip(size_t cb) {
        if (!Need(cb)) return false;
        iOffset_ += cb;
        return true;
    }
    bool AlignTo4() { return Skip((4 - iOffset_ % 4) % 4); }
    bool Byte(BYTE* pValue) {
        if (!Need(1)) return false;
        *pValue = pBytes_[iOffset_++];
        return true;
    }
    bool Word(WORD* pValue) {
        if (!Need(2)) return false;
        *pValue = static_cast<WORD>(pBytes_[iOffset_] | (pBytes_[iOffset_ + 1] << 8));
        iOffset_ += 2;
        return true;
    }
    bool Dword(DWORD* pValue) {
        WORD wLow = 0;
        WORD wHigh = 0;
        if (!Word(&wLow) || !Word(&wHigh)) return false;
        *pValue = wLow | (static_cast<DWORD>(wHigh) << 16);
        return true;
    }
    bool Short(short* pValue) {
        WORD w = 0;
        if (!Word(&w)) return false;
        *pValue = static_cast<short>(w);
        return true;
    }
    // A NUL-terminated UTF-16 string, as UTF-8.
    bool Text(std::string* pText) {
        std::string sText;
        WORD wPendingHigh = 0;
        WORD wUnit = 0;
        while (Word(&wUnit) && wUnit != 0) AppendUtf16Unit(sText, wUnit, wPendingHigh);
        if (!bOk_) return false;
        if (wPendingHigh) AppendUtf8(sText, kReplacementCharacter);
        *pText = std::move(sText);
        return true;
    }
    // 0xFFFF and an ordinal, 0 for none, or a string.
    bool Name(NameOrOrdinal* pName) {
        WORD wFirst = 0;
        if (!Word(&wFirst)) return false;
        *pName = NameOrOrdinal{};
        if (wFirst == kOrdinalMarker) {
            pName->bIsOrdinal = true;
            return Word(&pName->wOrdinal);
        }
        if (wFirst == 0) return true;
        iOffset_ -= 2;
        return Text(&pName->sName);
    }

private:
    bool Need(size_t cb) {
        if (bOk_ && cb <= cbBytes_ - iOffset_) return true;
        bOk_ = false;
        return false;
    }

    const unsigned char* pBytes_;
    size_t cbBytes_;
    size_t iOffset_ = 0;
    bool bOk_ = true;
};

// ---- The .res image.

bool ReadEntryHeader(ByteReader& header, ResourceEntry* pEntry) {
    return header.Skip(kEntrySizesSize) && header.Name(&pEntry->type) && header.Name(&pEntry->name) &&
           header.AlignTo4() && header.Dword(&pEntry->dwDataVersion) &&
           header.Word(&pEntry->wMemoryFlags) && header.Word(&pEntry->wLanguage) &&
           header.Dword(&pEntry->dwVersion) && header.Dword(&pEntry->dwCharacteristics);
}

// One entry at the reader's offset; on success the reader stands after its data.
bool ReadEntry(ByteReader& file, ResourceEntry* pEntry) {
    const unsigned char* pStart = file.Here();
    size_t cbAvailable = file.Remaining();
    DWORD cbData = 0;
    DWORD cbHeader = 0;
    if (!file.Dword(&cbData) || !file.Dword(&cbHeader)) return false;
    if (cbHeader < kMinEntryHeaderSize || cbHeader % 4 != 0 || cbHeader > cbAvailable) return false;
    ByteReader header(pStart, cbHeader);
    if (!ReadEntryHeader(header, pEntry) || !file.Skip(cbHeader - kEntrySizesSize)) return false;
    pEntry->pData = file.Here();
    pEntry->cbData = cbData;
    return file.Skip(cbData);
}

bool IsEmptyFirstEntry(const ResourceEntry& entry) {
    return entry.cbData == 0 && entry.type.bIsOrdinal && entry.type.wOrdinal == 0 &&
           entry.name.bIsOrdinal && entry.name.wOrdinal == 0;
}

// Steps over the padding before the next entry; false at the end of the image,
// whose last padding may be missing.
bool NextEntryFollows(ByteReader& file) {
    size_t cbPadding = (4 - file.Offset() % 4) % 4;
    if (file.Remaining() <= cbPadding) return false;
    return file.Skip(cbPadding);
}

// ---- Names.

char UpperAscii(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

bool SameTextIgnoringCase(const std::string& sStored, LPCSTR lpszWanted) {
    size_t i = 0;
    for (; i < sStored.size(); ++i)
        if (lpszWanted[i] == '\0' || UpperAscii(sStored[i]) != UpperAscii(lpszWanted[i])) return false;
    return lpszWanted[i] == '\0';
}

// "#123" names the ordinal 123.
bool OrdinalFromText(LPCSTR lpszName, WORD* pwOrdinal) {
    if (lpszName[0] != '#' || lpszName[1] == '\0') return false;
    DWORD dwValue = 0;
    for (LPCSTR p = lpszName + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        dwValue = dwValue * 10 + static_cast<DWORD>(*p - '0');
        if (dwValue > 0xFFFF) return false;
    }
    *pwOrdinal = static_cast<WORD>(dwValue);
    return true;
}

// ---- Menus.

bool ReadMenuItems(ByteReader& reader, int iDepth, std::vector<MenuTemplateItem>* pItems) {
    if (iDepth > kMaxMenuDepth) return false;
    for (;;) {
        MenuTemplateItem item;
        if (!reader.Word(&item.wFlags)) return false;
        bool bPopup = (item.wFlags & MF_POPUP) != 0;
        if (!bPopup && !reader.Word(&item.wId)) return false;
        if (!reader.Text(&item.sText)) return false;
        if (bPopup && !ReadMenuItems(reader, iDepth + 1, &item.subItems)) return false;
        bool bLast = (item.wFlags & MF_END) != 0;
        pItems->push_back(std::move(item));
        if (bLast) return true;
    }
}

bool IsSeparator(const MenuTemplateItem& item) {
    return (item.wFlags & MF_SEPARATOR) || (item.wId == 0 && item.sText.empty());
}

HMENU BuildMenu(const std::vector<MenuTemplateItem>& items);

Menu::Item MenuItemFrom(const MenuTemplateItem& source) {
    Menu::Item item;
    item.uFlags = source.wFlags & ~static_cast<UINT>(MF_END);
    item.sText = source.sText;
    if (source.wFlags & MF_POPUP)
        item.hSubMenu = BuildMenu(source.subItems);
    else if (IsSeparator(source))
        item.uFlags |= MF_SEPARATOR;
    else
        item.uId = source.wId;
    return item;
}

HMENU BuildMenu(const std::vector<MenuTemplateItem>& items) {
    Menu menu;
    for (const MenuTemplateItem& source : items) menu.items.push_back(MenuItemFrom(source));
    return NewMenu(std::move(menu));
}

// ---- Dialogs.

struct PredefinedClass {
    WORD wAtom;
    const char* pszName;
};

constexpr PredefinedClass kPredefinedClasses[] = {
    {kButtonAtom, "BUTTON"},       {kEditAtom, "EDIT"},         {kStaticAtom, "STATIC"},
    {kListBoxAtom, "LISTBOX"}, {kScrollBarAtom, "SCROLLBAR"}, {kComboBoxAtom, "COMBOBOX"},
};

void SetItemClass(const NameOrOrdinal& stored, DialogItemTemplate* pItem) {
    for (const PredefinedClass& cls : kPredefinedClasses) {
        bool bSame = stored.bIsOrdinal ? stored.wOrdinal == cls.wAtom
                                       : SameTextIgnoringCase(stored.sName, cls.pszName);
        if (bSame) {
            pItem->wClassAtom = cls.wAtom;
            pItem->sClass = cls.pszName;
            return;
        }
    }
    pItem->sClass = stored.bIsOrdinal ? "#" + std::to_string(stored.wOrdinal) : stored.sName;
}

template <typename T>
bool ReadPlacement(ByteReader& reader, T* pTarget) {
    return reader.Short(&pTarget->x) && reader.Short(&pTarget->y) && reader.Short(&pTarget->cx) &&
           reader.Short(&pTarget->cy);
}

bool IsExtendedDialog(const unsigned char* pData, size_t cbData) {
    ByteReader reader(pData, cbData);
    WORD wVersion = 0;
    WORD wSignature = 0;
    return reader.Word(&wVersion) && reader.Word(&wSignature) &&
           wVersion == kExtendedDialogVersion && wSignature == kOrdinalMarker;
}

bool ReadDialogHeader(ByteReader& reader, DialogTemplate* pDialog, WORD* pcItems) {
    if (pDialog->bExtended)
        return reader.Skip(kDialogSignatureSize) && reader.Dword(&pDialog->dwHelpId) &&
               reader.Dword(&pDialog->dwExStyle) && reader.Dword(&pDialog->dwStyle) &&
               reader.Word(pcItems) && ReadPlacement(reader, pDialog);
    return reader.Dword(&pDialog->dwStyle) && reader.Dword(&pDialog->dwExStyle) &&
           reader.Word(pcItems) && ReadPlacement(reader, pDialog);
}

bool ReadDialogFont(ByteReader& reader, DialogTemplate* pDialog) {
    if (!(pDialog->dwStyle & DS_SETFONT)) return true;
    if (!reader.Word(&pDialog->wPointSize)) return false;
    if (pDialog->bExtended && !(reader.Word(&pDialog->wWeight) && reader.Byte(&pDialog->bItalic) &&
                                reader.Byte(&pDialog->bCharSet)))
        return false;
    return reader.Text(&pDialog->sFont);
}

bool ReadItemFixedPart(ByteReader& reader, bool bExtended, DialogItemTemplate* pItem) {
    if (bExtended)
        return reader.Dword(&pItem->dwHelpId) && reader.Dword(&pItem->dwExStyle) &&
               reader.Dword(&pItem->dwStyle) && ReadPlacement(reader, pItem) &&
               reader.Dword(&pItem->dwId);
    WORD wId = 0;
    bool bOk = reader.Dword(&pItem->dwStyle) && reader.Dword(&pItem->dwExStyle) &&
               ReadPlacement(reader, pItem) && reader.Word(&wId);
    pItem->dwId = wId;
    return bOk;
}

bool ReadDialogItem(ByteReader& reader, bool bExtended, DialogItemTemplate* pItem) {
    NameOrOrdinal storedClass;
    WORD cbExtra = 0;
    if (!reader.AlignTo4() || !ReadItemFixedPart(reader, bExtended, pItem) ||
        !reader.Name(&storedClass) || !reader.Name(&pItem->text) || !reader.Word(&cbExtra))
        return false;
    SetItemClass(storedClass, pItem);
    const unsigned char* pExtra = reader.Here();
    if (!reader.Skip(cbExtra)) return false;
    pItem->creationData.assign(pExtra, pExtra + cbExtra);
    return true;
}

// ---- Icons and cursors.

struct DibLayout {
    int iWidth = 0;
    int iHeight = 0;
    int iBitCount = 0;
    std::vector<uint32_t> palette;  // opaque 0xFFRRGGBB
    const unsigned char* pColorBits = nullptr;
    const unsigned char* pMaskBits = nullptr;
    size_t cbColorStride = 0;
    size_t cbMaskStride = 0;
};

bool IsSupportedBitCount(WORD wBitCount) {
    return wBitCount == 1 || wBitCount == 4 || wBitCount == 8 || wBitCount == 24 ||
           wBitCount == 32;
}

size_t StrideOf(int iWidth, int iBitCount) {
    return (static_cast<size_t>(iWidth) * iBitCount + 31) / 32 * 4;
}

// BITMAPINFOHEADER of an icon: width, twice the height, one plane, no compression.
bool ReadDibHeader(ByteReader& reader, DibLayout* pDib, DWORD* pcColors) {
    DWORD cbHeader = 0, dwWidth = 0, dwHeight = 0, dwCompression = 0, cUsed = 0;
    WORD wPlanes = 0, wBitCount = 0;
    if (!(reader.Dword(&cbHeader) && reader.Dword(&dwWidth) && reader.Dword(&dwHeight) &&
          reader.Word(&wPlanes) && reader.Word(&wBitCount) && reader.Dword(&dwCompression) &&
          reader.Skip(kDibImageSizeAndResolution) && reader.Dword(&cUsed) &&
          reader.Skip(kDibImportantColors)))
        return false;
    int32_t iWidth = static_cast<int32_t>(dwWidth);
    int32_t iDoubleHeight = static_cast<int32_t>(dwHeight);
    if (cbHeader < kBitmapInfoHeaderSize || iWidth < 1 || iWidth > kMaxIconSide ||
        iDoubleHeight < 2 || iDoubleHeight > 2 * kMaxIconSide || iDoubleHeight % 2 != 0 ||
        wPlanes != 1 || dwCompression != kUncompressed || !IsSupportedBitCount(wBitCount))
        return false;
    DWORD cMax = wBitCount <= 8 ? 1u << wBitCount : kMaxPaletteEntries;
    if (cUsed > cMax) return false;
    *pcColors = wBitCount <= 8 && cUsed == 0 ? cMax : cUsed;
    pDib->iWidth = iWidth;
    pDib->iHeight = iDoubleHeight / 2;
    pDib->iBitCount = wBitCount;
    return reader.Skip(cbHeader - kBitmapInfoHeaderSize);
}

bool ReadPalette(ByteReader& reader, DWORD cColors, DibLayout* pDib) {
    for (DWORD i = 0; i < cColors; ++i) {
        BYTE bBlue = 0, bGreen = 0, bRed = 0, bReserved = 0;
        if (!(reader.Byte(&bBlue) && reader.Byte(&bGreen) && reader.Byte(&bRed) &&
              reader.Byte(&bReserved)))
            return false;
        if (pDib->iBitCount <= 8)
            pDib->palette.push_back(kOpaque | (bRed << 16) | (bGreen << 8) | bBlue);
    }
    return true;
}

bool ReadDib(const unsigned char* pData, size_t cbData, DibLayout* pDib) {
    ByteReader reader(pData, cbData);
    DWORD cColors = 0;
    if (!ReadDibHeader(reader, pDib, &cColors) || !ReadPalette(reader, cColors, pDib))
        return false;
    pDib->cbColorStride = StrideOf(pDib->iWidth, pDib->iBitCount);
    pDib->cbMaskStride = StrideOf(pDib->iWidth, 1);
    pDib->pColorBits = reader.Here();
    if (!reader.Skip(pDib->cbColorStride * pDib->iHeight)) return false;
    pDib->pMaskBits = reader.Here();
    return reader.Skip(pDib->cbMaskStride * pDib->iHeight);
}

// The colour of a pixel of the colour bitmap, alpha kept for 32 bits per pixel;
// an index beyond the palette is black.
uint32_t ColorAt(const DibLayout& dib, int x, int y) {
    const unsigned char* pRow = dib.pColorBits + dib.cbColorStride * (dib.iHeight - 1 - y);
    size_t iIndex = 0;
    switch (dib.iBitCount) {
        case 1: iIndex = (pRow[x / 8] >> (7 - x % 8)) & 0x1; break;
        case 4: iIndex = (pRow[x / 2] >> (x % 2 ? 0 : 4)) & 0xF; break;
        case 8: iIndex = pRow[x]; break;
        case 24:
            return kOpaque | (pRow[3 * x + 2] << 16) | (pRow[3 * x + 1] << 8) | pRow[3 * x];
        default:
            return (static_cast<uint32_t>(pRow[4 * x + 3]) << 24) | (pRow[4 * x + 2] << 16) |
                   (pRow[4 * x + 1] << 8) | pRow[4 * x];
    }
    return iIndex < dib.palette.size() ? dib.palette[iIndex] : kOpaque;
}

bool MaskAt(const DibLayout& dib, int x, int y) {
    const unsigned char* pRow = dib.pMaskBits + dib.cbMaskStride * (dib.iHeight - 1 - y);
    return (pRow[x / 8] >> (7 - x % 8)) & 0x1;
}

// 32-bit pictures that carry alpha use it; the others take it from the AND mask.
bool HasAlpha(const DibLayout& dib) {
    if (dib.iBitCount != 32) return false;
    for (int y = 0; y < dib.iHeight; ++y)
        for (int x = 0; x < dib.iWidth; ++x)
            if (ColorAt(dib, x, y) >> 24) return true;
    return false;
}

void ComposeImage(const DibLayout& dib, IconImage* pImage) {
    bool bAlpha = HasAlpha(dib);
    for (int y = 0; y < dib.iHeight; ++y) {
        for (int x = 0; x < dib.iWidth; ++x) {
            uint32_t uColor = ColorAt(dib, x, y);
            uint32_t uRgb = uColor & kRgbMask;
            bool bKeepsScreen = MaskAt(dib, x, y);
            pImage->andMask.push_back(bKeepsScreen ? 1 : 0);
            pImage->xorMask.push_back(uRgb ? 1 : 0);
            if (bAlpha)
                pImage->pixels.push_back(uColor);
            else
                pImage->pixels.push_back(bKeepsScreen && !uRgb ? 0 : kOpaque | uRgb);
        }
    }
}

bool ReadGroupEntry(ByteReader& reader, bool bCursor, IconGroupEntry* pEntry) {
    WORD wPlanes = 0, wBitCount = 0;
    bool bOk = false;
    if (bCursor) {
        WORD wWidth = 0, wHeight = 0;
        bOk = reader.Word(&wWidth) && reader.Word(&wHeight);
        pEntry->iWidth = wWidth;
        pEntry->iHeight = wHeight;
    } else {
        BYTE bWidth = 0, bHeight = 0, bColors = 0, bReserved = 0;
        bOk = reader.Byte(&bWidth) && reader.Byte(&bHeight) && reader.Byte(&bColors) &&
              reader.Byte(&bReserved);
        pEntry->iWidth = bWidth ? bWidth : kMaxIconSide;
        pEntry->iHeight = bHeight ? bHeight : kMaxIconSide;
        pEntry->iColorCount = bColors;
    }
    bOk = bOk && reader.Word(&wPlanes) && reader.Word(&wBitCount) &&
          reader.Dword(&pEntry->cbBytes) && reader.Word(&pEntry->wId);
    pEntry->iPlanes = wPlanes;
    pEntry->iBitCount = wBitCount;
    return bOk;
}

int DistanceFromPreferred(int iWidth) { return std::abs(iWidth - kPreferredIconSide); }

// The image closest to 32 pixels wide; of equals, the one with more colours.
template <typename T, typename Width, typename Bits>
size_t PreferredIndex(const std::vector<T>& images, Width width, Bits bits) {
    size_t iBest = 0;
    for (size_t i = 1; i < images.size(); ++i) {
        int iDistance = DistanceFromPreferred(width(images[i]));
        int iBestDistance = DistanceFromPreferred(width(images[iBest]));
        if (iDistance < iBestDistance ||
            (iDistance == iBestDistance && bits(images[i]) > bits(images[iBest])))
            iBest = i;
    }
    return iBest;
}

// ---- The registry of the program's resources and of the images it has loaded.

struct LoadedImage {
    bool bCursor = false;
    std::vector<IconImage> icons;
    size_t iPrimary = 0;
    CursorImage cursor;
};

struct Registry {
    std::vector<ResourceImage> sources;
    std::deque<ResourceEntry> entries;  // a deque keeps entries in place as more arrive
    HandleTable<LoadedImage> images{kImageTag};
    std::vector<std::pair<const ResourceEntry*, uintptr_t>> loaded;  // group -> handle
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

bool LoadIconGroup(const ResourceEntry& group, LoadedImage* pLoaded) {
    std::vector<IconGroupEntry> entries;
    if (!ParseIconGroup(group.pData, group.cbData, false, &entries)) return false;
    for (const IconGroupEntry& entry : entries) {
        const ResourceEntry* pIcon = FindResourceEntry(RT_ICON, MAKEINTRESOURCEA(entry.wId));
        IconImage image;
        if (pIcon && DecodeIconImage(pIcon->pData, pIcon->cbData, &image))
            pLoaded->icons.push_back(std::move(image));
    }
    if (pLoaded->icons.empty()) return false;
    pLoaded->iPrimary = PreferredIndex(
        pLoaded->icons, [](const IconImage& i) { return i.iWidth; },
        [](const IconImage& i) { return i.iBitCount; });
    return true;
}

bool LoadCursorGroup(const ResourceEntry& group, LoadedImage* pLoaded) {
    std::vector<IconGroupEntry> entries;
    if (!ParseIconGroup(group.pData, group.cbData, true, &entries)) return false;
    const IconGroupEntry& chosen = entries[PreferredIndex(
        entries, [](const IconGroupEntry& e) { return e.iWidth; },
        [](const IconGroupEntry& e) { return e.iBitCount; })];
    const ResourceEntry* pCursor = FindResourceEntry(RT_CURSOR, MAKEINTRESOURCEA(chosen.wId));
    pLoaded->bCursor = true;
    return pCursor && DecodeCursorImage(pCursor->pData, pCursor->cbData, &pLoaded->cursor);
}

// Win32 shares the icons and cursors of a module: loading one again gives the same handle.
uintptr_t LoadImageHandle(LPCSTR lpName, bool bCursor) {
    const ResourceEntry* pGroup = FindResourceEntry(bCursor ? RT_GROUP_CURSOR : RT_GROUP_ICON, lpName);
    if (!pGroup) return 0;
    Registry& registry = TheRegistry();
    for (const auto& [pEntry, uHandle] : registry.loaded)
        if (pEntry == pGroup) return uHandle;
    auto pLoaded = std::make_unique<LoadedImage>();
    bool bOk = bCursor ? LoadCursorGroup(*pGroup, pLoaded.get()) : LoadIconGroup(*pGroup, pLoaded.get());
    if (!bOk) return 0;
    uintptr_t uHandle = registry.images.Add(std::move(pLoaded));
    registry.loaded.emplace_back(pGroup, uHandle);
    return uHandle;
}

const LoadedImage* FindLoadedImage(HICON hIcon) {
    return TheRegistry().images.Find(reinterpret_cast<uintptr_t>(hIcon));
}

}  // namespace

void RegisterResources(const unsigned char* pBytes, size_t cbBytes) {
    std::vector<ResourceEntry> entries;
    if (!ParseResFile(pBytes, cbBytes, &entries)) return;
    Registry& registry = TheRegistry();
    registry.sources.push_back({pBytes, cbBytes});
    for (ResourceEntry& entry : entries) registry.entries.push_back(std::move(entry));
}

const std::vector<ResourceImage>& RegisteredResourceImages() { return TheRegistry().sources; }

bool ParseResFile(const unsigned char* pBytes, size_t cbBytes, std::vector<ResourceEntry>* pEntries) {
    if (!pBytes || !pEntries) return false;
    ByteReader file(pBytes, cbBytes);
    ResourceEntry first;
    if (!ReadEntry(file, &first) || !IsEmptyFirstEntry(first)) return false;
    std::vector<ResourceEntry> entries;
    while (NextEntryFollows(file)) {
        ResourceEntry entry;
        if (!ReadEntry(file, &entry)) return false;
        entries.push_back(std::move(entry));
    }
    *pEntries = std::move(entries);
    return true;
}

bool MatchesResourceId(const NameOrOrdinal& id, LPCSTR lpId) {
    if (!lpId) return false;
    if (IS_INTRESOURCE(lpId)) return id.bIsOrdinal && id.wOrdinal == LOWORD(lpId);
    WORD wOrdinal = 0;
    if (OrdinalFromText(lpId, &wOrdinal)) return id.bIsOrdinal && id.wOrdinal == wOrdinal;
    return !id.bIsOrdinal && SameTextIgnoringCase(id.sName, lpId);
}

const ResourceEntry* FindResourceEntry(LPCSTR lpType, LPCSTR lpName) {
    if (!lpType || !lpName) return nullptr;
    for (const ResourceEntry& entry : TheRegistry().entries)
        if (MatchesResourceId(entry.type, lpType) && MatchesResourceId(entry.name, lpName))
            return &entry;
    return nullptr;
}

bool ParseMenuTemplate(const unsigned char* pData, size_t cbData,
                       std::vector<MenuTemplateItem>* pItems) {
    if (!pData || !pItems) return false;
    ByteReader reader(pData, cbData);
    WORD wVersion = 0;
    WORD cbHeader = 0;
    if (!reader.Word(&wVersion) || !reader.Word(&cbHeader) || wVersion != 0 ||
        !reader.Skip(cbHeader))
        return false;
    std::vector<MenuTemplateItem> items;
    if (!ReadMenuItems(reader, 0, &items)) return false;
    *pItems = std::move(items);
    return true;
}

bool ParseAccelerators(const unsigned char* pData, size_t cbData, std::vector<ACCEL>* pAccels) {
    if (!pData || !pAccels) return false;
    ByteReader reader(pData, cbData);
    std::vector<ACCEL> accels;
    for (;;) {
        WORD wFlags = 0, wKey = 0, wCmd = 0, wPadding = 0;
        if (!(reader.Word(&wFlags) && reader.Word(&wKey) && reader.Word(&wCmd) &&
              reader.Word(&wPadding)))
            return false;
        accels.push_back({static_cast<BYTE>(wFlags & ~kLastAcceleratorFlag & 0xFF), wKey, wCmd});
        if (wFlags & kLastAcceleratorFlag) break;
    }
    *pAccels = std::move(accels);
    return true;
}

bool ParseDialogTemplate(const unsigned char* pData, size_t cbData, DialogTemplate* pOut) {
    if (!pData || !pOut) return false;
    ByteReader reader(pData, cbData);
    DialogTemplate dialog;
    dialog.bExtended = IsExtendedDialog(pData, cbData);
    WORD cItems = 0;
    if (!ReadDialogHeader(reader, &dialog, &cItems) || !reader.Name(&dialog.menu) ||
        !reader.Name(&dialog.windowClass) || !reader.Text(&dialog.sTitle) ||
        !ReadDialogFont(reader, &dialog))
        return false;
    for (WORD i = 0; i < cItems; ++i) {
        DialogItemTemplate item;
        if (!ReadDialogItem(reader, dialog.bExtended, &item)) return false;
        dialog.items.push_back(std::move(item));
    }
    *pOut = std::move(dialog);
    return true;
}

bool FindDialogTemplate(LPCSTR lpName, DialogTemplate* pOut) {
    const ResourceEntry* pEntry = FindResourceEntry(RT_DIALOG, lpName);
    return pEntry && ParseDialogTemplate(pEntry->pData, pEntry->cbData, pOut);
}

bool ParseIconGroup(const unsigned char* pData, size_t cbData, bool bCursor,
                    std::vector<IconGroupEntry>* pEntries) {
    if (!pData || !pEntries) return false;
    ByteReader reader(pData, cbData);
    WORD wReserved = 0, wType = 0, cEntries = 0;
    if (!reader.Word(&wReserved) || !reader.Word(&wType) || !reader.Word(&cEntries) ||
        wReserved != 0 || wType != (bCursor ? kCursorGroupType : kIconGroupType) || cEntries == 0)
        return false;
    std::vector<IconGroupEntry> entries;
    for (WORD i = 0; i < cEntries; ++i) {
        IconGroupEntry entry;
        if (!ReadGroupEntry(reader, bCursor, &entry)) return false;
        entries.push_back(entry);
    }
    *pEntries = std::move(entries);
    return true;
}

bool DecodeIconImage(const unsigned char* pData, size_t cbData, IconImage* pImage) {
    if (!pData || !pImage) return false;
    DibLayout dib;
    if (!ReadDib(pData, cbData, &dib)) return false;
    IconImage image;
    image.iWidth = dib.iWidth;
    image.iHeight = dib.iHeight;
    image.iBitCount = dib.iBitCount;
    image.iColors = static_cast<int>(dib.palette.size());
    ComposeImage(dib, &image);
    *pImage = std::move(image);
    return true;
}

bool DecodeCursorImage(const unsigned char* pData, size_t cbData, CursorImage* pCursor) {
    if (!pData || !pCursor) return false;
    ByteReader reader(pData, cbData);
    WORD wHotspotX = 0, wHotspotY = 0;
    CursorImage cursor;
    if (!reader.Word(&wHotspotX) || !reader.Word(&wHotspotY) ||
        !DecodeIconImage(reader.Here(), reader.Remaining(), &cursor.image))
        return false;
    cursor.xHotspot = wHotspotX;
    cursor.yHotspot = wHotspotY;
    *pCursor = std::move(cursor);
    return true;
}

const IconImage* FindIcon(HICON hIcon) {
    const LoadedImage* pLoaded = FindLoadedImage(hIcon);
    if (!pLoaded) return nullptr;
    return pLoaded->bCursor ? &pLoaded->cursor.image : &pLoaded->icons[pLoaded->iPrimary];
}

const std::vector<IconImage>* FindIconImages(HICON hIcon) {
    const LoadedImage* pLoaded = FindLoadedImage(hIcon);
    return pLoaded && !pLoaded->bCursor ? &pLoaded->icons : nullptr;
}

const CursorImage* FindCursor(HCURSOR hCursor) {
    const LoadedImage* pLoaded = FindLoadedImage(hCursor);
    return pLoaded && pLoaded->bCursor ? &pLoaded->cursor : nullptr;
}

}  // namespace platform

using namespace platform;

HMENU WINAPI LoadMenuA(HINSTANCE, LPCSTR lpMenuName) {
    const ResourceEntry* pEntry = FindResourceEntry(RT_MENU, lpMenuName);
    std::vector<MenuTemplateItem> items;
    if (!pEntry || !ParseMenuTemplate(pEntry->pData, pEntry->cbData, &items)) return nullptr;
    return BuildMenu(items);
}

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE, LPCSTR lpTableName) {
    const ResourceEntry* pEntry = FindResourceEntry(RT_ACCELERATOR, lpTableName);
    std::vector<ACCEL> accels;
    if (!pEntry || !ParseAccelerators(pEntry->pData, pEntry->cbData, &accels)) return nullptr;
    return CreateAcceleratorTableA(accels.data(), static_cast<int>(accels.size()));
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR lpIconName) {
    return reinterpret_cast<HICON>(LoadImageHandle(lpIconName, false));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR lpCursorName) {
    return reinterpret_cast<HCURSOR>(LoadImageHandle(lpCursorName, true));
}
