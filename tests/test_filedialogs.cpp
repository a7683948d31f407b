// The common Open and Save As dialogs of the platform core: what reaches the
// backend, how the record is filled, the default extension, the overwrite and
// create prompts, cancelling, and buffers too small for the chosen name.
#include "harness.h"
#include "scratch_files.h"

#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>

namespace {

const char kFilters[] = "Views (*.KQW)\0*.kqw\0All (*.*)\0*.*\0";

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "DialogOwner";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "DialogOwner", "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
                               nullptr, nullptr, nullptr, nullptr);
        FreshRecord();
    }

    // Buffers full of 'Q' behind a short name, and a record over them.
    void FreshRecord() {
        ofn = {};
        std::memset(szFile, 'Q', sizeof szFile);
        std::memset(szTitle, 'Q', sizeof szTitle);
        std::strcpy(szFile, "start.kqz");
        ofn.lStructSize = sizeof(OPENFILENAMEA);
        ofn.hwndOwner = hwnd;
        ofn.lpstrFilter = kFilters;
        ofn.lpstrFile = szFile;
        ofn.nMaxFile = 64;
        ofn.lpstrFileTitle = szTitle;
        ofn.nMaxFileTitle = 32;
        ofn.lpstrDefExt = "KQZ";
    }

    // Buffers and record as they stand, to show that a call left them alone.
    struct Snapshot {
        std::string sFile, sTitle;
        DWORD dwFilterIndex;
        WORD wFileOffset, wFileExtension;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Take() const {
        return {std::string(szFile, sizeof szFile), std::string(szTitle, sizeof szTitle),
                ofn.nFilterIndex, ofn.nFileOffset, ofn.nFileExtension};
    }

    HWND hwnd = nullptr;
    char szFile[128];
    char szTitle[64];
    OPENFILENAMEA ofn = {};
    ScratchDir dir;
};

TEST_F(FileDialogs, TheBackendIsAskedWithTheRecordsFiltersNameAndExtension) {
    ofn.nFilterIndex = 2;
    ofn.lpstrDefExt = ".KQZ";
    ofn.Flags = OFN_CREATEPROMPT;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    ofn.Flags = OFN_OVERWRITEPROMPT;
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    ASSERT_EQ(harness::FileRequests().size(), 2u);
    const platform::FileDialogRequest& open = harness::FileRequests()[0];
    using Filters = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(open.filters, (Filters{{"Views (*.KQW)", "*.kqw"}, {"All (*.*)", "*.*"}}));
    EXPECT_EQ(open.iFilterIndex, 2);
    EXPECT_EQ(open.sInitialPath, "start.kqz");
    EXPECT_EQ(open.sDefExt, "KQZ");
    EXPECT_EQ(open.dwFlags, static_cast<DWORD>(OFN_CREATEPROMPT));
    EXPECT_EQ(open.hwndOwner, hwnd);
    EXPECT_FALSE(open.bSave);
    EXPECT_TRUE(harness::FileRequests()[1].bSave);
}

TEST_F(FileDialogs, AFilterListEndsAtALabelWithoutPattern) {
    ofn.lpstrFilter = "Views\0*.kqw\0Dangling\0\0";
    GetOpenFileNameA(&ofn);
    ASSERT_EQ(harness::FileRequests().size(), 1u);
    ASSERT_EQ(harness::FileRequests()[0].filters.size(), 1u);
    EXPECT_EQ(harness::FileRequests()[0].filters[0].second, "*.kqw");
}

TEST_F(FileDialogs, TheRecordGetsPathTitleAndOffsets) {
    struct Case {
        const char* pszDefExt;
        const char* pszChosen;
        const char* pszFile;
        const char* pszTitle;
        WORD wOffset;
        WORD wExtension;
    };
    const Case cases[] = {
        {"KQZ", "/views/spiral", "/views/spiral.KQZ", "spiral.KQZ", 7, 14},
        {".KQZ", "/views/spiral", "/views/spiral.KQZ", "spiral.KQZ", 7, 14},
        {"KQZW", "/views/spiral", "/views/spiral.KQZ", "spiral.KQZ", 7, 14},
        {"KQZ", "/views/spiral.kqw", "/views/spiral.kqw", "spiral.kqw", 7, 14},
        {"KQZ", "/vi.ews/spiral", "/vi.ews/spiral.KQZ", "spiral.KQZ", 8, 15},
        {"KQZ", "C:\\VIEWS\\Spiral", "C:\\VIEWS\\Spiral.KQZ", "Spiral.KQZ", 9, 16},
        {"KQZ", "spiral", "spiral.KQZ", "spiral.KQZ", 0, 7},
        {"KQZ", "/views/spiral.", "/views/spiral.", "spiral.", 7, 0},
        {nullptr, "/views/spiral", "/views/spiral", "spiral", 7, 13},
    };
    for (const Case& c : cases) {
        ofn.lpstrDefExt = c.pszDefExt;
        harness::ChooseFiles({c.pszChosen});
        ASSERT_TRUE(GetSaveFileNameA(&ofn)) << c.pszChosen;
        EXPECT_STREQ(szFile, c.pszFile);
        EXPECT_STREQ(szTitle, c.pszTitle);
        EXPECT_EQ(ofn.nFileOffset, c.wOffset) << c.pszFile;
        EXPECT_EQ(ofn.nFileExtension, c.wExtension) << c.pszFile;
    }
    EXPECT_TRUE(harness::Boxes().empty());
}

TEST_F(FileDialogs, CancellingLeavesTheRecordAndBuffersAlone) {
    ofn.nFilterIndex = 2;
    ofn.nFileOffset = 3;
    Snapshot before = Take();
    harness::ChooseFiles({""});
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_FALSE(GetSaveFileNameA(&ofn));  // no answer left: cancelled too
    EXPECT_TRUE(Take() == before);
    EXPECT_EQ(harness::FileRequests().size(), 2u);
}

TEST_F(FileDialogs, ANameThatDoesNotFitIsRefusedAndNothingIsWrittenPastABuffer) {
    const std::string sPath = "/views/spiral.KQZ";  // 17 characters, title 10
    struct Case {
        DWORD dwMaxFile;
        DWORD dwMaxTitle;
        bool bTitle;
        BOOL bResult;
    };
    const Case cases[] = {
        {17, 32, true, FALSE}, {18, 32, true, TRUE}, {18, 10, true, FALSE},
        {18, 11, true, TRUE},  {18, 0, false, TRUE}, {0, 32, true, FALSE},
    };
    for (const Case& c : cases) {
        FreshRecord();
        ofn.nMaxFile = c.dwMaxFile;
        ofn.nMaxFileTitle = c.dwMaxTitle;
        ofn.lpstrFileTitle = c.bTitle ? szTitle : nullptr;
        Snapshot before = Take();
        harness::ChooseFiles({sPath});
        BOOL bResult = GetSaveFileNameA(&ofn);
        EXPECT_EQ(bResult, c.bResult) << c.dwMaxFile << " " << c.dwMaxTitle;
        Snapshot after = Take();
        if (!bResult) {
            EXPECT_TRUE(after == before);
            continue;
        }
        EXPECT_EQ(sPath, szFile);
        EXPECT_EQ(after.sFile.substr(c.dwMaxFile), before.sFile.substr(c.dwMaxFile));
        EXPECT_EQ(after.sTitle.substr(c.dwMaxTitle), before.sTitle.substr(c.dwMaxTitle));
    }
}

TEST_F(FileDialogs, TheFilterIndexIsTheOneTheDialogEndedOn) {
    struct Case {
        DWORD dwOffered;
        int iChosen;
        DWORD dwAfter;
    };
    const Case cases[] = {{0, 0, 1}, {2, 0, 2}, {1, 2, 2}, {5, 0, 1}, {1, 3, 1}};
    for (const Case& c : cases) {
        ofn.nFilterIndex = c.dwOffered;
        harness::ChooseFiles({{"/views/a.kqz", c.iChosen}});
        ASSERT_TRUE(GetOpenFileNameA(&ofn));
        EXPECT_EQ(ofn.nFilterIndex, c.dwAfter) << c.dwOffered << " " << c.iChosen;
    }
    ofn.lpstrFilter = nullptr;
    harness::ChooseFiles({"/views/a.kqz"});
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(ofn.nFilterIndex, 0u);
}

TEST_F(FileDialogs, RecordsOfAnotherSizeOrWithoutAFileBufferAreRefused) {
    harness::ChooseFiles({"/views/a.kqz", "/views/b.kqz"});
    ofn.lStructSize = 76;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_TRUE(harness::FileRequests().empty());
    ofn.lStructSize = offsetof(OPENFILENAMEA, pvReserved);  // the older, shorter record
    EXPECT_TRUE(GetOpenFileNameA(&ofn));
    ofn.lStructSize = sizeof(OPENFILENAMEA);
    ofn.lpstrFile = nullptr;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(harness::FileRequests().size(), 1u);
}

TEST_F(FileDialogs, OverwritePromptYesTakesTheExistingFileWithoutTouchingIt) {
    std::string sPath = dir.Write("old.KQZ", {1, 2, 3});
    ofn.Flags = OFN_OVERWRITEPROMPT;
    harness::ChooseFiles({dir.Path("old")});  // typed without extension
    harness::AnswerBoxes({IDYES});
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(sPath, szFile);
    ASSERT_EQ(harness::Boxes().size(), 1u);
    const harness::ShownBox& box = harness::Boxes()[0];
    EXPECT_EQ(box.sText, sPath + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(box.sCaption, "Save As");
    EXPECT_EQ(box.uType, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(box.hwndOwner, hwnd);
    EXPECT_EQ(ScratchDir::Read(sPath), (Bytes{1, 2, 3}));
}

TEST_F(FileDialogs, OverwritePromptNoGoesBackToChoosing) {
    std::string sOld = dir.Write("old.kqz", {1, 2, 3});
    std::string sNew = dir.Path("new.kqz");
    ofn.Flags = OFN_OVERWRITEPROMPT;
    Snapshot before = Take();
    harness::ChooseFiles({sOld});
    harness::AnswerBoxes({IDNO});
    EXPECT_FALSE(GetSaveFileNameA(&ofn));  // then cancelled
    EXPECT_TRUE(Take() == before);
    ASSERT_EQ(harness::FileRequests().size(), 2u);
    EXPECT_EQ(harness::FileRequests()[1].sInitialPath, sOld);

    harness::ChooseFiles({sOld, sNew});
    harness::AnswerBoxes({IDNO});
    EXPECT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(sNew, szFile);
    EXPECT_EQ(harness::Boxes().size(), 2u);  // none for the new name
    EXPECT_FALSE(std::filesystem::exists(sNew));
    EXPECT_EQ(ScratchDir::Read(sOld), (Bytes{1, 2, 3}));
}

TEST_F(FileDialogs, OverwritePromptOnlyForAnExistingFileInTheSaveDialog) {
    std::string sOld = dir.Write("old.kqz", {1});
    ofn.Flags = OFN_OVERWRITEPROMPT;
    harness::ChooseFiles({dir.Path("missing.kqz"), sOld});
    EXPECT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_TRUE(harness::Boxes().empty());
}

TEST_F(FileDialogs, CreatePromptAsksForAMissingFileAndCreatesNothing) {
    std::string sMissing = dir.Path("new.KQZ");
    ofn.Flags = OFN_CREATEPROMPT;
    harness::ChooseFiles({dir.Path("new")});
    harness::AnswerBoxes({IDYES});
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(sMissing, szFile);
    EXPECT_STREQ(szTitle, "new.KQZ");
    ASSERT_EQ(harness::Boxes().size(), 1u);
    const harness::ShownBox& box = harness::Boxes()[0];
    EXPECT_EQ(box.sText, sMissing + "\nThis file does not exist.\nCreate the file?");
    EXPECT_EQ(box.sCaption, "Open");
    EXPECT_EQ(box.uType, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(box.hwndOwner, hwnd);
    EXPECT_FALSE(std::filesystem::exists(sMissing));
}

TEST_F(FileDialogs, CreatePromptNoGoesBackToChoosingAndAnExistingFileIsNotAsked) {
    std::string sOld = dir.Write("old.kqz", {1});
    ofn.Flags = OFN_CREATEPROMPT;
    ofn.lpstrTitle = "Open a view";
    harness::ChooseFiles({dir.Path("new.kqz")});
    harness::AnswerBoxes({IDNO});
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    ASSERT_EQ(harness::Boxes().size(), 1u);
    EXPECT_EQ(harness::Boxes()[0].sCaption, "Open a view");
    EXPECT_EQ(harness::FileRequests().size(), 2u);
    harness::ChooseFiles({sOld});
    EXPECT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(harness::Boxes().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("new.kqz")));
}

}  // namespace
