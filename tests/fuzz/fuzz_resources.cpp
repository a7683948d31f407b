// Fuzz target: any bytes as a compiled .res image and as each kind of resource.
// Whatever the bytes, every reader answers and reads nothing outside them; a
// resource said to lie outside the image fails AddressSanitizer as it is copied.
#include "resources.h"

namespace {

// Each reader on a copy, so that a read past the piece, not only past the input, is caught.
void DecodeEveryWay(const unsigned char* pData, size_t cbData) {
    const std::vector<unsigned char> copy(pData, pData + cbData);
    std::vector<platform::MenuTemplateItem> menu;
    std::vector<ACCEL> accels;
    platform::DialogTemplate dialog;
    std::vector<platform::IconGroupEntry> group;
    platform::CursorImage cursor;
    const unsigned char* p = copy.data();
    platform::ParseMenuTemplate(p, cbData, &menu);
    platform::ParseAccelerators(p, cbData, &accels);
    platform::ParseDialogTemplate(p, cbData, &dialog);
    platform::ParseIconGroup(p, cbData, false, &group);
    platform::ParseIconGroup(p, cbData, true, &group);
    platform::DecodeIconImage(p, cbData, &cursor.image);
    platform::DecodeCursorImage(p, cbData, &cursor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    std::vector<platform::ResourceEntry> entries;
    if (platform::ParseResFile(pData, cbData, &entries)) {
        for (const platform::ResourceEntry& entry : entries) DecodeEveryWay(entry.pData, entry.cbData);
    }
    DecodeEveryWay(pData, cbData);
    return 0;
}
