// Files that fail the program, through its commands: a file Open rejects leaves
// every drawing value and the view as they were; a save that fails behind Yes
// to "Save current changes" keeps the window open and stops an Open.
#include "program_run.h"
#include "resource.h"
#include "scratch_files.h"
#include "view_io.h"
#include "view_values.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const DrawingValues kView = {-0.625, 0.125, 80, 1.5, 0.35, 3, 140, 4};

// The drawing values and the geometry, bit for bit.
std::vector<uint64_t> ViewBits() {
    std::vector<uint64_t> bits = ValueBits(CurrentDrawingValues());
    for (double df : {dfSetWidth, dfSetMinX, dfSetMinY}) bits.push_back(std::bit_cast<uint64_t>(df));
    return bits;
}

}  // namespace

TEST(RobustFiles, AFileOpenRejectsChangesNothing) {
    ScratchDir dir;
    Bytes good = ViewFileBytes(kView), lower = good;
    std::memcpy(lower.data(), "veldran kqz file:", 17);
    std::filesystem::create_directory(dir.Path("folder"));
    std::vector<std::string> rejected = {dir.Write("sixteen.kqz", Bytes(good.begin(), good.begin() + 16)),
                                         dir.Write("lower.kqz", lower), dir.Path("folder"), dir.Path("missing.kqz")};
    if (std::filesystem::exists("/dev/full")) rejected.push_back("/dev/full");  // reads give zeros
    for (const std::string& sPath : rejected) {
        SCOPED_TRACE(sPath);
        std::vector<uint64_t> before;
        RunProgram({[&](HWND hwnd) {
                        ApplyDrawingValues(kView);
                        SetupSet();
                        before = ViewBits();
                        harness::ChooseFiles({sPath});
                        harness::AnswerBoxes({IDYES});  // create the missing file? yes
                        PostMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
                    },
                    [&](HWND hwnd) {
                        EXPECT_EQ(ViewBits(), before);
                        EXPECT_EQ(bIsDirty, 0);
                        EXPECT_EQ(TitleOf(hwnd), "Orvanta - [untitled]");
                    }});
    }
}

TEST(RobustFiles, AFailedSaveBehindYesStopsClosingAndOpening) {
    ScratchDir dir;
    std::vector<uint64_t> before;
    bool bStillOpen = false;
    RunProgram({[&](HWND hwnd) {
                    ApplyDrawingValues(kView);
                    SetupSet();
                    bIsDirty = 1;
                    std::strcpy(psFilePath, dir.Path("no-folder/view.kqz").c_str());
                    std::strcpy(psFileName, "view.kqz");
                    before = ViewBits();
                    harness::AnswerBoxes({IDYES, IDOK, IDYES, IDOK});  // save? yes; the warning
                    PostMessageA(hwnd, WM_CLOSE, 0, 0);
                    PostMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
                },
                [&](HWND hwnd) { bStillOpen = IsWindow(hwnd); }});
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(bIsDirty, 1);
    EXPECT_EQ(ViewBits(), before);
    EXPECT_TRUE(harness::FileRequests().empty()) << "no Open dialog after the failed save";
    int iWarnings = 0;
    for (const harness::ShownBox& box : harness::Boxes()) iWarnings += box.sText == "Could not write file view.kqz";
    EXPECT_EQ(iWarnings, 2);
}
