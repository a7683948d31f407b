// View files (viewfile/viewfile.cpp): the 65-byte layout both ways, files of
// every length and wrong magics, saves that cannot finish, the Open and Save As
// dialogs on the program's shared record, and what the program's Open does with a rejected file.
#include "program_run.h"
#include "viewfile.h"

#include <csignal>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Every multi-byte field has distinct bytes, so that a wrong byte order or offset shows.
const DrawingValues kGoldenValues = {std::bit_cast<double>(0x0102030405060708ull), -0.75, 0x0A0B0C0D, 4.0, 0.25, 3, -100, 5};
const DrawingValues kBefore = {9.0, -9.0, 7, 0.125, 0.5, 6, 42, 1};
const size_t kFieldEnds[8] = {25, 33, 37, 45, 53, 57, 61, 65};  // each value's offset plus its size

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
        hwnd = OpenWindow("ViewFileOwner");
    }
    // Loads the file at sPath over kBefore.
    int Load(const std::string& sPath) {
        std::strcpy(psFilePath, sPath.c_str());
        ApplyDrawingValues(kBefore);
        return LoadValues(hwnd);
    }
    int Save(const std::string& sPath, const DrawingValues& values) {
        std::strcpy(psFilePath, sPath.c_str());
        ApplyDrawingValues(values);
        return SaveValues();
    }
    HWND hwnd = nullptr;
    ScratchDir dir;
};

// A save writes the layout over the start of an existing file and keeps its
// tail; orvanta-render's --view and --save-view copy NaNs, -0.0 and the
// extremes through the same reading and layout bit for bit.
TEST_F(ViewFiles, SavingWritesTheLayoutOverTheFilesStart) {
    std::string sPath = dir.Write("round.kqz", Bytes(100, 0xEE));
    ASSERT_EQ(Save(sPath, kGoldenValues), 1);
    EXPECT_EQ(ScratchDir::Read(sPath), Prefix(ViewFileBytes(kGoldenValues), 100)) << "65 bytes over 100";
    EXPECT_TRUE(harness::Boxes().empty()) << "nothing reported";
}

// Whole fields are loaded; a field cut by the end of the file, and every field
// after it, keeps its value. Short files and wrong magics are reported.
TEST_F(ViewFiles, FilesOfEveryLengthAndMagicLoadOnlyTheirWholeFields) {
    const Bytes golden = ViewFileBytes(kGoldenValues);
    std::vector<std::pair<Bytes, const char*>> files;  // the bytes, the report
    for (size_t uLength : {0, 16, 17, 24, 25, 33, 36, 52, 60, 64, 65, 100})  // ends of the magic and fields, and inside them
        files.emplace_back(Prefix(golden, uLength), uLength < 17 ? "Incorrect View File size:" : "");
    for (const char* pszMagic : {"VELDRAN KQZ FILE!", "veldran kqz file:", "VELDRAN KQZ FILE\0", "Veldran KQZ File:"}) {
        files.emplace_back(golden, "Invalid View File format:");
        std::memcpy(files.back().first.data(), pszMagic, 17);
    }
    for (const auto& [bytes, pszReport] : files) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes " + pszReport);
        harness::ClearBoxes();
        const std::string sPath = dir.Write("view.kqz", bytes);
        EXPECT_EQ(Load(sPath), pszReport[0] ? 0 : 1);
        std::vector<uint64_t> expected = ValueBits(kBefore), loaded = ValueBits(kGoldenValues);
        for (size_t i = 0; i < 8; ++i)
            if (kFieldEnds[i] <= bytes.size() && !pszReport[0]) expected[i] = loaded[i];
        EXPECT_EQ(ValueBits(CurrentDrawingValues()), expected);
        EXPECT_EQ(harness::BoxTexts(), pszReport[0] ? std::vector<std::string>{"Veldran: " + (pszReport + (" \n\n " + sPath))}
                                                     : std::vector<std::string>{});
    }
    harness::ClearBoxes();
    EXPECT_EQ(Load(dir.Path("missing.kqz")), 0) << "a file that cannot be opened is not reported";
    EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits(kBefore)) << "missing.kqz";
    EXPECT_TRUE(harness::Boxes().empty()) << "missing.kqz is not reported";
}

#if !defined(_WIN32)
// A file-size limit stands in for a disk that fills up in the magic or in any later field.
TEST_F(ViewFiles, AShortWriteOfAnyFieldFails) {
    rlimit original;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    if (original.rlim_max != RLIM_INFINITY && original.rlim_max < 64) GTEST_SKIP() << "file size limit too low";
    for (rlim_t uLimit : {10, 20, 40, 64}) {  // in the magic, X, the height, the last field
        std::string sPath = dir.Path("limited" + std::to_string(uLimit) + ".kqz");
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = {uLimit, original.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        int iResult = Save(sPath, kGoldenValues);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_EQ(iResult, 0) << "limit " << uLimit;
        EXPECT_EQ(ScratchDir::Read(sPath), Prefix(ViewFileBytes(kGoldenValues), uLimit)) << "limit " << uLimit;
    }
}

// A named pipe is saved into in place, and stays; with no reader there to
// take the bytes the save fails.
TEST_F(ViewFiles, SavingToAPipeNeedsAReader) {
    for (bool bReader : {false, true}) {
        std::string sPath = dir.Path(bReader ? "read" : "unread");
        ASSERT_EQ(mkfifo(sPath.c_str(), 0600), 0);
        int iReader = bReader ? open(sPath.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        EXPECT_EQ(Save(sPath, kGoldenValues), bReader ? 1 : 0) << sPath;
        char buffer[100];
        EXPECT_EQ(read(iReader, buffer, sizeof buffer), bReader ? 65 : -1) << sPath;
        EXPECT_TRUE(std::filesystem::is_fifo(sPath)) << sPath;
        if (iReader >= 0) close(iReader);
    }
}
#endif

// Save As adds .KQZ; Open then starts from that name and
// filter, and a new name it accepts creates no file.
TEST_F(ViewFiles, TheDialogsShareTheNameAndTheFilter) {
    FileInitialize(hwnd);
    harness::ChooseFiles({{dir.Path("spiral"), 2}, dir.Path("new")});
    harness::AnswerBoxes({IDYES});
    ASSERT_EQ(GetSaveValuesFile(hwnd), 1);
    EXPECT_EQ(std::string(psFilePath), dir.Path("spiral.KQZ"));
    EXPECT_STREQ(psFileName, "spiral.KQZ");
    ASSERT_EQ(GetOpenValuesFile(hwnd), 1);
    const auto& requests = harness::FileRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(std::tie(requests[0].dwFlags, requests[0].bSave, requests[0].hwndOwner, requests[0].sInitialPath),
              std::make_tuple(DWORD(OFN_OVERWRITEPROMPT), true, hwnd, std::string()));
    EXPECT_EQ(std::tie(requests[1].dwFlags, requests[1].bSave, requests[1].iFilterIndex, requests[1].sInitialPath),
              std::make_tuple(DWORD(OFN_CREATEPROMPT), false, 2, dir.Path("spiral.KQZ")));
    EXPECT_EQ(std::string(psFilePath), dir.Path("new.KQZ"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("new.KQZ")));
    EXPECT_EQ(harness::Boxes().size(), 1u) << "only the create prompt";
}

// A file the program's Open rejects (short, foreign or missing) leaves the values
// alone and the view untitled.
TEST_F(ViewFiles, AFileTheProgramsOpenRejectsChangesNothing) {
    for (const std::string& sPath : {dir.Write("short.kqz", Bytes(16, 'V')), dir.Write("foreign.kqz", Bytes(65, 'v')),
                                     dir.Path("missing.kqz")})
        RunProgram({[&](HWND hwnd) {
            ApplyDrawingValues(kBefore);
            harness::ChooseFiles({sPath});
            harness::AnswerBoxes({IDYES});  // create the missing file? yes
            SendMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
            EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits(kBefore)) << sPath;
            EXPECT_EQ(TitleOf(hwnd), "Orvanta - [untitled]") << sPath;
        }});
}

}  // namespace
