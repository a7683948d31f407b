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
    platform::ParseMenuTemplate(copy.data(), cbData, &menu);
    platform::ParseAccelerators(copy.data(), cbData, &accels);
    platform::ParseDialogTemplate(copy.data(), cbData, &dialog);
    platform::ParseIconGroup(copy.data(), cbData, false, &group);
    platform::ParseIconGroup(copy.data(), cbData, true, &group);
    platform::DecodeIconImage(copy.data(), cbData, &cursor.image);
    platform::DecodeCursorImage(copy.data(), cbData, &cursor);
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
