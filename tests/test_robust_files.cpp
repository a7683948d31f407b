// Files that fail the program, through its commands: a file Open rejects
// leaves every drawing value and the view as they were; a save that fails,
// at once or part-way, is never reported as a success, so the changes stay
// marked and neither closing nor opening goes on as if they were kept.
#include "program_run.h"
#include "resource.h"
#include "scratch_files.h"
#include "view_io.h"

#include <bit>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace {

const char kFullDisk[] = "/dev/full";  // every write fails, reads give zeros

const DrawingValues kView = {-0.625, 0.125, 80, 1.5, 0.35, 3, 140, 4};

void Show(const DrawingValues& v) {
    ApplyDrawingValues(v);
    SetupSet();
}

// The drawing values and the geometry, bit for bit.
std::vector<uint64_t> ViewBits() {
    auto b = [](double df) { return std::bit_cast<uint64_t>(df); };
    return {b(dfSetMidX),   b(dfSetMidY), ulMaxLevels,  b(dfSetHeight), b(dfMoveFactor),
            static_cast<uint32_t>(iMinLevel), static_cast<uint32_t>(iColorFactor),
            static_cast<uint32_t>(iRGB_Combo), b(dfSetWidth), b(dfSetMinX), b(dfSetMinY)};
}

bool HasFullDisk() { return std::filesystem::exists(kFullDisk); }

class RobustFiles : public ::testing::Test {
protected:
    // The full disk under a name with an extension, to which the dialogs add none.
    std::string FullDisk() const {
        std::string sPath = dir.Path("full.kqz");
        if (!std::filesystem::exists(sPath)) std::filesystem::create_symlink(kFullDisk, sPath);
        return sPath;
    }
    ScratchDir dir;
};

}  // namespace

TEST_F(RobustFiles, AFileOpenRejectsChangesNothing) {
    Bytes good = {'V', 'E', 'L', 'D', 'R', 'A', 'N', ' ', 'K', 'Q', 'Z', ' ', 'F', 'I', 'L', 'E', ':'};
    good.resize(65, 0x40);
    Bytes lower = good;
    std::memcpy(lower.data(), "veldran kqz file:", 17);
    std::filesystem::create_directory(dir.Path("folder"));
    std::vector<std::string> rejected = {dir.Write("empty.kqz", {}), dir.Write("sixteen.kqz", Bytes(good.begin(), good.begin() + 16)),
                                         dir.Write("lower.kqz", lower), dir.Path("folder"), dir.Path("missing.kqz")};
    if (HasFullDisk()) rejected.push_back(FullDisk());
    for (const std::string& sPath : rejected) {
        SCOPED_TRACE(sPath);
        std::vector<uint64_t> before;
        RunProgram({[&](HWND hwnd) {
                        Show(kView);
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

TEST_F(RobustFiles, ASaveThatFailsIsNeverASuccess) {
    if (!HasFullDisk()) GTEST_SKIP() << "no " << kFullDisk;
    LRESULT lrSave = -1, lrSaveAs = -1;
    RunProgram({[&](HWND hwnd) {
        Show(kView);
        bIsDirty = 1;
        std::strcpy(psFilePath, FullDisk().c_str());
        std::strcpy(psFileName, "full.kqz");
        lrSave = SendMessageA(hwnd, WM_COMMAND, IDM_SAVE, 0);
        EXPECT_EQ(bIsDirty, 1);
        harness::ChooseFiles({FullDisk()});
        harness::AnswerBoxes({IDOK, IDYES});  // the first warning, then: replace it? yes
        lrSaveAs = SendMessageA(hwnd, WM_COMMAND, IDM_SAVEAS, 0);
        EXPECT_EQ(bIsDirty, 1);
    }});
    EXPECT_EQ(lrSave, 0);
    EXPECT_EQ(lrSaveAs, 0);
    int iWarnings = 0;
    for (const harness::ShownBox& box : harness::Boxes()) iWarnings += box.sText == "Could not write file full.kqz";
    EXPECT_EQ(iWarnings, 2);
}

// Yes to "Save current changes" with a save that fails keeps the window open
// and stops an Open before its dialog.
TEST_F(RobustFiles, AFailedSaveBehindYesStopsClosingAndOpening) {
    if (!HasFullDisk()) GTEST_SKIP() << "no " << kFullDisk;
    std::vector<uint64_t> before;
    bool bStillOpen = false;
    RunProgram({[&](HWND hwnd) {
                    Show(kView);
                    bIsDirty = 1;
                    std::strcpy(psFilePath, FullDisk().c_str());
                    std::strcpy(psFileName, "full.kqz");
                    before = ViewBits();
                    harness::AnswerBoxes({IDYES, IDOK, IDYES, IDOK});
                    PostMessageA(hwnd, WM_CLOSE, 0, 0);
                    PostMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
                },
                [&](HWND hwnd) { bStillOpen = IsWindow(hwnd); }});
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(bIsDirty, 1);
    EXPECT_EQ(ViewBits(), before);
    EXPECT_TRUE(harness::FileRequests().empty()) << "no Open dialog after the failed save";
}

#if !defined(_WIN32)
// A disk that fills up after the first bytes: the file is cut, the command fails.
TEST_F(RobustFiles, ASaveCutPartWayIsAFailure) {
    rlimit original;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    if (original.rlim_max != RLIM_INFINITY && original.rlim_max < 64) GTEST_SKIP() << "file size limit too low";
    std::string sPath = dir.Path("cut.kqz");
    LRESULT lrSaved = -1;
    RunProgram({[&](HWND hwnd) {
        Show(kView);
        bIsDirty = 1;
        harness::ChooseFiles({sPath});
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = {40, original.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        lrSaved = SendMessageA(hwnd, WM_COMMAND, IDM_SAVEAS, 0);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);
    }});
    EXPECT_EQ(lrSaved, 0);
    EXPECT_EQ(bIsDirty, 1);
    EXPECT_EQ(ScratchDir::Read(sPath).size(), 40u);
    ASSERT_FALSE(harness::Boxes().empty());
    EXPECT_EQ(harness::Boxes().back().sText, "Could not write file cut.kqz");
}
#endif
