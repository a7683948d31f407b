// The whole program's commands, dialogs and closing: New, Open, Save, Save As,
// Display, About, Help, Edit, Exit, unknown ids, the close and log-off
// questions, and resizing.
#include "program_run.h"
#include "resource.h"
#include "view_values.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

const char kUntitled[] = "Orvanta - [untitled]";

class ProgramCommands : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orvanta-commands-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& sName) const { return (dir_ / sName).string(); }
    fs::path dir_;
};

// A view file of the given centre and height; the other values are fixed.
void WriteView(const std::string& sPath, double dfX, double dfY, double dfHeight) {
    Bytes bytes = ViewFileBytes({dfX, dfY, 2000, dfHeight, 0.1, 3, 120, 4});
    std::ofstream(sPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

ProgramSetup EndingEarly(bool bEnds) {
    ProgramSetup setup;
    setup.bEndsEarly = bEnds;
    return setup;
}

size_t FileSize(const std::string& sPath) { return fs::exists(sPath) ? fs::file_size(sPath) : 0; }

void MakeDirty() {
    dfSetMidX = 0.25;
    bIsDirty = 1;
}

TEST_F(ProgramCommands, NewStartsAgainButKeepsLevelAndInversion) {
    RunProgram({[](HWND hwnd) {
                    dfSetMidX = 1.0;
                    dfSetHeight = 0.1;
                    dfMoveFactor = 0.5;
                    iColorFactor = 50;
                    iRGB_Combo = 3;
                    ulMaxLevels = 5000;
                    iMinLevel = 4;
                    bInvertColors = 1;
                    bIsDirty = 1;
                    PostMessageA(hwnd, WM_COMMAND, IDM_NEW, 0);
                },
                [](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, 0.0);
                    EXPECT_EQ(dfSetHeight, 4.0);
                    EXPECT_EQ(dfMoveFactor, 0.2);
                    EXPECT_EQ(iColorFactor, 100);
                    EXPECT_EQ(iRGB_Combo, 0);
                    EXPECT_EQ(ulMaxLevels, 1024u);  // chosen again by the repaint
                    EXPECT_EQ(iMinLevel, 4);
                    EXPECT_EQ(bInvertColors, 1);
                    EXPECT_EQ(bIsDirty, 0);
                    EXPECT_EQ(TitleOf(hwnd), kUntitled);
                    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, IDM_NEW, 0), 1);
                }});
}

TEST_F(ProgramCommands, OpenLoadsTheFileAndNamesIt) {
    std::string sView = Path("Spiral.KQZ");
    WriteView(sView, -0.75, 0.1, 0.5);
    RunProgram({[&](HWND) { harness::ChooseFiles({sView}); }, Command(IDM_OPEN),
                [&](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, -0.75);
                    EXPECT_EQ(dfSetHeight, 0.5);
                    EXPECT_EQ(ulMaxLevels, 2000u);
                    EXPECT_EQ(iMinLevel, 3);
                    EXPECT_EQ(bIsDirty, 0);
                    EXPECT_EQ(TitleOf(hwnd), "Orvanta - [" + Lower(sView) + "]");
                    EXPECT_TRUE(harness::Boxes().empty());
                    EXPECT_DOUBLE_EQ(dfSetWidth, 0.5 * 64 / 48);  // the repaint re-measured
                }});
}

TEST_F(ProgramCommands, OpenOnAChangedViewAsksFirst) {
    std::string sView = Path("view.kqz");
    WriteView(sView, -0.75, 0.1, 0.5);
    struct Case {
        const char* pszName;
        int iAnswer;
        bool bChooseSaveAs;  // the answer Yes on an untitled view asks for a name
        bool bOpened;
    };
    const Case cases[] = {{"cancel", IDCANCEL, false, false},
                          {"no", IDNO, false, true},
                          {"yes, save as cancelled", IDYES, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        RunProgram({[&](HWND hwnd) {
                        MakeDirty();
                        harness::AnswerBoxes({c.iAnswer});
                        if (c.bChooseSaveAs) harness::ChooseFiles({""});
                        else harness::ChooseFiles({sView});
                        EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0), 0);
                    },
                    [&](HWND) {
                        ASSERT_FALSE(harness::Boxes().empty());
                        EXPECT_EQ(harness::Boxes()[0].sText, "Save current changes in untitled");
                        EXPECT_EQ(harness::Boxes()[0].sCaption, "Veldran");
                        EXPECT_EQ(dfSetMidX, c.bOpened ? -0.75 : 0.25);
                        EXPECT_EQ(bIsDirty, c.bOpened ? 0 : 1);
                        size_t uDialogs = c.iAnswer == IDCANCEL ? 0u : 1u;
                        EXPECT_EQ(harness::FileRequests().size(), uDialogs);
                    }});
    }
}

TEST_F(ProgramCommands, OpenOfABadFileKeepsValuesAndChangesButForgetsTheName) {
    std::string sBad = Path("bad.kqz");
    std::ofstream(sBad, std::ios::binary) << "veldran kqz file:0123456789012345678901234567890123456789012345678";
    RunProgram({[&](HWND) {
                    MakeDirty();
                    std::strcpy(psFilePath, "/old/name.kqz");
                    harness::AnswerBoxes({IDNO});
                    harness::ChooseFiles({sBad});
                },
                Command(IDM_OPEN),
                [&](HWND hwnd) {
                    EXPECT_EQ(dfSetMidX, 0.25);
                    EXPECT_EQ(bIsDirty, 1);
                    EXPECT_EQ(TitleOf(hwnd), kUntitled);
                    ASSERT_EQ(harness::Boxes().size(), 2u);
                    EXPECT_EQ(harness::Boxes()[1].sText, "Invalid View File format: \n\n " + sBad);
                    EXPECT_EQ(harness::Boxes()[1].sCaption, "Veldran");
                }});
}

TEST_F(ProgramCommands, SaveOnAnUntitledViewAsksForAName) {
    std::string sView = Path("saved");
    int iResult = -1;
    RunProgram({[&](HWND hwnd) {
        MakeDirty();
        harness::ChooseFiles({sView});
        iResult = static_cast<int>(SendMessageA(hwnd, WM_COMMAND, IDM_SAVE, 0));
        EXPECT_EQ(TitleOf(hwnd), "Orvanta - [" + Lower(sView) + ".kqz]");
    }});
    EXPECT_EQ(iResult, 1);
    EXPECT_EQ(bIsDirty, 0);
    EXPECT_EQ(FileSize(sView + ".KQZ"), 65u);
    ASSERT_EQ(harness::FileRequests().size(), 1u);
    EXPECT_TRUE(harness::FileRequests()[0].bSave);
}

TEST_F(ProgramCommands, AFailedSaveAsWarnsAndKeepsTheNewName) {
    std::string sView = Path("missing-folder/view.kqz");
    int iResult = -1;
    RunProgram({[&](HWND hwnd) {
        MakeDirty();
        harness::ChooseFiles({sView});
        iResult = static_cast<int>(SendMessageA(hwnd, WM_COMMAND, IDM_SAVEAS, 0));
        EXPECT_EQ(TitleOf(hwnd), "Orvanta - [" + Lower(sView) + "]");
    }});
    EXPECT_EQ(iResult, 0);
    EXPECT_EQ(bIsDirty, 1);
    ASSERT_EQ(harness::Boxes().size(), 1u);
    EXPECT_EQ(harness::Boxes()[0].sText, "Could not write file view.kqz");
    EXPECT_EQ(harness::Boxes()[0].uType, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(ProgramCommands, DisplayAboutAndUnknownIds) {
    RunProgram({[](HWND hwnd) {
        EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, IDM_DISPLAY, 0), 1);
        EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, IDM_ABOUT, 0), 0);
        EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, 100, 0), 0);
        EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, 111, 0), 0);
        EXPECT_EQ(bRestarting, 0);
    }});
    ASSERT_EQ(harness::Boxes().size(), 2u);
    EXPECT_EQ(harness::Boxes()[0].sText,
              "Card Colors:\t 1 \nSys Colors:\t 4294967295 \nPalette Size:\t 0 \nColors:\t\t 24");
    EXPECT_EQ(harness::Boxes()[0].sCaption, "STATUS");
    EXPECT_EQ(harness::Boxes()[1].sCaption, "Orvanta");
    EXPECT_EQ(harness::Boxes()[1].sText.rfind("Orvanta ", 0), 0u);
    EXPECT_EQ(harness::Boxes()[1].uType, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(ProgramCommands, HelpFromTheMenuF1QuestionMarkAndTheEditDialog) {
    RunProgram({Command(IDM_HELP), Key(VK_F1),
                [](HWND hwnd) {
                    harness::PostInput(hwnd, WM_KEYDOWN, VK_SHIFT, 1);
                    harness::PressKey(hwnd, VK_OEM_2, '?');
                    harness::PostInput(hwnd, WM_KEYUP, VK_SHIFT, 1);
                },
                [](HWND) { harness::ScriptDialog({harness::PressButton(IDD_HELPBUTTON)}); },
                Command(IDM_EDIT), [](HWND) {}});
    // No WinHelp file beside the program: the help document opens, the main window its owner.
    ASSERT_EQ(harness::Documents().size(), 4u);
    const std::string sDocument = "help/orvanta.html";
    for (const harness::OpenedDocument& document : harness::Documents()) {
        EXPECT_EQ(document.hwndOwner, harness::MainWindow());
        ASSERT_GE(document.sPath.size(), sDocument.size());
        EXPECT_EQ(document.sPath.substr(document.sPath.size() - sDocument.size()), sDocument);
    }
}

struct EditCase {
    const char* pszName;
    std::vector<harness::DialogStep> steps;
    std::function<void()> check;
};

TEST_F(ProgramCommands, EditDialogConversionsAndLimits) {
    using harness::PressButton;
    using harness::TypeText;
    const EditCase cases[] = {
        {"iterations 70000", {TypeText(IDD_ITERATIONS, "70000"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 65519u); }},
        {"iterations 65518", {TypeText(IDD_ITERATIONS, "65518"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 65518u); }},
        {"iterations -5", {TypeText(IDD_ITERATIONS, "-5"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 65519u); }},
        {"iterations 12.9", {TypeText(IDD_ITERATIONS, " 12.9"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 12u); }},
        {"iterations text", {TypeText(IDD_ITERATIONS, "many"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 1024u); }},
        {"iterations 2^32", {TypeText(IDD_ITERATIONS, "4294967296"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 1024u); }},
        {"iterations 1e30", {TypeText(IDD_ITERATIONS, "1e30"), PressButton(IDOK)}, [] { EXPECT_EQ(ulMaxLevels, 65519u); }},
        {"rgb 9", {TypeText(IDD_RGB, "9"), PressButton(IDOK)}, [] { EXPECT_EQ(iRGB_Combo, 5); }},
        {"rgb -3", {TypeText(IDD_RGB, "-3"), PressButton(IDOK)}, [] { EXPECT_EQ(iRGB_Combo, 0); }},
        {"centre y 0.5", {TypeText(IDD_CENTERY, "0.5"), PressButton(IDOK)}, [] { EXPECT_EQ(dfSetMidY, -0.5); }},
        {"colour factor beyond 32 bits", {TypeText(IDD_COLORFACTOR, "99999999999"), PressButton(IDOK)}, [] { EXPECT_EQ(iColorFactor, INT32_MAX); }},
        {"starting size below 32 bits", {TypeText(IDD_STARTLEVEL, "-99999999999"), PressButton(IDOK)}, [] { EXPECT_EQ(iMinLevel, INT32_MIN); }},
        {"enter is OK", {TypeText(IDD_ZOOM, "0.5"), harness::PressDialogKey(VK_RETURN)}, [] { EXPECT_EQ(dfSetHeight, 0.5); }},
        {"cancel", {TypeText(IDD_ZOOM, "0.5"), PressButton(IDCANCEL)}, [] { EXPECT_EQ(dfSetHeight, 4.0); EXPECT_EQ(bIsDirty, 0); }},
        {"escape", {TypeText(IDD_ZOOM, "0.5"), harness::PressDialogKey(VK_ESCAPE)}, [] { EXPECT_EQ(dfSetHeight, 4.0); }},
        {"close box", {TypeText(IDD_ZOOM, "0.5"), harness::CloseDialog()}, [] { EXPECT_EQ(dfSetHeight, 4.0); }},
        {"only 63 characters are read", {TypeText(IDD_ZOOM, "0." + std::string(61, '0') + "12345"), PressButton(IDOK)},
         [] { EXPECT_EQ(dfSetHeight, 0.0); }},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        RunProgram({[&](HWND) { harness::ScriptDialog(c.steps); }, Command(IDM_EDIT),
                    [&](HWND) { c.check(); }});
    }
}

TEST_F(ProgramCommands, EditDialogShowsTheValuesAndOkDetachesTheView) {
    std::map<int, std::string> shown;
    RunProgram({[](HWND) {
                    std::strcpy(psFilePath, "/views/a.kqz");
                    std::strcpy(psFileName, "a.kqz");
                    harness::ScriptDialog({harness::PressButton(IDOK)});
                },
                Command(IDM_EDIT),
                [&](HWND hwnd) {
                    ASSERT_EQ(harness::Dialogs().size(), 1u);
                    shown = harness::Dialogs()[0].fieldsAtStart;
                    EXPECT_EQ(harness::Dialogs()[0].sTitle, "Edit Drawing Values");
                    EXPECT_EQ(harness::Dialogs()[0].hwndOwner, hwnd);
                    EXPECT_EQ(harness::Dialogs()[0].iFocusId, IDD_CENTERX);
                    EXPECT_EQ(bIsDirty, 1);
                    EXPECT_EQ(psFilePath[0], '\0');
                    EXPECT_EQ(TitleOf(hwnd), kUntitled);
                }});
    EXPECT_EQ(shown[IDD_CENTERX], "0.000000");
    EXPECT_TRUE(shown[IDD_CENTERY] == "0.000000" || shown[IDD_CENTERY] == "-0.000000");
    EXPECT_EQ(shown[IDD_ITERATIONS], "1024");
    EXPECT_EQ(shown[IDD_ZOOM], "4.000000");
    EXPECT_EQ(shown[IDD_MOVE], "0.200000");
    EXPECT_EQ(shown[IDD_STARTLEVEL], "2");
    EXPECT_EQ(shown[IDD_COLORFACTOR], "100");
    EXPECT_EQ(shown[IDD_RGB], "0");
}

TEST_F(ProgramCommands, EditOkWithoutAChangeKeepsADeepZoomExactly) {
    const double dfDeepHeight = 3.0e-9, dfX = -0.743643887037151, dfY = -0.131825904205330;
    std::map<int, std::string> shown;
    RunProgram({[&](HWND) {
                    dfSetHeight = dfDeepHeight;
                    dfSetMidX = dfX;
                    dfSetMidY = dfY;
                    iColorFactor = 1e9;
                    dfMoveFactor = 1e300;  // "%f" would not fit the field
                    harness::ScriptDialog({harness::PressButton(IDOK)});
                },
                Command(IDM_EDIT),
                [&](HWND) {
                    shown = harness::Dialogs()[0].fieldsAtStart;
                    EXPECT_EQ(dfSetHeight, dfDeepHeight);
                    EXPECT_EQ(dfSetMidX, dfX);
                    EXPECT_EQ(dfSetMidY, dfY);
                    EXPECT_EQ(dfMoveFactor, 1e300);
                }});
    EXPECT_EQ(shown[IDD_ZOOM], "0.000000");
    EXPECT_EQ(shown[IDD_MOVE], "1.0000000000000001e+300");
}

TEST_F(ProgramCommands, ExitAsksAndEnds) {
    bool bRanAfterExit = false;
    harness::Reset();
    int iExit = RunProgram({[](HWND hwnd) {
                                harness::AnswerBoxes({IDOK});
                                EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, IDM_EXIT, 0), 1);
                                EXPECT_FALSE(IsWindow(hwnd));
                            },
                            [&](HWND) { bRanAfterExit = true; }},
                           EndingEarly(true));
    EXPECT_EQ(iExit, 0);
    EXPECT_FALSE(bRanAfterExit);
    ASSERT_EQ(harness::Boxes().size(), 1u);
    EXPECT_EQ(harness::Boxes()[0].sText, "Quit now?");
    EXPECT_EQ(harness::Boxes()[0].uType, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
}

struct CloseCase {
    const char* pszName;
    bool bDirty;
    int iAnswer;
    const char* pszSaveAs;  // nullptr: cancel the Save As dialog
    bool bCloses;
};

TEST_F(ProgramCommands, ClosingAsksTheRightQuestion) {
    std::string sSaved = Path("closing.kqz");
    const CloseCase cases[] = {
        {"unchanged, OK", false, IDOK, nullptr, true},
        {"unchanged, Cancel", false, IDCANCEL, nullptr, false},
        {"changed, Yes and saved", true, IDYES, sSaved.c_str(), true},
        {"changed, Yes but the save is cancelled", true, IDYES, nullptr, false},
        {"changed, No", true, IDNO, nullptr, true},
        {"changed, Cancel", true, IDCANCEL, nullptr, false},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        fs::remove(sSaved);
        bool bStillOpen = false;
        int iExit = RunProgram({[&](HWND hwnd) {
                                    if (c.bDirty) MakeDirty();
                                    harness::AnswerBoxes({c.iAnswer});
                                    harness::ChooseFiles({c.pszSaveAs ? c.pszSaveAs : ""});
                                    harness::PostInput(hwnd, WM_CLOSE, 0, 0);
                                },
                                [&](HWND hwnd) { bStillOpen = IsWindow(hwnd); }},
                               EndingEarly(c.bCloses));
        EXPECT_EQ(iExit, 0);
        EXPECT_EQ(bStillOpen, !c.bCloses);
        ASSERT_EQ(harness::Boxes().size(), 1u);
        EXPECT_EQ(harness::Boxes()[0].sText, c.bDirty ? "Save current changes in untitled" : "Quit now?");
        EXPECT_EQ(FileSize(sSaved), c.pszSaveAs ? 65u : 0u);
    }
}

TEST_F(ProgramCommands, LogOffAsksOnlyQuitNow) {
    LRESULT lrYes = -1, lrNo = -1;
    RunProgram({[&](HWND hwnd) {
                    MakeDirty();
                    harness::AnswerBoxes({IDOK, IDCANCEL});
                    lrYes = SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0);
                    lrNo = SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0);
                    EXPECT_EQ(bQuitting, 0);
                    EXPECT_TRUE(IsWindow(hwnd));
                }});
    EXPECT_EQ(lrYes, 1);
    EXPECT_EQ(lrNo, 0);
    ASSERT_EQ(harness::Boxes().size(), 2u);
    EXPECT_EQ(harness::Boxes()[0].sText, "Quit now?");
    EXPECT_TRUE(harness::FileRequests().empty());
}

TEST_F(ProgramCommands, ResizingRemeasuresClearsAndRestarts) {
    int iBeeps = 0;
    RunProgram({[&](HWND hwnd) {
                    dfSetMidX = -0.5;
                    dfSetHeight = 2.0;
                    SetupSet();
                    iBeeps = harness::BeepCount();
                    harness::RecordFills();
                    harness::ResizeWindow(hwnd, 80, 40);
                },
                [&](HWND) {
                    EXPECT_EQ(iMaxX, 80);
                    EXPECT_EQ(iMaxY, 40);
                    EXPECT_EQ(dfSetMidX, -0.5);
                    EXPECT_EQ(dfSetHeight, 2.0);
                    EXPECT_EQ(dfSetWidth, 4.0);
                    EXPECT_EQ(harness::BeepCount(), iBeeps + 1);
                    ASSERT_FALSE(harness::Fills().empty());
                    const auto& erase = harness::Fills()[0];
                    EXPECT_EQ(erase.first.right, 80);
                    EXPECT_EQ(erase.first.bottom, 40);
                    EXPECT_EQ(erase.second, GetSysColor(COLOR_WINDOWTEXT));
                }});
}

TEST_F(ProgramCommands, AMinimisedWindowDrawsNothingUntilRestored) {
    int iPasses = 0;
    RunProgram({[](HWND hwnd) { harness::ResizeWindow(hwnd, 0, 0); },
                [&](HWND) { iPasses = iPassCount; },
                [&](HWND hwnd) {
                    EXPECT_EQ(iPassCount, iPasses);
                    harness::ResizeWindow(hwnd, 64, 48);
                },
                [&](HWND) { EXPECT_GT(iPassCount, iPasses); }});
}

}  // namespace
