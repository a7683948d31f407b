// The vrx window utilities (winmisc/winmisc.cpp): the prompts and their answers
// and the window title the program shows, and one pass over the utilities it
// does not call (menu toggle, status bar, list-box copier).
#include "program_run.h"
#include "winmisc.h"

namespace {

const COLORREF kBackground = RGB(1, 2, 3);

bool Within(int v, int iFirst, int iLast) { return v >= iFirst && v <= iLast; }

// The system colour a recessed frame around the interior rc (bounds inclusive)
// leaves at (x, y), or -1: its lines in drawing order, each up to but not
// including its end point, the later over the earlier.
int FrameColour(int x, int y, RECT rc, int iDepth) {
    const int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom, d = iDepth;
    if (d == 2 && ((x == l - 1 && Within(y, t - 1, b - 1)) || (y == t - 1 && Within(x, l - 1, r - 1)))) return COLOR_BTNTEXT;
    if ((x == l - d && Within(y, t - 1, b)) || (y == t - d && Within(x, l - d, r))) return COLOR_BTNSHADOW;
    if ((x == r + 1 && Within(y, t - d, b + 1)) || (y == b + 1 && Within(x, l - d, r + 1))) return COLOR_BTNHIGHLIGHT;
    return -1;
}

class Winmisc : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        hwnd = OpenWindow("WinmiscTest");
    }
    HWND List() { return CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 640, 480, hwnd, nullptr, nullptr, nullptr); }
    HWND hwnd = nullptr;
};

// Each warning's and save prompt's box, and what the caller gets for the answer
// given: names empty, with conversions in them and too long for the box. What
// the program asks on closing, and what it shows with no memory, is tested with
// the program (FilesAndClosingAskTheRightQuestions, EveryEarlyEndExitsWithZeroAndLeavesNoWindow).
TEST_F(Winmisc, PromptsShowTheirTextAndGiveTheAnswer) {
    const std::string sLong(700, 'N');
    auto warn = [](std::string sName) {
        return [=](HWND h) { vrxFileMessage(h, "Could not write file %s", sName.c_str(), "Veldran"); return 0; };
    };
    auto askSave = [](std::string sName) { return [=](HWND h) { return vrxAskFileSave(h, sName.c_str(), "Veldran", 103); }; };
    const UINT uWarn = MB_OK | MB_ICONEXCLAMATION, uSave = MB_YESNOCANCEL | MB_ICONQUESTION;
    const struct { std::function<int(HWND)> ask; int iAnswer, iResult; std::string sText; UINT uType; } cases[] = {
        {warn(""), IDOK, 0, "Could not write file untitled", uWarn},
        {warn("100%s %d%%.kqz"), IDOK, 0, "Could not write file 100%s %d%%.kqz", uWarn},
        {warn(sLong), IDOK, 0, ("Could not write file " + sLong).substr(0, 575), uWarn},
        {askSave(sLong), IDNO, IDNO, ("Save current changes in " + sLong).substr(0, 575), uSave},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case: " + c.sText.substr(0, 40));
        harness::ClearBoxes();
        harness::AnswerBoxes({c.iAnswer});
        EXPECT_EQ(c.ask(hwnd), c.iResult);
        ASSERT_EQ(harness::Boxes().size(), 1u);
        const harness::ShownBox& box = harness::Boxes()[0];
        EXPECT_EQ(std::tie(box.sText, box.sCaption, box.hwndOwner, box.uType), std::make_tuple(c.sText, "Veldran", hwnd, c.uType));
    }
}

TEST_F(Winmisc, TheTitleShowsTheNameLowerCasedAndCutAndLeavesTheCallersCopy) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "Orvanta - [untitled]"},
        {"C:\\VIEWS\\Spiral.KQZ", "Orvanta - [c:\\views\\spiral.kqz]"},
        {"\xC4PFEL\xE9%s.KQZ", "Orvanta - [\xC4pfel\xE9%s.kqz]"},
        {"@AZ[`az{", "Orvanta - [@az[`az{]"},
        {std::string(700, 'N'), "Orvanta - [" + std::string(564, 'n')},
    };
    for (const auto& [sName, sCaption] : cases) {
        std::vector<char> name(sName.c_str(), sName.c_str() + sName.size() + 1);
        vrxSetWindowText(hwnd, name.data(), "Orvanta");
        EXPECT_EQ(TitleOf(hwnd), sCaption);
        EXPECT_EQ(name.data(), sName);
    }
}

// The program calls none of these: each does its one job, leaks nothing and
// draws where it should: a recessed frame of depth 2 around (40, 10)-(50, 20),
// its every pixel and nothing else, and the status bar's rules and its field's
// frame of depth 1, every corner included.
TEST_F(Winmisc, TheUtilitiesTheProgramDoesNotCall) {
    HMENU hMenu = LoadMenuA(nullptr, "VELDRAN");  // the program's menu: its Edit item, 109
    for (auto [bValue, iResult] : {std::pair{0, 1}, {5, 0}, {0, 1}}) {
        EXPECT_EQ(vrxToggleMenuItem(hMenu, IDM_EDIT, bValue), iResult) << "case: state " << bValue;
        EXPECT_EQ((GetMenuState(hMenu, IDM_EDIT, MF_BYCOMMAND) & MF_CHECKED) != 0, iResult == 1) << "case: state " << bValue;
    }
    HDC hdc = GetDC(hwnd);
    RECT rcWindow = {0, 0, 640, 480};
    HBRUSH hbr = CreateSolidBrush(kBackground);
    FillRect(hdc, &rcWindow, hbr);
    DeleteObject(hbr);
    int iGdiObjects = harness::LiveGdiObjects();
    vrxDrawRecessedBox(hdc, 40, 10, 50, 20, 2);
    RECT rc = vrxCreateStatusBar(hwnd, hdc);
    EXPECT_EQ(std::tie(rc.left, rc.top, rc.right, rc.bottom), std::make_tuple(LONG(10), LONG(461), LONG(630), LONG(477)));
    EXPECT_EQ(harness::LiveGdiObjects(), iGdiObjects);
    // The frame of depth 2 on the background; a dark rule on row 457, a light
    // one on 458, the face below with the field's frame.
    auto expected = [&](int x, int y) {
        int iFrame = y < 457 ? FrameColour(x, y, {40, 10, 50, 20}, 2) : FrameColour(x, y, rc, 1);
        if (y < 457) return iFrame < 0 ? kBackground : GetSysColor(iFrame);
        if (y == 457) return GetSysColor(COLOR_BTNTEXT);
        if (y == 458) return GetSysColor(COLOR_BTNHIGHLIGHT);
        return GetSysColor(iFrame < 0 ? COLOR_BTNFACE : iFrame);
    };
    std::vector<int> rows = {456, 457, 458, 459, 460, 461, 476, 477, 478, 479};
    for (int y = 5; y <= 25; ++y) rows.push_back(y);
    const std::vector<uint32_t> pixels = harness::Pixels(hwnd);
    ASSERT_EQ(pixels.size(), 640u * 480);
    for (int y : rows)
        for (int x = 0; x < 640; ++x) EXPECT_EQ(pixels[y * 640 + x], expected(x, y)) << "case: pixel at " << x << "," << y;
    HWND hwndList = List();
    for (const std::string& sItem : {std::string(600, 'x'), std::string("tail")})
        SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sItem.c_str()));
    int iBlocks = harness::LiveMemoryBlocks();
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, List(), "Veldran"), FALSE);
    EXPECT_EQ(harness::LiveMemoryBlocks(), iBlocks);
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), TRUE);
    EXPECT_EQ(harness::ClipboardText(), std::string(511, 'x') + "\r\ntail");
    OpenClipboard(OpenWindow("WinmiscTest"));  // another window keeps it open
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), FALSE);
    ASSERT_EQ(harness::Boxes().size(), 1u);
    EXPECT_EQ(harness::Boxes()[0].sText, "Cannot open Clipboard - try later");
}

}  // namespace
