// The vrx window utilities: prompt texts and answers, the window title, the
// queue drain, the menu check toggle, the recessed frame and status bar pixel
// by pixel, text at a character cell, and the list-box-to-clipboard copier;
// with them the core's clipboard and LISTBOX control.
#include "core.h"
#include "harness.h"
#include "winmisc.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace platform {
size_t MemoryBlockSize(HANDLE hMem);
}  // namespace platform

namespace {

struct Received {
    UINT uMessage;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> g_received;
LRESULT g_lCommandResult = 1;

// Records what a test cares about; a command returns the result the test chose.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    switch (uMessage) {
    case WM_COMMAND:
        g_received.push_back({uMessage, wParam, lParam});
        return g_lCommandResult;
    case WM_USER + 1: case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR:
        g_received.push_back({uMessage, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

LRESULT CALLBACK BrokenListProc(HWND, UINT, WPARAM, LPARAM) { return LB_ERR; }

const COLORREF kBackground = RGB(1, 2, 3);

class Winmisc : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        g_received.clear();
        g_lCommandResult = 1;
        Register("WinmiscTest", RecordingProc, 0);
        Register("WinmiscOwnDC", RecordingProc, CS_OWNDC);
        Register("BrokenList", BrokenListProc, 0);
        hwnd = Create("WinmiscTest");
    }

    static void Register(const char* pszName, WNDPROC pfnProc, UINT uStyle) {
        WNDCLASSA wc = {};
        wc.style = uStyle;
        wc.lpfnWndProc = pfnProc;
        wc.lpszClassName = pszName;
        RegisterClassA(&wc);
    }

    static HWND Create(const char* pszClass) {
        return CreateWindowExA(0, pszClass, "Test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                               nullptr, nullptr, nullptr);
    }

    const harness::ShownBox& OnlyBox() {
        EXPECT_EQ(harness::Boxes().size(), 1u);
        return harness::Boxes().back();
    }

    std::string Caption() {
        char szCaption[1024];
        GetWindowTextA(hwnd, szCaption, sizeof szCaption);
        return szCaption;
    }

    HWND hwnd = nullptr;
};

// ---- Prompts and window title ----

TEST_F(Winmisc, FileMessagePutsTheNameIntoTheCallersMessage) {
    struct Case {
        const char* pszMessage;
        const char* pszName;
        const char* pszText;
    };
    const Case cases[] = {
        {"Could not write file %s", "", "Could not write file untitled"},
        {"Incorrect View File size: \n\n %s", "/views/a.kqz",
         "Incorrect View File size: \n\n /views/a.kqz"},
        {"Could not write file %s", "100%s %d%%.kqz", "Could not write file 100%s %d%%.kqz"},
    };
    for (const Case& c : cases) {
        harness::ClearBoxes();
        vrxFileMessage(hwnd, c.pszMessage, c.pszName, "Veldran");
        const harness::ShownBox& box = OnlyBox();
        EXPECT_EQ(box.sText, c.pszText);
        EXPECT_EQ(box.sCaption, "Veldran");
        EXPECT_EQ(box.hwndOwner, hwnd);
        EXPECT_EQ(box.uType, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
}

TEST_F(Winmisc, AskFileSaveAsksWithTheTitleOrUntitled) {
    vrxAskFileSave(hwnd, "", "Veldran", 103);
    vrxAskFileSave(hwnd, "spiral.kqz", "Veldran", 103);
    ASSERT_EQ(harness::Boxes().size(), 2u);
    EXPECT_EQ(harness::Boxes()[0].sText, "Save current changes in untitled");
    EXPECT_EQ(harness::Boxes()[1].sText, "Save current changes in spiral.kqz");
    for (const harness::ShownBox& box : harness::Boxes()) {
        EXPECT_EQ(box.sCaption, "Veldran");
        EXPECT_EQ(box.hwndOwner, hwnd);
        EXPECT_EQ(box.uType, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    }
}

TEST_F(Winmisc, AskFileSaveRunsTheSaveCommandOnlyForYesAndTrustsItsResult) {
    struct Case {
        int iAnswer;
        LRESULT lSaveResult;
        int iResult;
        bool bSent;
    };
    const Case cases[] = {{IDYES, 1, IDYES, true},
                          {IDYES, 0, IDCANCEL, true},
                          {IDNO, 1, IDNO, false},
                          {IDCANCEL, 1, IDCANCEL, false}};
    for (const Case& c : cases) {
        g_received.clear();
        g_lCommandResult = c.lSaveResult;
        harness::AnswerBoxes({c.iAnswer});
        EXPECT_EQ(vrxAskFileSave(hwnd, "a.kqz", "Veldran", 103), c.iResult) << c.iAnswer;
        ASSERT_EQ(g_received.size(), c.bSent ? 1u : 0u) << c.iAnswer;
        if (!c.bSent) continue;
        EXPECT_EQ(g_received[0].uMessage, static_cast<UINT>(WM_COMMAND));
        EXPECT_EQ(g_received[0].wParam, 103u);
        EXPECT_EQ(g_received[0].lParam, 0);
    }
}

TEST_F(Winmisc, TheTitleShowsTheNameLowerCasedAndLeavesTheCallersCopy) {
    struct Case {
        const char* pszName;
        const char* pszCaption;
    };
    const Case cases[] = {
        {"", "Orvanta - [untitled]"},
        {"C:\\VIEWS\\Spiral.KQZ", "Orvanta - [c:\\views\\spiral.kqz]"},
        {"\xC4PFEL\xE9%s.KQZ", "Orvanta - [\xC4pfel\xE9%s.kqz]"},
        {"@AZ[`az{", "Orvanta - [@az[`az{]"},
    };
    for (const Case& c : cases) {
        char szName[64];
        std::strcpy(szName, c.pszName);
        vrxSetWindowText(hwnd, szName, "Orvanta");
        EXPECT_EQ(Caption(), c.pszCaption);
        EXPECT_STREQ(szName, c.pszName);
    }
}

TEST_F(Winmisc, TextsLongerThanTheirBuffersAreCut) {
    const std::string sName(700, 'N');
    vrxFileMessage(hwnd, "Could not write file %s", sName.c_str(), "Veldran");
    vrxAskFileSave(hwnd, sName.c_str(), "Veldran", 103);
    vrxSetWindowText(hwnd, sName.c_str(), "Orvanta");
    ASSERT_EQ(harness::Boxes().size(), 2u);
    EXPECT_EQ(harness::Boxes()[0].sText, ("Could not write file " + sName).substr(0, 575));
    EXPECT_EQ(harness::Boxes()[1].sText, ("Save current changes in " + sName).substr(0, 575));
    EXPECT_EQ(Caption(), ("Orvanta - [" + std::string(575, 'n')).substr(0, 575));
}

TEST_F(Winmisc, AskExitReturnsTheAnswer) {
    harness::AnswerBoxes({IDOK, IDCANCEL});
    EXPECT_EQ(vrxAskExit(hwnd, "Veldran"), IDOK);
    EXPECT_EQ(vrxAskExit(hwnd, "Veldran"), IDCANCEL);
    const harness::ShownBox& box = harness::Boxes()[0];
    EXPECT_EQ(box.sText, "Quit now?");
    EXPECT_EQ(box.sCaption, "Veldran");
    EXPECT_EQ(box.hwndOwner, hwnd);
    EXPECT_EQ(box.uType, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
}

TEST_F(Winmisc, OutOfMemoryNeedsNoWindow) {
    DestroyWindow(hwnd);
    ASSERT_EQ(harness::LiveWindows(), 0);
    vrxOutOfMemory();
    const harness::ShownBox& box = OnlyBox();
    EXPECT_EQ(box.sText, "Insufficient memory");
    EXPECT_EQ(box.sCaption, "STATUS");
    EXPECT_EQ(box.hwndOwner, nullptr);
    EXPECT_EQ(box.uType, static_cast<UINT>(MB_OK | MB_SYSTEMMODAL));
}

// ---- Queue drain and menu check ----

TEST_F(Winmisc, CheckMessageWithAnEmptyQueueDispatchesNothing) {
    MSG msg = vrxCheckMessage(hwnd, nullptr);
    EXPECT_EQ(msg.message, 0u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_TRUE(g_received.empty());
}

TEST_F(Winmisc, CheckMessageDrainsTheWindowsMessagesAndTurnsAcceleratorsIntoCommands) {
    ACCEL accel = {FVIRTKEY, VK_F2, 150};
    HACCEL hAccel = CreateAcceleratorTableA(&accel, 1);
    HWND hwndOther = Create("WinmiscTest");
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwndOther, WM_USER + 1, 0, 0);
    harness::PressKey(hwnd, VK_F2);
    harness::PressKey(hwnd, 'A');
    MSG msg = vrxCheckMessage(hwnd, hAccel);
    std::vector<std::pair<UINT, WPARAM>> seen;
    for (const Received& r : g_received) seen.emplace_back(r.uMessage, r.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_USER + 1, 0},   {WM_COMMAND, MAKEWPARAM(150, 1)}, {WM_KEYUP, VK_F2},
        {WM_KEYDOWN, 'A'},  {WM_CHAR, 'a'},                   {WM_KEYUP, 'A'}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('A'));
    MSG other;
    EXPECT_TRUE(PeekMessageA(&other, hwndOther, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(&other, hwnd, 0, 0, PM_NOREMOVE));
}

TEST_F(Winmisc, ToggleMenuItemFlipsTheMarkAndReturnsTheNewState) {
    platform::Menu menu;
    menu.items.push_back({MF_STRING, 201, "&Invert", nullptr});
    HMENU hMenu = platform::NewMenu(menu);
    struct Case {
        int bValue;
        int iResult;
    };
    for (const Case& c : {Case{0, 1}, Case{5, 0}, Case{0, 1}, Case{-1, 0}, Case{1, 0}}) {
        CheckMenuItem(hMenu, 201, MF_BYCOMMAND | (c.bValue ? MF_CHECKED : MF_UNCHECKED));
        EXPECT_EQ(vrxToggleMenuItem(hMenu, 201, c.bValue), c.iResult) << c.bValue;
        EXPECT_EQ((GetMenuState(hMenu, 201, MF_BYCOMMAND) & MF_CHECKED) != 0, c.iResult == 1);
    }
    EXPECT_EQ(vrxToggleMenuItem(hMenu, 999, 0), 1);
    EXPECT_EQ(vrxToggleMenuItem(hMenu, 999, 1), 0);
}

// ---- Recessed frame, status bar and text ----

class WinmiscDrawing : public Winmisc {
protected:
    void SetUp() override {
        Winmisc::SetUp();
        hdc = GetDC(hwnd);
        HBRUSH hbr = CreateSolidBrush(kBackground);
        RECT rc = {0, 0, 640, 480};
        FillRect(hdc, &rc, hbr);
        DeleteObject(hbr);
        iGdiObjects = harness::LiveGdiObjects();
    }
    void TearDown() override {
        EXPECT_EQ(harness::LiveGdiObjects(), iGdiObjects) << "pens and brushes are deleted";
        ReleaseDC(hwnd, hdc);
    }

    // Compares every pixel of a region with what colour(x, y) says it should be.
    void ExpectPixels(RECT rc, const std::function<COLORREF(int, int)>& colour) {
        int iWrong = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                if (harness::Pixel(hwnd, x, y) != colour(x, y) && ++iWrong <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                                  << harness::Pixel(hwnd, x, y) << ", expected " << colour(x, y);
        EXPECT_EQ(iWrong, 0);
    }

    HDC hdc = nullptr;
    int iGdiObjects = 0;
};

bool Within(int v, int iFirst, int iLast) { return v >= iFirst && v <= iLast; }

TEST_F(WinmiscDrawing, RecessedBoxOfDepthOne) {
    vrxDrawRecessedBox(hdc, 10, 10, 20, 20, 1);
    ExpectPixels({0, 0, 32, 32}, [](int x, int y) {
        if ((y == 21 && Within(x, 9, 21)) || (x == 21 && Within(y, 9, 21)))
            return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 9 && Within(x, 9, 20)) || (x == 9 && Within(y, 9, 20)))
            return GetSysColor(COLOR_BTNSHADOW);
        return kBackground;
    });
}

TEST_F(WinmiscDrawing, RecessedBoxOfDepthTwo) {
    vrxDrawRecessedBox(hdc, 10, 10, 20, 20, 2);
    ExpectPixels({0, 0, 32, 32}, [](int x, int y) {
        if ((y == 8 && Within(x, 8, 20)) || (x == 8 && Within(y, 9, 20)))
            return GetSysColor(COLOR_BTNSHADOW);
        if ((y == 21 && Within(x, 8, 21)) || (x == 21 && Within(y, 8, 21)))
            return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 9 && Within(x, 9, 19)) || (x == 9 && Within(y, 9, 19)))
            return GetSysColor(COLOR_BTNTEXT);
        return kBackground;
    });
}

TEST_F(WinmiscDrawing, StatusBarAlongTheBottomOfA640By480Window) {
    RECT rc = vrxCreateStatusBar(hwnd, hdc);
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 461);
    EXPECT_EQ(rc.right, 630);
    EXPECT_EQ(rc.bottom, 477);
    ExpectPixels({0, 440, 640, 480}, [](int x, int y) {
        if (y < 457) return kBackground;
        if (y == 457) return GetSysColor(COLOR_BTNTEXT);
        if (y == 458) return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 478 && Within(x, 9, 631)) || (x == 631 && Within(y, 460, 478)))
            return GetSysColor(COLOR_BTNHIGHLIGHT);
        if ((y == 460 && Within(x, 9, 630)) || (x == 9 && Within(y, 460, 477)))
            return GetSysColor(COLOR_BTNSHADOW);
        return GetSysColor(COLOR_BTNFACE);
    });
}

TEST_F(WinmiscDrawing, SayWritesAtCharacterCells) {
    int iDCs = harness::LiveDeviceContexts();
    vrxSay(hwnd, 0, 0, RGB(255, 0, 0), RGB(0, 0, 255), "origin");
    vrxSay(hwnd, 2, 5, RGB(255, 0, 0), RGB(0, 0, 255), "cell");
    const std::vector<harness::TextRecord>& log = harness::TextOuts();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].x, 0);
    EXPECT_EQ(log[0].y, 0);
    EXPECT_EQ(log[0].sText, "origin");
    EXPECT_EQ(log[1].x, 40);
    EXPECT_EQ(log[1].y, 32);
    EXPECT_EQ(log[1].sText, "cell");
    EXPECT_EQ(log[1].crText, RGB(255, 0, 0));
    EXPECT_EQ(log[1].crBk, RGB(0, 0, 255));
    EXPECT_EQ(harness::LiveDeviceContexts(), iDCs);
}

TEST_F(WinmiscDrawing, SaySetsOnlyColoursThatDifferAndPutsThemBack) {
    HWND hwndOwn = Create("WinmiscOwnDC");
    HDC hdcOwn = GetDC(hwndOwn);
    COLORREF crText = GetTextColor(hdcOwn), crBk = GetBkColor(hdcOwn);
    struct Case {
        COLORREF crText, crBk;
        int iChanges;
    };
    for (const Case& c : {Case{crText, crBk, 0}, Case{RGB(9, 9, 9), crBk, 2},
                          Case{crText, RGB(9, 9, 9), 2}, Case{RGB(9, 9, 9), RGB(8, 8, 8), 4}}) {
        vrxSay(hwndOwn, 1, 1, c.crText, c.crBk, "x");
        EXPECT_EQ(harness::TextOuts().back().crText, c.crText);
        EXPECT_EQ(harness::TextOuts().back().crBk, c.crBk);
        EXPECT_EQ(GetTextColor(hdcOwn), crText);
        EXPECT_EQ(GetBkColor(hdcOwn), crBk);
    }
}

// ---- List box to clipboard ----

class WinmiscClipboard : public Winmisc {
protected:
    void SetUp() override {
        Winmisc::SetUp();
        hwndList = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 100, 100, hwnd,
                                   reinterpret_cast<HMENU>(7), nullptr, nullptr);
        harness::SetClipboardText("previous");
        iBlocks = harness::LiveMemoryBlocks();
    }
    void TearDown() override {
        EXPECT_EQ(harness::LiveMemoryBlocks(), iBlocks) << "the clipboard holds one block";
    }
    void Add(const std::vector<std::string>& items) {
        for (const std::string& sItem : items)
            SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sItem.c_str()));
    }

    HWND hwndList = nullptr;
    int iBlocks = 0;
};

TEST_F(WinmiscClipboard, ItemsGoToTheClipboardOnePerLine) {
    struct Case {
        std::vector<std::string> items;
        std::string sClipboard;
    };
    const Case cases[] = {{{"alpha"}, "alpha"},
                          {{"beta", "gamma"}, "alpha\r\nbeta\r\ngamma"},  // 18 characters
                          {{"", "delta"}, "alpha\r\nbeta\r\ngamma\r\n\r\ndelta"}};
    for (const Case& c : cases) {
        Add(c.items);
        EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), TRUE);
        EXPECT_EQ(harness::ClipboardText(), c.sClipboard);
        EXPECT_EQ(platform::MemoryBlockSize(harness::ClipboardData()), 0xFFFFu);
    }
    EXPECT_TRUE(harness::Boxes().empty());
}

TEST_F(WinmiscClipboard, AnEmptyListLeavesTheClipboardAlone) {
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), FALSE);
    EXPECT_EQ(harness::ClipboardText(), "previous");
    EXPECT_TRUE(harness::Boxes().empty());
}

TEST_F(WinmiscClipboard, AListBoxThatAnswersAnErrorCountsAsEmpty) {
    HWND hwndBroken = CreateWindowExA(0, "BrokenList", "", WS_CHILD, 0, 0, 10, 10, hwnd, nullptr,
                                      nullptr, nullptr);
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndBroken, "Veldran"), FALSE);
    EXPECT_EQ(harness::ClipboardText(), "previous");
    EXPECT_TRUE(harness::Boxes().empty());
}

TEST_F(WinmiscClipboard, AnItemOver511CharactersIsCut) {
    Add({std::string(600, 'x'), "tail"});
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), TRUE);
    EXPECT_EQ(harness::ClipboardText(), std::string(511, 'x') + "\r\ntail");
}

TEST_F(WinmiscClipboard, TextOver65534CharactersIsCut) {
    std::string sAll;
    for (int i = 0; i < 200; ++i) {
        std::string sItem(400, static_cast<char>('a' + i % 26));
        Add({sItem});
        sAll += (i ? "\r\n" : "") + sItem;
    }
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), TRUE);
    EXPECT_EQ(harness::ClipboardText(), sAll.substr(0, 65534));
}

TEST_F(WinmiscClipboard, AClipboardHeldByAnotherWindowIsReportedAndKept) {
    HWND hwndOther = Create("WinmiscTest");
    Add({"alpha"});
    harness::HoldClipboard(hwndOther);
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), FALSE);
    const harness::ShownBox& box = OnlyBox();
    EXPECT_EQ(box.sText, "Cannot open Clipboard - try later");
    EXPECT_EQ(box.sCaption, "Veldran");
    EXPECT_EQ(box.hwndOwner, nullptr);
    EXPECT_EQ(box.uType, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL));
    EXPECT_EQ(harness::ClipboardText(), "previous");
    EXPECT_EQ(harness::LiveMemoryBlocks(), iBlocks);
    harness::ReleaseClipboard();
    EXPECT_EQ(vrxListBoxToClipboard(hwnd, hwndList, "Veldran"), TRUE);
    EXPECT_EQ(harness::ClipboardText(), "alpha");
}

// ---- The core's clipboard and LISTBOX ----

HGLOBAL TextBlock(const std::string& sBytes) {
    HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE, sBytes.size());
    std::memcpy(GlobalLock(hMem), sBytes.data(), sBytes.size());
    GlobalUnlock(hMem);
    return hMem;
}

TEST_F(Winmisc, TheClipboardTakesTextOnlyWhileOpen) {
    int iBlocks = harness::LiveMemoryBlocks();
    HGLOBAL hFirst = TextBlock(std::string("first\0junk", 10));
    EXPECT_EQ(SetClipboardData(CF_TEXT, hFirst), nullptr);  // not open
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_FALSE(CloseClipboard());
    ASSERT_TRUE(OpenClipboard(hwnd));
    EXPECT_TRUE(OpenClipboard(hwnd));
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_EQ(SetClipboardData(2, hFirst), nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, hFirst), hFirst);
    EXPECT_EQ(harness::ClipboardText(), "first");
    HGLOBAL hSecond = TextBlock("abcd");  // no terminator: the text ends with the block
    EXPECT_EQ(SetClipboardData(CF_TEXT, hSecond), hSecond);
    EXPECT_EQ(harness::ClipboardText(), "abcd");
    EXPECT_EQ(harness::LiveMemoryBlocks(), iBlocks + 1) << "the replaced block is freed";
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(harness::ClipboardText(), "");
    EXPECT_EQ(harness::LiveMemoryBlocks(), iBlocks);
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Winmisc, TheListBoxKeepsItsStrings) {
    HWND hwndList = CreateWindowExA(0, "listbox", "", WS_CHILD, 0, 0, 10, 10, hwnd, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(hwndList, nullptr);
    EXPECT_EQ(SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")), 0);
    EXPECT_EQ(SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("three")), 1);
    EXPECT_EQ(SendMessageA(hwndList, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(hwndList, LB_GETTEXTLEN, 1, 0), 5);
    char szItem[8] = "";
    EXPECT_EQ(SendMessageA(hwndList, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(szItem)), 5);
    EXPECT_STREQ(szItem, "three");
    EXPECT_EQ(SendMessageA(hwndList, LB_GETTEXTLEN, 2, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(hwndList, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(szItem)), LB_ERR);
    EXPECT_NE(CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, hwnd, nullptr, nullptr,
                              nullptr),
              nullptr);
}

}  // namespace
