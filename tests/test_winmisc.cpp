// The vrx window utilities (winmisc/winmisc.cpp): prompts and their answers, the
// window title, the queue drain, the menu check toggle, the recessed frame and
// status bar pixel by pixel, text at a character cell, and the list-box copier.
#include "core.h"
#include "harness.h"
#include "winmisc.h"

#include <functional>
#include <gtest/gtest.h>
#include <tuple>

namespace platform {
size_t MemoryBlockSize(HANDLE hMem);
}  // namespace platform

namespace {

std::vector<std::pair<UINT, WPARAM>> g_received;
LRESULT g_lCommandResult = 1;

// Records what a test cares about; a command returns the result the test chose.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    switch (uMessage) {
    case WM_COMMAND: g_received.emplace_back(uMessage, wParam); return g_lCommandResult;
    case WM_USER + 1: case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: g_received.emplace_back(uMessage, wParam); return 0;
    }
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

LRESULT CALLBACK BrokenListProc(HWND, UINT, WPARAM, LPARAM) { return LB_ERR; }

// The texts drawn so far.

const COLORREF kBackground = RGB(1, 2, 3);

class Winmisc : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        g_received.clear();
        g_lCommandResult = 1;
        WNDCLASSA classes[] = {{0, RecordingProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "WinmiscTest"},
                               {CS_OWNDC, RecordingProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "WinmiscOwnDC"},
                               {0, BrokenListProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "BrokenList"}};
        for (const WNDCLASSA& wc : classes) RegisterClassA(&wc);
        hwnd = Create("WinmiscTest");
    }
    static HWND Create(const char* pszClass, HWND hwndParent = nullptr) {
        return CreateWindowExA(0, pszClass, "Test", hwndParent ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                               hwndParent, nullptr, nullptr, nullptr);
    }
    std::string Caption() {
        char szCaption[1024];
        GetWindowTextA(hwnd, szCaption, sizeof szCaption);
        return szCaption;
    }
    HWND hwnd = nullptr;
};

// Each prompt's box, and what the caller gets for the answer given; Yes to
// saving runs the save command, whose failure turns the answer into Cancel.
TEST_F(Winmisc, PromptsShowTheirTextAndGiveTheAnswer) {
    const std::string sLong(700, 'N');
    auto warn = [](const char* pszMessage, std::string sName) {
        return [=](HWND h) { vrxFileMessage(h, pszMessage, sName.c_str(), "Veldran"); return 0; };
    };
    auto askSave = [](std::string sName) { return [=](HWND h) { return vrxAskFileSave(h, sName.c_str(), "Veldran", 103); }; };
    auto askExit = [](HWND h) { return vrxAskExit(h, "Veldran"); };
    const UINT uWarn = MB_OK | MB_ICONEXCLAMATION, uSave = MB_YESNOCANCEL | MB_ICONQUESTION;
    struct Case { std::function<int(HWND)> ask; int iAnswer; LRESULT lSaveResult; int iResult; std::string sText; UINT uType; };
    const Case cases[] = {
        {warn("Could not write file %s", ""), IDOK, 1, 0, "Could not write file untitled", uWarn},
        {warn("Could not write file %s", "100%s %d%%.kqz"), IDOK, 1, 0, "Could not write file 100%s %d%%.kqz", uWarn},
        {warn("Could not write file %s", sLong), IDOK, 1, 0, ("Could not write file " + sLong).substr(0, 575), uWarn},
        {askSave(""), IDNO, 1, IDNO, "Save current changes in untitled", uSave},
        {askSave("a.kqz"), IDYES, 1, IDYES, "Save current changes in a.kqz", uSave},
        {askSave("a.kqz"), IDYES, 0, IDCANCEL, "Save current changes in a.kqz", uSave},
        {askSave("a.kqz"), IDCANCEL, 1, IDCANCEL, "Save current changes in a.kqz", uSave},
        {askSave(sLong), IDNO, 1, IDNO, ("Save current changes in " + sLong).substr(0, 575), uSave},
        {askExit, IDOK, 1, IDOK, "Quit now?", MB_OKCANCEL | MB_ICONQUESTION},
        {askExit, IDCANCEL, 1, IDCANCEL, "Quit now?", MB_OKCANCEL | MB_ICONQUESTION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sText.substr(0, 40) + " " + std::to_string(c.iAnswer));
        harness::ClearBoxes();
        g_received.clear();
        g_lCommandResult = c.lSaveResult;
        harness::AnswerBoxes({c.iAnswer});
        EXPECT_EQ(c.ask(hwnd), c.iResult);
        ASSERT_EQ(harness::Boxes().size(), 1u);
        const harness::ShownBox& box = harness::Boxes()[0];
        EXPECT_EQ(std::tie(box.sText, box.sCaption, box.hwndOwner, box.uType),
                  std::make_tuple(c.sText, std::string("Veldran"), hwnd, c.uType));
        bool bSaved = c.uType == uSave && c.iAnswer == IDYES;
        EXPECT_EQ(g_received, bSaved ? decltype(g_received)(1, {WM_COMMAND, 103}) : decltype(g_received)());
    }
    harness::ClearBoxes();
    vrxOutOfMemory();
    ASSERT_EQ(harness::Boxes().size(), 1u);
    const harness::ShownBox& box = harness::Boxes()[0];
    EXPECT_EQ(std::tie(box.sText, box.sCaption, box.hwndOwner, box.uType),
              std::make_tuple(std::string("Insufficient memory"), std::string("STATUS"), HWND(nullptr),
                              UINT(MB_OK | MB_SYSTEMMODAL)));
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
        EXPECT_EQ(Caption(), sCaption);
        EXPECT_EQ(name.data(), sName);
    }
}

// Only hwnd's messages are taken; an accelerator key becomes its command, other keys are translated.
TEST_F(Winmisc, CheckMessageDrainsTheWindowsMessages) {
    ACCEL accel = {FVIRTKEY, VK_F2, 150};
    HACCEL hAccel = CreateAcceleratorTableA(&accel, 1);
    MSG msg = vrxCheckMessage(hwnd, hAccel);
    EXPECT_EQ(std::tie(msg.message, msg.hwnd), std::make_tuple(0u, HWND(nullptr)));
    HWND hwndOther = Create("WinmiscTest");
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwndOther, WM_USER + 1, 0, 0);
    harness::PressKey(hwnd, VK_F2);
    harness::PressKey(hwnd, 'A');
    msg = vrxCheckMessage(hwnd, hAccel);
    EXPECT_EQ(g_received, (decltype(g_received){{WM_USER + 1, 0}, {WM_COMMAND, MAKEWPARAM(150, 1)}, {WM_KEYUP, VK_F2},
                                                {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYUP, 'A'}}));
    EXPECT_EQ(std::tie(msg.message, msg.wParam), std::make_tuple(UINT(WM_KEYUP), WPARAM('A')));
    EXPECT_TRUE(PeekMessageA(&msg, hwndOther, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_NOREMOVE));
}

TEST_F(Winmisc, ToggleMenuItemSetsTheOppositeMarkAndReturnsIt) {
    platform::Menu menu;
    menu.items.push_back({MF_STRING, 201, "&Invert", nullptr});
    HMENU hMenu = platform::NewMenu(menu);
    const std::pair<int, int> toggles[] = {{0, 1}, {5, 0}, {0, 1}, {-1, 0}, {1, 0}};  // the mark, the result
    for (auto [bValue, iResult] : toggles) {
        CheckMenuItem(hMenu, 201, MF_BYCOMMAND | (bValue ? MF_CHECKED : MF_UNCHECKED));
        EXPECT_EQ(vrxToggleMenuItem(hMenu, 201, bValue), iResult) << bValue;
        EXPECT_EQ((GetMenuState(hMenu, 201, MF_BYCOMMAND) & MF_CHECKED) != 0, iResult == 1);
    }
}

// Compares every pixel of a region with what colour(x, y) says it should be.
void ExpectPixels(HWND hwnd, RECT rc, const std::function<COLORREF(int, int)>& colour) {
    int iWrong = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (harness::Pixel(hwnd, x, y) != colour(x, y) && ++iWrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << harness::Pixel(hwnd, x, y);
    EXPECT_EQ(iWrong, 0);
}

// A window painted kBackground; pens and brushes are deleted when the test ends.
class WinmiscDrawing : public Winmisc {
protected:
    void SetUp() override {
        Winmisc::SetUp();
        RECT rc = {0, 0, 640, 480};
        HBRUSH hbr = CreateSolidBrush(kBackground);
        FillRect(hdc = GetDC(hwnd), &rc, hbr);
        DeleteObject(hbr);
        iGdiObjects = harness::LiveGdiObjects();
    }
    void TearDown() override { EXPECT_EQ(harness::LiveGdiObjects(), iGdiObjects); }
    HDC hdc = nullptr;
    int iGdiObjects = 0;
};

bool Within(int v, int iFirst, int iLast) { return v >= iFirst && v <= iLast; }

TEST_F(WinmiscDrawing, RecessedBoxesOfDepthOneAndTwo) {
    vrxDrawRecessedBox(hdc, 10, 10, 20, 20, 1);
    vrxDrawRecessedBox(hdc, 40, 10, 50, 20, 2);
    ExpectPixels(hwnd, {0, 0, 64, 32}, [](int x, int y) {
        if (x < 32) {
            if ((y == 21 && Within(x, 9, 21)) || (x == 21 && Within(y, 9, 21))) return GetSysColor(COLOR_BTNHIGHLIGHT);
            if ((y == 9 && Within(x, 9, 20)) || (x == 9 && Within(y, 9, 20))) return GetSysColor(COLOR_BTNSHADOW);
            return kBackground;
        }
        if ((y == 8 && Within(x, 38, 50)) || (x == 38 && Within(y, 9, 20))) return GetSysColor(COLOR_BTNSHADOW);
        if ((y == 21 && Within(x, 38, 51)) || (x == 51 && Within(y, 8, 21))) return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 9 && Within(x, 39, 49)) || (x == 39 && Within(y, 9, 19))) return GetSysColor(COLOR_BTNTEXT);
        return kBackground;
    });
}

TEST_F(WinmiscDrawing, StatusBarAlongTheBottomOfA640By480Window) {
    RECT rc = vrxCreateStatusBar(hwnd, hdc);
    EXPECT_EQ(std::tie(rc.left, rc.top, rc.right, rc.bottom), std::make_tuple(LONG(10), LONG(461), LONG(630), LONG(477)));
    ExpectPixels(hwnd, {0, 440, 640, 480}, [](int x, int y) {
        if (y < 457) return kBackground;
        if (y == 457) return GetSysColor(COLOR_BTNTEXT);
        if (y == 458) return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 478 && Within(x, 9, 631)) || (x == 631 && Within(y, 460, 478))) return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 460 && Within(x, 9, 630)) || (x == 9 && Within(y, 460, 477))) return GetSysColor(COLOR_BTNSHADOW);
        return GetSysColor(COLOR_BTNFACE);
    });
}

// Text goes to a character cell in the colours asked for; a window's own
// context gets its colours back.
TEST_F(WinmiscDrawing, SayWritesAtACharacterCellAndPutsTheColoursBack) {
    HWND hwndOwn = Create("WinmiscOwnDC");
    HDC hdcOwn = GetDC(hwndOwn);
    TEXTMETRICA tm;
    GetTextMetricsA(hdcOwn, &tm);
    const COLORREF crText = GetTextColor(hdcOwn), crBk = GetBkColor(hdcOwn), crOther = RGB(9, 9, 9);
    const std::tuple<WORD, WORD, COLORREF, COLORREF> cases[] = {
        {0, 0, crText, crBk}, {2, 5, crOther, crBk}, {1, 1, crText, crOther}, {3, 0, crOther, RGB(8, 8, 8)}};
    int iDCs = harness::LiveDeviceContexts();
    for (HWND hwndSay : {hwnd, hwndOwn})
    for (const auto& [wRow, wColumn, crSayText, crSayBk] : cases) {
        vrxSay(hwndSay, wRow, wColumn, crSayText, crSayBk, "cell");
        ASSERT_FALSE(harness::TextOuts().empty());
        const harness::TextRecord& text = harness::TextOuts().back();
        EXPECT_EQ(std::tie(text.hwnd, text.x, text.y, text.sText, text.crText, text.crBk),
                  std::make_tuple(hwndSay, wColumn * tm.tmAveCharWidth, wRow * (tm.tmHeight + tm.tmExternalLeading),
                                  std::string("cell"), crSayText, crSayBk));
        EXPECT_EQ(std::tie(crText, crBk), std::make_tuple(GetTextColor(hdcOwn), GetBkColor(hdcOwn)));
    }
    EXPECT_EQ(harness::TextOuts().size(), 2 * std::size(cases));
    EXPECT_EQ(harness::LiveDeviceContexts(), iDCs);
}

// The items one per line, each cut to 511 characters and the whole to 65534;
// an empty or broken list, or a clipboard another window holds, leave it as it was.
TEST_F(Winmisc, ListBoxToClipboardCopiesTheItemsOrLeavesTheClipboardAlone) {
    std::vector<std::string> many(200);
    std::string sMany;
    for (int i = 0; i < 200; ++i) sMany += (i ? "\r\n" : "") + (many[i] = std::string(400, static_cast<char>('a' + i % 26)));
    struct Case { std::vector<std::string> items; const char* pszClass; bool bHeld; BYTE bResult; std::string sClipboard; };
    const Case cases[] = {
        {{"alpha"}, "LISTBOX", false, TRUE, "alpha"},
        {{"alpha", "", "beta"}, "LISTBOX", false, TRUE, "alpha\r\n\r\nbeta"},
        {{std::string(600, 'x'), "tail"}, "LISTBOX", false, TRUE, std::string(511, 'x') + "\r\ntail"},
        {many, "LISTBOX", false, TRUE, sMany.substr(0, 65534)},
        {{}, "LISTBOX", false, FALSE, "previous"},
        {{}, "BrokenList", false, FALSE, "previous"},
        {{"alpha"}, "LISTBOX", true, FALSE, "previous"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sClipboard.substr(0, 20));
        harness::ClearBoxes();
        harness::SetClipboardText("previous");
        int iBlocks = harness::LiveMemoryBlocks();
        HWND hwndList = Create(c.pszClass, hwnd);
        for (const std::string& sItem : c.items)
            SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sItem.c_str()));
        if (c.bHeld) harness::HoldClipboard(Create("WinmiscTest"));
        EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), c.bResult);
        if (c.bHeld) harness::ReleaseClipboard();
        EXPECT_EQ(harness::ClipboardText(), c.sClipboard);
        EXPECT_EQ(harness::LiveMemoryBlocks(), iBlocks) << "the clipboard holds one block";
        EXPECT_EQ(platform::MemoryBlockSize(harness::ClipboardData()), c.bResult ? 0xFFFFu : sizeof "previous");
        ASSERT_EQ(harness::Boxes().size(), c.bHeld ? 1u : 0u);
        if (!c.bHeld) continue;
        const harness::ShownBox& box = harness::Boxes()[0];
        EXPECT_EQ(std::tie(box.sText, box.sCaption, box.hwndOwner, box.uType),
                  std::make_tuple(std::string("Cannot open Clipboard - try later"), std::string("Veldran"), HWND(nullptr),
                                  UINT(MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL)));
    }
}

}  // namespace
