// Fuzz target: any bytes as a compiled .res image. The image is split into its
// resources and each is decoded by the reader of its type; the whole input also
// goes through every reader on its own. Whatever the bytes, a reader answers
// true or false and reads nothing outside them; a resource lies inside the image.
#include "fuzz_program.h"
#include "resources.h"

namespace {

// Decodes a copy, so that a read past the resource, not only past the image, is caught.
void DecodeAs(WORD wType, const unsigned char* pData, size_t cbData) {
    const std::vector<unsigned char> copy(pData, pData + cbData);
    std::vector<platform::MenuTemplateItem> menu;
    std::vector<ACCEL> accels;
    platform::DialogTemplate dialog;
    std::vector<platform::IconGroupEntry> group;
    platform::CursorImage cursor;
    switch (wType) {
    case 1: platform::DecodeCursorImage(copy.data(), copy.size(), &cursor); break;
    case 3:
        if (platform::DecodeIconImage(copy.data(), copy.size(), &cursor.image) &&
            cursor.image.pixels.size() != static_cast<size_t>(cursor.image.iWidth) * cursor.image.iHeight)
            fuzz::Fail("a decoded icon's pixels do not fill it");
        break;
    case 4: platform::ParseMenuTemplate(copy.data(), copy.size(), &menu); break;
    case 5: platform::ParseDialogTemplate(copy.data(), copy.size(), &dialog); break;
    case 9: platform::ParseAccelerators(copy.data(), copy.size(), &accels); break;
    case 12: case 14: platform::ParseIconGroup(copy.data(), copy.size(), wType == 12, &group); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    std::vector<platform::ResourceEntry> entries;
    if (platform::ParseResFile(pData, cbData, &entries)) {
        for (const platform::ResourceEntry& entry : entries) {
            if (entry.cbData > cbData || entry.pData < pData || entry.pData + entry.cbData > pData + cbData)
                fuzz::Fail("a resource lies outside the image");
            if (entry.type.bIsOrdinal) DecodeAs(entry.type.wOrdinal, entry.pData, entry.cbData);
        }
    }
    for (WORD wType : {1, 3, 4, 5, 9, 12, 14}) DecodeAs(wType, pData, cbData);
    return 0;
}
