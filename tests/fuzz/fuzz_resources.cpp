// Fuzz target: any bytes as a compiled .res image. The image is split into
// its resources and each is decoded by the parser of its type; the whole
// input also goes through every parser on its own, as a resource's data.
// Whatever the bytes, a parser answers true or false and reads nothing
// outside them; a resource found lies wholly inside the image.
#include "resources.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

void Fail(const char* pszWhat) {
    std::fprintf(stderr, "orvanta fuzz: %s\n", pszWhat);
    std::abort();
}

void DecodeAs(WORD wType, const unsigned char* pData, size_t cbData) {
    std::vector<platform::MenuTemplateItem> menu;
    std::vector<ACCEL> accels;
    platform::DialogTemplate dialog;
    std::vector<platform::IconGroupEntry> group;
    platform::IconImage icon;
    platform::CursorImage cursor;
    switch (wType) {
    case 1: platform::DecodeCursorImage(pData, cbData, &cursor); break;
    case 3:
        if (platform::DecodeIconImage(pData, cbData, &icon) &&
            icon.pixels.size() != static_cast<size_t>(icon.iWidth) * icon.iHeight)
            Fail("a decoded icon's pixels do not fill it");
        break;
    case 4: platform::ParseMenuTemplate(pData, cbData, &menu); break;
    case 5: platform::ParseDialogTemplate(pData, cbData, &dialog); break;
    case 9: platform::ParseAccelerators(pData, cbData, &accels); break;
    case 12: platform::ParseIconGroup(pData, cbData, true, &group); break;
    case 14: platform::ParseIconGroup(pData, cbData, false, &group); break;
    default: break;
    }
}

// Copies the data so that a read past the resource, not only past the image, is caught.
void DecodeCopy(WORD wType, const unsigned char* pData, size_t cbData) {
    std::vector<unsigned char> copy(pData, pData + cbData);
    DecodeAs(wType, copy.data(), copy.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    std::vector<platform::ResourceEntry> entries;
    if (platform::ParseResFile(pData, cbData, &entries)) {
        for (const platform::ResourceEntry& entry : entries) {
            if (entry.cbData > cbData || entry.pData < pData || entry.pData + entry.cbData > pData + cbData)
                Fail("a resource lies outside the image");
            if (entry.type.bIsOrdinal) DecodeCopy(entry.type.wOrdinal, entry.pData, entry.cbData);
        }
    }
    for (WORD wType : {1, 3, 4, 5, 9, 12, 14}) DecodeCopy(wType, pData, cbData);
    return 0;
}
