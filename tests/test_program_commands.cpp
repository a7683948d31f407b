// The whole program's menu commands and dialogs: Open, Save, Save As, Display,
// About, Help, Edit with its conversions and limits, closing, log-off, resizing.
#include "program_run.h"

#include <fstream>

namespace {

const char kSaveQuestion[] = "Save current changes in untitled";

std::string Titled(std::string sPath) {
    for (char& ch : sPath) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return "Orvanta - [" + sPath + "]";
}

void MakeDirty() { dfSetMidX = 0.25, bIsDirty = 1; }

TEST(ProgramCommands, DisplayAboutNewAndUnknownIds) {
    const std::pair<WPARAM, LRESULT> results[] = {{IDM_DISPLAY, 1}, {IDM_ABOUT, 0}, {100, 0}, {111, 0}, {IDM_NEW, 1}};
    RunProgram({[&](HWND hwnd) {
                    for (const auto& [wId, lrResult] : results) {
                        EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, wId, 0), lrResult) << wId;
                        EXPECT_EQ(bRestarting, wId == IDM_NEW ? 1 : 0) << wId;
                    }
                },
                Key('D')});  // the D key shows the Display box too
    ASSERT_EQ(harness::Boxes().size(), 3u);
    EXPECT_EQ(harness::BoxTexts()[2], harness::BoxTexts()[0]);
    // A 32-bit display: 1 << 32 taken as 1, NUMCOLORS -1 shown unsigned, COLORRES 24.
    EXPECT_EQ(harness::BoxTexts()[0], "STATUS: Card Colors:\t 1 \nSys Colors:\t 4294967295 \nPalette Size:\t 0 \nColors:\t\t 24");
    EXPECT_EQ(harness::BoxTexts()[1].rfind("Orvanta: Orvanta ", 0), 0u);
    EXPECT_EQ(harness::Boxes()[1].uType, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

// With no WinHelp file beside the program, or one WinHelp cannot show, the
// help document opens, the main window its owner.
TEST(ProgramCommands, HelpFromTheMenuF1QuestionMarkAndTheEditDialog) {
    char szProgram[MAX_PATH];
    GetModuleFileNameA(nullptr, szProgram, sizeof szProgram);
    const auto helpFile = std::filesystem::path(szProgram).parent_path() / "VELDRAN.HLP";
    for (bool bHelpFile : {false, true}) {
        if (bHelpFile) std::ofstream(helpFile).close();  // empty: WinHelp cannot show it
        RunProgram({Command(IDM_HELP), Key(VK_F1),
                    [](HWND hwnd) {
                        harness::PostInput(hwnd, WM_KEYDOWN, VK_SHIFT, 1);
                        harness::PressKey(hwnd, VK_OEM_2, '?');
                        harness::PostInput(hwnd, WM_KEYUP, VK_SHIFT, 1);
                    },
                    [](HWND) { harness::ScriptDialog({harness::PressButton(IDD_HELPBUTTON)}); }, Command(IDM_EDIT), [](HWND) {}});
        std::filesystem::remove(helpFile);
        ASSERT_EQ(harness::Documents().size(), 4u) << bHelpFile;
        for (const harness::OpenedDocument& document : harness::Documents()) {
            EXPECT_EQ(document.hwndOwner, harness::MainWindow()) << "case: help file " << bHelpFile;
            EXPECT_TRUE(document.sPath.ends_with("help/orvanta.html")) << "case: help file " << bHelpFile << ": " << document.sPath;
        }
    }
}

TEST(ProgramCommands, EditDialogConversionsAndLimits) {
    // The field's value in the order of the dialog's fields: centre, limit, height, steps, level, factor, order.
    auto value = [](int iId) {
        const double values[] = {dfSetMidX, dfSetMidY, double(ulMaxLevels), dfSetHeight, dfMoveFactor,
                                 double(iMinLevel), double(iColorFactor), double(iRGB_Combo)};
        return values[iId - IDD_CENTERX];
    };
    const struct { int iId; std::string sText; double dfExpected; harness::DialogStep end = harness::PressButton(IDOK); } rows[] = {
        {IDD_ITERATIONS, "70000", 65519},     {IDD_ITERATIONS, "65518", 65518}, {IDD_ITERATIONS, "-5", 65519},
        {IDD_ITERATIONS, " 12.9", 12},        {IDD_ITERATIONS, "many", 1024},  // 0, then the display's choice
        {IDD_ITERATIONS, "4294967296", 1024}, {IDD_ITERATIONS, "1e30", 65519},  {IDD_RGB, "9", 5},
        {IDD_RGB, "-3", 0},                   {IDD_CENTERY, "0.5", -0.5},       {IDD_COLORFACTOR, "99999999999", INT32_MAX},
        {IDD_STARTLEVEL, "-99999999999", INT32_MIN}, {IDD_ZOOM, "0." + std::string(61, '0') + "12345", 0.0},  // 63 characters read
        {IDD_ZOOM, "0.5", 0.5, harness::PressDialogKey(VK_RETURN)}, {IDD_ZOOM, "0.5", 4.0, harness::PressButton(IDCANCEL)},
        {IDD_ZOOM, "0.5", 4.0, harness::PressDialogKey(VK_ESCAPE)}, {IDD_ZOOM, "0.5", 4.0, harness::CloseDialog()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sText);
        RunProgram({[&](HWND) { harness::ScriptDialog({harness::TypeText(row.iId, row.sText), row.end}); }, Command(IDM_EDIT),
                    [&](HWND) {
                        EXPECT_EQ(value(row.iId), row.dfExpected);
                        EXPECT_EQ(bIsDirty, row.end.iId == IDOK || row.end.uKey == VK_RETURN ? 1 : 0);
                        EXPECT_FALSE(harness::Dialogs().back().bKeptOpen);
                    }});
    }
}

// Decimal fields left as shown keep their exact values, though "%f" would not
// fit them; the limit and channel order are limited on OK, touched or not.
TEST(ProgramCommands, EditShowsTheValuesKeepsUnchangedOnesExactlyAndDetachesTheView) {
    const DrawingValues deep = {-0.743643887037151, -0.131825904205330, 100000, 3.0e-9, 1e300, 2, 1000000000, 9};
    RunProgram({[&](HWND) {
                    ApplyDrawingValues(deep);
                    std::strcpy(psFilePath, "/views/a.kqz");
                    std::strcpy(psFileName, "a.kqz");
                    harness::ScriptDialog({harness::PressButton(IDOK)});
                },
                Command(IDM_EDIT),
                [&](HWND hwnd) {
                    ASSERT_EQ(harness::Dialogs().size(), 1u);
                    const harness::ShownDialog& dialog = harness::Dialogs()[0];
                    EXPECT_EQ(dialog.sTitle, "Edit Drawing Values");
                    EXPECT_EQ(dialog.hwndOwner, hwnd);
                    EXPECT_EQ(dialog.iFocusId, IDD_CENTERX);
                    std::string sShown;
                    for (int iId = IDD_CENTERX; iId <= IDD_RGB; ++iId) sShown += dialog.fieldsAtStart.at(iId) + " ";
                    EXPECT_EQ(sShown, "-0.743644 0.131826 100000 0.000000 1.0000000000000001e+300 2 1000000000 9 ");
                    DrawingValues limited = deep;
                    limited.ulMaxLevels = kLevelLimit, limited.iRGB_Combo = 5;
                    EXPECT_EQ(ValueBits(CurrentDrawingValues()), ValueBits(limited));
                    EXPECT_EQ(bIsDirty, 1);
                    EXPECT_STREQ(psFilePath, "");
                    EXPECT_EQ(TitleOf(hwnd), "Orvanta - [untitled]");
                }});
}

// Open, Save, Save As and closing, on a view changed or not: the box shown and
// answered, the file dialogs ('O'pen, 'S'ave) and the file chosen; what is
// written or loaded, the title and whether the program ends. Yes on an untitled
// view asks for a name; a failed save keeps the new name and warns. Exit from
// the menu is a close; a program that closes leaves nothing allocated. Log-off
// asks only "Quit now?", changed or not.
TEST(ProgramCommands, FilesAndClosingAskTheRightQuestions) {
    ScratchDir dir;
    const DrawingValues kSpiral = {-0.75, 0.1, 2000, 0.5, 0.1, 3, 120, 4};
    const std::string sView = dir.Write("Spiral.KQZ", ViewFileBytes(kSpiral)), sSaved = dir.Path("saved.KQZ");
    const std::string sMissing = dir.Path("missing/view.kqz");
    using Box = std::pair<std::string, UINT>;
    const Box kNone, kAsk = {std::string("Veldran: ") + kSaveQuestion, MB_YESNOCANCEL | MB_ICONQUESTION},
                     kQuit = {"Orvanta: Quit now?", MB_OKCANCEL | MB_ICONQUESTION},
                     kWarn = {"Veldran: Could not write file view.kqz", MB_OK | MB_ICONEXCLAMATION};
    const struct { const char* pszName; UINT uMessage; WPARAM wId; bool bDirty; int iAnswer; std::string sChosen; LRESULT lrResult;
                   Box box; std::string sDialogs; bool bSaved; std::string sTitle; bool bDirtyAfter, bLoaded; } cases[] = {
        {"Open, unchanged", WM_COMMAND, IDM_OPEN, false, IDOK, sView, 0, kNone, "O", false, Titled(sView), false, true},
        {"Open, changed, Cancel", WM_COMMAND, IDM_OPEN, true, IDCANCEL, sView, 0, kAsk, "", false, "Orvanta", true, false},
        {"Open, changed, No", WM_COMMAND, IDM_OPEN, true, IDNO, sView, 0, kAsk, "O", false, Titled(sView), false, true},
        {"Open, changed, Yes: the name asked for is cancelled", WM_COMMAND, IDM_OPEN, true, IDYES, "", 0, kAsk, "S", false, "Orvanta",
         true, false},
        {"Save, untitled: .KQZ added", WM_COMMAND, IDM_SAVE, true, IDOK, dir.Path("saved"), 1, kNone, "S", true, Titled(sSaved), false,
         false},
        {"Save As, into a missing folder", WM_COMMAND, IDM_SAVEAS, true, IDOK, sMissing, 0, kWarn, "S", false, Titled(sMissing), true,
         false},
        {"close, unchanged, OK", WM_CLOSE, 0, false, IDOK, "", 0, kQuit, "", false, "", false, false},
        {"Exit, unchanged, Cancel", WM_COMMAND, IDM_EXIT, false, IDCANCEL, "", 1, kQuit, "", false, "Orvanta", false, false},
        {"close, changed, Yes and saved", WM_CLOSE, 0, true, IDYES, sSaved, 0, kAsk, "S", true, "", false, false},
        {"close, changed, Yes but the save is cancelled", WM_CLOSE, 0, true, IDYES, "", 0, kAsk, "S", false, "Orvanta", true, false},
        {"close, changed, Cancel", WM_CLOSE, 0, true, IDCANCEL, "", 0, kAsk, "", false, "Orvanta", true, false},
        {"Exit, changed, No", WM_COMMAND, IDM_EXIT, true, IDNO, "", 1, kAsk, "", false, "", false, false},
        {"log-off, changed, OK", WM_QUERYENDSESSION, 0, true, IDOK, "", 1, kQuit, "", false, "Orvanta", true, false},
        {"log-off, changed, Cancel", WM_QUERYENDSESSION, 0, true, IDCANCEL, "", 0, kQuit, "", false, "Orvanta", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("case: ") + c.pszName);
        std::filesystem::remove(sSaved);
        std::string sTitle;  // left empty when the program ends
        bool bDirtyAfter = false;
        DrawingValues before{}, after{};
        double dfWidth = 0;
        RunProgram({[&](HWND hwnd) {
                        if (c.bDirty) MakeDirty();
                        before = CurrentDrawingValues();
                        harness::AnswerBoxes({c.iAnswer});
                        harness::ChooseFiles({c.sChosen});
                        if (c.uMessage == WM_CLOSE) harness::PostInput(hwnd, WM_CLOSE, 0, 0);
                        else EXPECT_EQ(SendMessageA(hwnd, c.uMessage, c.wId, 0), c.lrResult);
                    },
                    [&](HWND hwnd) {
                        sTitle = TitleOf(hwnd);
                        bDirtyAfter = bIsDirty;
                        after = CurrentDrawingValues();
                        dfWidth = dfSetWidth;
                    }},
                   c.sTitle.empty());
        EXPECT_EQ(sTitle, c.sTitle);
        EXPECT_EQ(bDirtyAfter, c.bDirtyAfter);
        std::vector<Box> boxes;
        for (const harness::ShownBox& box : harness::Boxes()) boxes.emplace_back(box.sCaption + ": " + box.sText, box.uType);
        EXPECT_EQ(boxes, c.box.first.empty() ? std::vector<Box>{} : std::vector<Box>{c.box});
        std::string sDialogs;
        for (const auto& request : harness::FileRequests()) sDialogs += request.bSave ? 'S' : 'O';
        EXPECT_EQ(sDialogs, c.sDialogs);
        EXPECT_EQ(std::filesystem::exists(sSaved) ? std::filesystem::file_size(sSaved) : 0, c.bSaved ? 65u : 0u);
        if (!c.sTitle.empty()) { EXPECT_EQ(ValueBits(after), ValueBits(c.bLoaded ? kSpiral : before)) << "the values"; }
        if (c.bLoaded) { EXPECT_DOUBLE_EQ(dfWidth, 0.5 * 64 / 48) << "the repaint re-measured"; }
        const int iLive = harness::LiveWindows() + harness::LiveDeviceContexts() + harness::LiveGdiObjects() + harness::LiveMemoryBlocks();
        if (c.sTitle.empty()) { EXPECT_EQ(iLive, 0); }
    }
}

// A size memory cannot hold pixels for leaves the window its background (no
// pixels) until one that fits, which gets the whole picture, measured anew
// (the geometry of a resize is ViewGeometry's).
TEST(ProgramCommands, ResizingRemeasuresClearsAndRestarts) {
    int iBeeps = 0;
    RunProgram({[](HWND hwnd) { harness::FailNextAllocations(1), harness::ResizeWindow(hwnd, 200, 150); },
                [&](HWND hwnd) {
                    EXPECT_EQ(harness::PixelsInPlace(hwnd), nullptr);
                    iBeeps = harness::BeepCount();
                    harness::RecordFills();
                    harness::ResizeWindow(hwnd, 80, 40);
                },
                [&](HWND hwnd) {
                    EXPECT_EQ(harness::BeepCount(), iBeeps + 1);
                    ASSERT_FALSE(harness::Fills().empty());
                    const auto& [rcErased, crErased] = harness::Fills()[0];
                    EXPECT_EQ(rcErased.right, 80);
                    EXPECT_EQ(rcErased.bottom, 40);
                    EXPECT_EQ(crErased, GetSysColor(COLOR_WINDOWTEXT));
                    EXPECT_EQ(harness::Pixels(hwnd), PixelByPixelPicture());
                }});
}

}  // namespace
