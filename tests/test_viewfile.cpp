// View files: the 65-byte layout bit for bit, files of every length, wrong
// magics, saving over longer files and to places that cannot be written, and
// the Open and Save As dialogs on the program's shared record.
#include "engine.h"
#include "harness.h"
#include "scratch_files.h"
#include "view_io.h"
#include "view_values.h"
#include "viewfile.h"

#include <bit>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace {

using Values = DrawingValues;

std::vector<uint64_t> CurrentBits() { return ValueBits(CurrentDrawingValues()); }

double FromBits(uint64_t ullBits) { return std::bit_cast<double>(ullBits); }

// A file written by hand: every multi-byte field has distinct bytes, so that a
// wrong byte order or offset shows.
const Values kGoldenValues = {FromBits(0x0102030405060708), -0.75, 0x0A0B0C0D, 4.0,
                              0.25, 3, -100, 5};
const Bytes kGolden = {
    'V', 'E', 'L', 'D', 'R', 'A', 'N', ' ', 'K', 'Q', 'Z', ' ', 'F', 'I', 'L', 'E', ':',
    0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  // dfSetMidX
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE8, 0xBF,  // dfSetMidY -0.75
    0x0D, 0x0C, 0x0B, 0x0A,                          // ulMaxLevels
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x40,  // dfSetHeight 4.0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x3F,  // dfMoveFactor 0.25
    0x03, 0x00, 0x00, 0x00,                          // iMinLevel
    0x9C, 0xFF, 0xFF, 0xFF,                          // iColorFactor -100
    0x05, 0x00, 0x00, 0x00,                          // iRGB_Combo
};
const Values kBefore = {9.0, -9.0, 7, 0.125, 0.5, 6, 42, 1};
const size_t kFieldEnds[8] = {25, 33, 37, 45, 53, 57, 61, 65};

Bytes Prefix(const Bytes& bytes, size_t uLength) {
    Bytes result(bytes.begin(), bytes.begin() + std::min(uLength, bytes.size()));
    result.resize(uLength, 0xEE);
    return result;
}

class ViewFiles : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        InitializeProgramValues();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "ViewFileOwner";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "ViewFileOwner", "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
                               nullptr, nullptr, nullptr, nullptr);
    }

    void Name(const std::string& sPath) {
        ASSERT_LT(sPath.size(), sizeof psFilePath);
        std::strcpy(psFilePath, sPath.c_str());
    }

    int Load(const Bytes& bytes) {
        Name(dir.Write("view.kqz", bytes));
        ApplyDrawingValues(kBefore);
        return LoadValues(hwnd);
    }

    int Save(const std::string& sPath, const Values& values) {
        Name(sPath);
        ApplyDrawingValues(values);
        return SaveValues();
    }

    void ExpectWarning(const std::string& sFormatStart) {
        ASSERT_EQ(harness::Boxes().size(), 1u);
        const harness::ShownBox& box = harness::Boxes()[0];
        EXPECT_EQ(box.sText, sFormatStart + " \n\n " + psFilePath);
        EXPECT_EQ(box.sCaption, "Veldran");
        EXPECT_EQ(box.hwndOwner, hwnd);
        EXPECT_EQ(box.uType, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }

    HWND hwnd = nullptr;
    ScratchDir dir;
};

TEST_F(ViewFiles, SavingWritesTheSixtyFiveBytesOfTheLayout) {
    std::string sPath = dir.Path("golden.kqz");
    EXPECT_EQ(Save(sPath, kGoldenValues), 1);
    EXPECT_EQ(ScratchDir::Read(sPath), kGolden);
}

TEST_F(ViewFiles, LoadingReadsTheLayout) {
    EXPECT_EQ(Load(kGolden), 1);
    EXPECT_EQ(CurrentBits(), ValueBits(kGoldenValues));
    EXPECT_TRUE(harness::Boxes().empty());
}

TEST_F(ViewFiles, EveryValueSurvivesARoundTripBitForBit) {
    const double kInf = std::numeric_limits<double>::infinity();
    const Values cases[] = {
        {FromBits(0x7FF8000000012345), FromBits(0xFFF4000000000001), 0, -0.0, FromBits(1), 0, 0, 0},
        {-0.0, FromBits(0x800FFFFFFFFFFFFF), 0xFFFFFFFF, kInf, -kInf,
         std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), -1},
        {std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(), 100000,
         std::numeric_limits<double>::min(), 0.2, -7, 100, 9},
        {-0.743643887037151, 0.131825904205330, 1024, 0.00003, 0.2, 2, 100, 5},
    };
    std::string sPath = dir.Path("round.kqz");
    for (const Values& values : cases) {
        ASSERT_EQ(Save(sPath, values), 1);
        EXPECT_EQ(ScratchDir::Read(sPath).size(), 65u);
        InitializeProgramValues();
        std::strcpy(psFilePath, sPath.c_str());
        ASSERT_EQ(LoadValues(hwnd), 1);
        EXPECT_EQ(CurrentBits(), ValueBits(values));
    }
}

// Whole fields are loaded; a field cut by the end of the file, and every
// field after it, keeps its value.
TEST_F(ViewFiles, FilesOfEveryLengthLoadTheirWholeFields) {
    for (size_t uLength : {0, 16, 17, 24, 25, 30, 33, 36, 40, 52, 60, 64, 65, 100}) {
        harness::ClearBoxes();
        int iResult = Load(Prefix(kGolden, uLength));
        EXPECT_EQ(iResult, uLength >= 17 ? 1 : 0) << uLength << " bytes";
        if (uLength < 17) ExpectWarning("Incorrect View File size:");
        else EXPECT_TRUE(harness::Boxes().empty());
        std::vector<uint64_t> expected = ValueBits(kBefore), golden = ValueBits(kGoldenValues);
        for (size_t i = 0; i < 8; ++i)
            if (kFieldEnds[i] <= uLength) expected[i] = golden[i];
        EXPECT_EQ(CurrentBits(), expected) << uLength << " bytes";
    }
}

TEST_F(ViewFiles, AWrongMagicIsReportedAndChangesNothing) {
    for (const char* pszMagic : {"VELDRAN KQZ FILE!", "veldran kqz file:", "VELDRAN KQZ FILE\0",
                                 "Veldran KQZ File:", "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"}) {
        harness::ClearBoxes();
        Bytes bytes = kGolden;
        std::memcpy(bytes.data(), pszMagic, 17);
        EXPECT_EQ(Load(bytes), 0) << pszMagic;
        ExpectWarning("Invalid View File format:");
        EXPECT_EQ(CurrentBits(), ValueBits(kBefore));
    }
}

TEST_F(ViewFiles, AFileThatCannotBeOpenedGivesNoMessage) {
    Name(dir.Path("missing.kqz"));
    ApplyDrawingValues(kBefore);
    EXPECT_EQ(LoadValues(hwnd), 0);
    EXPECT_TRUE(harness::Boxes().empty());
    EXPECT_EQ(CurrentBits(), ValueBits(kBefore));
}

TEST_F(ViewFiles, SavingOverALongerFileReplacesItsFirstSixtyFiveBytes) {
    std::string sPath = dir.Write("long.kqz", Bytes(100, 0xEE));
    EXPECT_EQ(Save(sPath, kGoldenValues), 1);
    EXPECT_EQ(ScratchDir::Read(sPath), Prefix(kGolden, 100));
    ApplyDrawingValues(kBefore);
    EXPECT_EQ(LoadValues(hwnd), 1);
    EXPECT_EQ(CurrentBits(), ValueBits(kGoldenValues));
}

TEST_F(ViewFiles, SavingWhereNoFileCanBeWrittenFails) {
    std::filesystem::create_directory(dir.Path("folder"));
    EXPECT_EQ(Save(dir.Path("folder"), kGoldenValues), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("folder")));
    EXPECT_EQ(Save(dir.Path("missing/view.kqz"), kGoldenValues), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing")));
}

TEST_F(ViewFiles, SavingToAReadOnlyFileFailsAndLeavesItAlone) {
    std::string sPath = dir.Write("readonly.kqz", {1, 2, 3});
    using std::filesystem::perms;
    std::filesystem::permissions(sPath, perms::owner_read | perms::group_read | perms::others_read);
    // Root, and Wine run by root, write to read-only files all the same.
    FILE* pProbe = std::fopen(sPath.c_str(), "r+b");
    if (pProbe) {
        std::fclose(pProbe);
        std::filesystem::permissions(sPath, perms::owner_write, std::filesystem::perm_options::add);
        GTEST_SKIP() << "this user writes to read-only files; SavingWhereNoFileCanBeWrittenFails "
                        "covers the failure";
    }
    EXPECT_EQ(Save(sPath, kGoldenValues), 0);
    EXPECT_EQ(ScratchDir::Read(sPath), (Bytes{1, 2, 3}));
    // Windows removes no read-only file with its folder.
    std::filesystem::permissions(sPath, perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(ViewFiles, AShortWriteOfTheMagicFails) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(Save("/dev/full", kGoldenValues), 0);
}

#if !defined(_WIN32)
// A file-size limit stands in for a disk that fills up after the magic.
TEST_F(ViewFiles, AShortWriteOfAnyLaterFieldFails) {
    rlimit original;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    for (rlim_t uLimit : {20, 40, 64}) {
        if (original.rlim_max != RLIM_INFINITY && original.rlim_max < uLimit)
            GTEST_SKIP() << "file size limit too low";
        std::string sPath = dir.Path("limited" + std::to_string(uLimit) + ".kqz");
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = {uLimit, original.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        int iResult = Save(sPath, kGoldenValues);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_EQ(iResult, 0) << "limit " << uLimit;
        EXPECT_EQ(ScratchDir::Read(sPath), Prefix(kGolden, uLimit));
    }
}
#endif

TEST_F(ViewFiles, SaveAsDialogOffersViewFilesAndAppendsKQZ) {
    FileInitialize(hwnd);
    harness::ChooseFiles({dir.Path("spiral")});
    ASSERT_EQ(GetSaveValuesFile(hwnd), 1);
    EXPECT_EQ(std::string(psFilePath), dir.Path("spiral.KQZ"));
    EXPECT_STREQ(psFileName, "spiral.KQZ");
    ASSERT_EQ(harness::FileRequests().size(), 1u);
    const platform::FileDialogRequest& request = harness::FileRequests()[0];
    using Filters = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(request.filters,
              (Filters{{"Fractal Views (*.KQW)", "*.kqw"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(request.dwFlags, static_cast<DWORD>(OFN_OVERWRITEPROMPT));
    EXPECT_TRUE(request.bSave);
    EXPECT_EQ(request.hwndOwner, hwnd);
    EXPECT_EQ(request.sInitialPath, "");
}

TEST_F(ViewFiles, TheDialogsShareTheNameAndTheFilter) {
    FileInitialize(hwnd);
    std::string sPath = dir.Path("a.kqw");
    harness::ChooseFiles({{sPath, 2}, ""});
    ASSERT_EQ(GetSaveValuesFile(hwnd), 1);
    std::strcpy(psFileName, "kept");
    EXPECT_EQ(GetOpenValuesFile(hwnd), 0);
    const platform::FileDialogRequest& open = harness::FileRequests()[1];
    EXPECT_EQ(open.sInitialPath, sPath);
    EXPECT_EQ(open.iFilterIndex, 2);
    EXPECT_EQ(open.dwFlags, static_cast<DWORD>(OFN_CREATEPROMPT));
    EXPECT_EQ(std::string(psFilePath), sPath);  // cancelling changes nothing
    EXPECT_STREQ(psFileName, "kept");
}

TEST_F(ViewFiles, OpeningANewNameCreatesNoFileAndLoadsNothing) {
    FileInitialize(hwnd);
    harness::ChooseFiles({dir.Path("new")});
    harness::AnswerBoxes({IDYES});
    ASSERT_EQ(GetOpenValuesFile(hwnd), 1);
    ASSERT_EQ(harness::Boxes().size(), 1u);
    EXPECT_NE(harness::Boxes()[0].sText.find("Create the file?"), std::string::npos);
    EXPECT_EQ(std::string(psFilePath), dir.Path("new.KQZ"));
    EXPECT_FALSE(std::filesystem::exists(psFilePath));
    ApplyDrawingValues(kBefore);
    EXPECT_EQ(LoadValues(hwnd), 0);
    EXPECT_EQ(harness::Boxes().size(), 1u);
    EXPECT_EQ(CurrentBits(), ValueBits(kBefore));
}

}  // namespace
