// Fuzz target: any bytes as a view file, read by LoadValues over known values. A
// file shorter than the magic or with another magic changes nothing and is
// reported once; a file with the magic loads exactly its whole fields, silently.
#include "engine.h"
#include "harness.h"
#include "view_values.h"
#include "viewfile.h"

#include <cstring>

namespace {

const DrawingValues kBefore = {0.125, -0.25, 48, 2.5, 0.3, 3, 90, 2};
const size_t kFieldEnds[] = {17, 25, 33, 37, 45, 53, 57, 61, 65};  // the magic's, then each value's

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    static ScratchDir dir;
    const Bytes file(pData, pData + cbData), before = ViewFileBytes(kBefore);
    std::strcpy(psFilePath, dir.Write("input.kqz", file).c_str());
    const bool bLoads = cbData >= kFieldEnds[0] && std::memcmp(pData, before.data(), kFieldEnds[0]) == 0;
    Bytes expected = before;  // the file's bytes over kBefore's, field by whole field
    for (size_t i = 1; bLoads && i < std::size(kFieldEnds) && kFieldEnds[i] <= cbData; ++i)
        std::copy(file.begin() + kFieldEnds[i - 1], file.begin() + kFieldEnds[i], expected.begin() + kFieldEnds[i - 1]);
    harness::Reset();
    ApplyDrawingValues(kBefore);
    if (LoadValues(nullptr) != bLoads || ViewFileBytes(CurrentDrawingValues()) != expected ||
        harness::Boxes().size() != (bLoads ? 0u : 1u))
        __builtin_trap();  // other fields or reports than the file's
    return 0;
}
