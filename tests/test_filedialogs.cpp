// The common Open and Save As dialogs of the platform core (platform/core/filedialogs.cpp):
// how the record is filled, the default extension, the filter index, the overwrite
// and create prompts, cancelling, and buffers too small for the chosen name.
#include "program_run.h"

namespace {

const char kFilters[] = "Views (*.KQW)\0*.kqw\0All (*.*)\0*.*\0";

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }

    // A new owner, and a record over buffers full of 'Q' behind a short name.
    void Fresh() {
        harness::Reset();
        hwnd = OpenWindow("DialogOwner");
        std::memset(szFile, 'Q', sizeof szFile);
        std::memset(szTitle, 'Q', sizeof szTitle);
        std::strcpy(szFile, "start.kqz");
        ofn = {};
        ofn.lStructSize = sizeof(OPENFILENAMEA), ofn.hwndOwner = hwnd, ofn.lpstrFilter = kFilters;
        ofn.lpstrFile = szFile, ofn.nMaxFile = 64, ofn.lpstrFileTitle = szTitle, ofn.nMaxFileTitle = 32;
        ofn.lpstrDefExt = "KQZ";
    }
    // Buffers and record as they stand, to show that a call left them alone.
    auto Snapshot() const {
        return std::make_tuple(std::string(szFile, sizeof szFile), std::string(szTitle, sizeof szTitle),
                               ofn.nFilterIndex, ofn.nFileOffset, ofn.nFileExtension);
    }

    HWND hwnd = nullptr;
    char szFile[128], szTitle[64];
    OPENFILENAMEA ofn = {};
    ScratchDir dir;
};

// The offsets are those of the name and of the extension after its full stop,
// counted in the path: its end when it has no extension, 0 when it ends in a
// stop. A refused call (cancelled, or a name that does not fit) leaves the
// record and buffers alone; an accepted one writes nothing past either buffer.
TEST_F(FileDialogs, TheRecordGetsPathTitleAndOffsetsOrStaysAsItWas) {
    struct Case { const char* pszDefExt; const char* pszChosen; const char* pszFile; WORD wOffset, wExtension;
                  DWORD dwMaxFile = 64, dwMaxTitle = 32; bool bTitle = true; };  // pszFile nullptr: refused
    const Case cases[] = {
        {"KQZ", "/views/spiral", "/views/spiral.KQZ", 7, 14},    {".KQZ", "/views/spiral", "/views/spiral.KQZ", 7, 14},
        {"KQZW", "/views/spiral", "/views/spiral.KQZ", 7, 14},   {"KQZ", "/views/spiral.kqw", "/views/spiral.kqw", 7, 14},
        {"KQZ", "/vi.ews/spiral", "/vi.ews/spiral.KQZ", 8, 15},  {"KQZ", "C:\\VIEWS\\Spiral", "C:\\VIEWS\\Spiral.KQZ", 9, 16},
        {"KQZ", "spiral", "spiral.KQZ", 0, 7},                   {"KQZ", "/views/spiral.", "/views/spiral.", 7, 0},
        {nullptr, "/views/spiral", "/views/spiral", 7, 13},      {"KQZ", "", nullptr, 0, 0},
        // 17 characters, title 10, each with its terminator
        {"KQZ", "/views/spiral", nullptr, 0, 0, 17},              {"KQZ", "/views/spiral", "/views/spiral.KQZ", 7, 14, 18},
        {"KQZ", "/views/spiral", nullptr, 0, 0, 18, 10},          {"KQZ", "/views/spiral", "/views/spiral.KQZ", 7, 14, 18, 11},
        {"KQZ", "/views/spiral", "/views/spiral.KQZ", 7, 14, 18, 0, false}, {"KQZ", "/views/spiral", nullptr, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszChosen) + " in " + std::to_string(c.dwMaxFile) + ", title " + std::to_string(c.dwMaxTitle));
        Fresh();
        ofn.lpstrDefExt = c.pszDefExt, ofn.nMaxFile = c.dwMaxFile, ofn.nMaxFileTitle = c.dwMaxTitle;
        ofn.lpstrFileTitle = c.bTitle ? szTitle : nullptr;
        ofn.nFileOffset = 3;
        auto before = Snapshot();
        harness::ChooseFiles({c.pszChosen});
        ASSERT_EQ(GetSaveFileNameA(&ofn), c.pszFile != nullptr);
        auto after = Snapshot();
        if (!c.pszFile) EXPECT_EQ(after, before) << "refused, so untouched";
        else EXPECT_EQ(std::tie(szFile, ofn.nFileOffset, ofn.nFileExtension), std::make_tuple(std::string(c.pszFile), c.wOffset, c.wExtension));
        if (c.pszFile && c.bTitle) { EXPECT_EQ(szTitle, std::string(c.pszFile + c.wOffset)); }
        EXPECT_EQ(std::get<0>(after).substr(c.dwMaxFile), std::get<0>(before).substr(c.dwMaxFile)) << "past the path";
        EXPECT_EQ(std::get<1>(after).substr(c.dwMaxTitle), std::get<1>(before).substr(c.dwMaxTitle)) << "past the title";
    }
    EXPECT_TRUE(harness::Boxes().empty()) << "no prompt without OFN_OVERWRITEPROMPT";
}

TEST_F(FileDialogs, TheFilterIndexIsTheOneTheDialogEndedOnAndRecordsAreChecked) {
    const char kDangling[] = "Views\0*.kqw\0Dangling\0\0";  // a label without a pattern ends the list
    const std::tuple<const char*, DWORD, int, DWORD> cases[] = {{kFilters, 0, 0, 1}, {kFilters, 2, 0, 2}, {kFilters, 1, 2, 2},
        {kFilters, 5, 0, 1}, {kFilters, 1, 3, 1}, {kDangling, 2, 0, 1}, {nullptr, 2, 0, 0}};
    for (const auto& [lpstrFilter, dwOffered, iChosen, dwAfter] : cases) {
        ofn.lpstrFilter = lpstrFilter, ofn.nFilterIndex = dwOffered;
        harness::ChooseFiles({{"/views/a.kqz", iChosen}});
        ASSERT_TRUE(GetOpenFileNameA(&ofn));
        EXPECT_EQ(ofn.nFilterIndex, dwAfter) << dwOffered << " " << iChosen;
    }
    ofn.lStructSize = 76;  // the record's size on 32-bit Windows, not this one's
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "lStructSize 76";
    ofn.lStructSize = sizeof(OPENFILENAMEA);
    ofn.lpstrFile = nullptr;
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "no path buffer";
    EXPECT_EQ(harness::FileRequests().size(), std::size(cases)) << "refused records reach no dialog";
}

// Save As asks before replacing an existing file, Open before naming a missing
// one; No goes back to choosing.
TEST_F(FileDialogs, PromptsAskOnlyAboutExistingOrMissingFiles) {
    dir.Write("old.KQZ", {1, 2, 3});
    const std::string sReplace = " already exists.\nDo you want to replace it?", sCreate = "\nThis file does not exist.\nCreate the file?";
    struct Case { DWORD dwFlags; bool bSave; std::vector<std::string> choices; int iAnswer; BOOL bResult;
                  std::string sFile, sAsked, sCaption; };  // sAsked: the name asked about, if any
    const Case cases[] = {
        {OFN_OVERWRITEPROMPT, true, {"old"}, IDYES, TRUE, "old.KQZ", "old.KQZ", "Save As"},
        {OFN_OVERWRITEPROMPT, true, {"old.KQZ"}, IDNO, FALSE, "", "old.KQZ", "Save As"},
        {OFN_OVERWRITEPROMPT, true, {"old.KQZ", "new.kqz"}, IDNO, TRUE, "new.kqz", "old.KQZ", "Save As"},
        {OFN_OVERWRITEPROMPT, true, {"missing.kqz"}, IDNO, TRUE, "missing.kqz", "", ""},
        {OFN_OVERWRITEPROMPT, false, {"old.KQZ"}, IDNO, TRUE, "old.KQZ", "", ""},
        {OFN_CREATEPROMPT, false, {"new"}, IDYES, TRUE, "new.KQZ", "new.KQZ", "Open"},
        {OFN_CREATEPROMPT, false, {"new.kqz"}, IDNO, FALSE, "", "new.kqz", "Open a view"},
        {OFN_CREATEPROMPT, false, {"old.KQZ"}, IDNO, TRUE, "old.KQZ", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choices[0] + (c.bSave ? " saved" : " opened"));
        Fresh();
        ofn.Flags = c.dwFlags;
        ofn.lpstrTitle = c.sCaption == "Open a view" ? "Open a view" : nullptr;  // else the dialog's own
        auto before = Snapshot();
        for (const std::string& sName : c.choices) harness::ChooseFiles({dir.Path(sName)});
        harness::AnswerBoxes({c.iAnswer});
        EXPECT_EQ(c.bSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn), c.bResult) << "answer " << c.iAnswer;
        if (c.bResult) EXPECT_EQ(szFile, dir.Path(c.sFile));
        else EXPECT_EQ(Snapshot(), before) << "refused, so untouched";
        ASSERT_EQ(harness::FileRequests().size(), c.bResult ? c.choices.size() : c.choices.size() + 1);
        EXPECT_EQ(harness::FileRequests().back().sInitialPath, harness::FileRequests().size() > 1 ? dir.Path(c.choices[0]) : "start.kqz");
        ASSERT_EQ(harness::Boxes().size(), c.sAsked.empty() ? 0u : 1u);
        if (!c.sAsked.empty()) {
            const harness::ShownBox& box = harness::Boxes()[0];
            UINT uType = c.bSave ? MB_YESNO | MB_ICONWARNING : MB_YESNO | MB_ICONQUESTION;
            EXPECT_EQ(std::tie(box.sText, box.sCaption, box.uType, box.hwndOwner),
                      std::make_tuple(dir.Path(c.sAsked) + (c.bSave ? sReplace : sCreate), c.sCaption, uType, hwnd));
        }
    }
}

}  // namespace
