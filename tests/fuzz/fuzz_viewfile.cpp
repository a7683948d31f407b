// Fuzz target: any bytes as a view file, opened by the program's Open command
// on a small window, then rendered. A file shorter than the magic or with
// another magic changes no value and is reported once; a file with the magic
// loads exactly its whole fields, silently.
#include "fuzz_program.h"

#include "resource.h"
#include "view_values.h"

#include <cstring>

namespace {

const DrawingValues kBefore = {0.125, -0.25, 48, 2.5, 0.3, 3, 90, 2};
const size_t kFieldEnds[] = {17, 25, 33, 37, 45, 53, 57, 61, 65};  // the magic's, then each value's

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    fuzz::MakeScratchFiles();
    const Bytes file(pData, pData + cbData);
    const std::string sPath = fuzz::Scratch().Write("input.kqz", file);
    // The file's bytes over kBefore's, field by whole field.
    const Bytes before = ViewFileBytes(kBefore);
    const bool bLoads = cbData >= kFieldEnds[0] && std::memcmp(pData, before.data(), kFieldEnds[0]) == 0;
    Bytes expected = before;
    for (size_t i = 1; bLoads && i < std::size(kFieldEnds) && kFieldEnds[i] <= cbData; ++i)
        std::copy(file.begin() + kFieldEnds[i - 1], file.begin() + kFieldEnds[i], expected.begin() + kFieldEnds[i - 1]);
    fuzz::RunCommand(kBefore, [&] { harness::ChooseFiles({sPath}); }, IDM_OPEN, [&] {
        if (ViewFileBytes(CurrentDrawingValues()) != expected)
            fuzz::Fail("Open left " + fuzz::Describe(CurrentDrawingValues()) + ", not the file's whole fields");
        if ((psFilePath[0] != '\0') != bLoads) fuzz::Fail("Open kept the name of a file it rejected");
        if (harness::Boxes().size() != (bLoads ? 0u : 1u))
            fuzz::Fail("Open warned " + std::to_string(harness::Boxes().size()) + " times");
    });
    return 0;
}
