// Fuzz target: the whole program under a sequence of input taken from the
// fuzz bytes (keys, mouse, wheel, commands 100..111, resizes, file choices,
// box answers, Edit dialogs, closing), given between blocks of a pass or
// while the finished picture waits. After every message the harness checks
// the title and the view geometry; this target adds the rules of bIsDirty.
// Sides reach 16384 only on thin client areas (16384 x 1, 1 x 16384): a
// square of 16384 is a 1 GiB framebuffer whose clearing alone takes seconds
// here, so the whole-program tests take that size instead.
#include "fuzz_program.h"

#include "resource.h"

#include <cstdio>
#include <deque>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

const int kMaxOperations = 48;

const UINT kTableKeys[] = {VK_PRIOR, VK_NEXT, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_INSERT,
                           VK_DELETE, '0', '1', '5', '9', 'C', 'D', 'I', 'L', 'M', 'N', 'R',
                           VK_NUMPAD0, VK_NUMPAD1, VK_NUMPAD9, VK_ADD, VK_SUBTRACT, 'A',
                           VK_F1, VK_OEM_2, VK_ESCAPE, VK_RETURN};

using Size = std::pair<int, int>;
const Size kStartSizes[] = {{24, 16}, {1, 1}, {17, 9}, {9, 8}, {1, 64}, {64, 1}, {40, 30}, {2, 3}};
const Size kResizes[] = {{0, 0}, {1, 1}, {1, 5000}, {5000, 1}, {16384, 1}, {1, 16384}, {24, 16}, {40, 30}, {8, 8}, {0, 20}};

const int kAnswers[] = {IDOK, IDCANCEL, IDYES, IDNO};

const platform::DisplayCaps kDisplays[] = {harness::TrueColorDisplay(), harness::HighColorDisplay(),
                                           harness::PaletteDisplay(), harness::SixteenColorDisplay(),
                                           {1, 8, 0, 0, 8}};

LPARAM Position(FuzzedDataProvider& data) {
    WORD x = data.ConsumeIntegral<WORD>();
    return MAKELPARAM(x, data.ConsumeIntegral<WORD>());
}

// What an Edit dialog ended with, in the order the dialogs open.
std::deque<bool> g_editOutcomes;

void Drag(HWND hwnd, FuzzedDataProvider& data) {
    harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Position(data));
    int iMoves = data.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < iMoves; ++i) harness::PostInput(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Position(data));
    if (data.ConsumeBool()) harness::PostInput(hwnd, WM_LBUTTONUP, 0, Position(data));
}

void Operation(HWND hwnd, FuzzedDataProvider& data, int iKind) {
    switch (iKind) {
    case 0: harness::PressKey(hwnd, kTableKeys[data.ConsumeIntegralInRange<size_t>(0, std::size(kTableKeys) - 1)]); break;
    case 1: harness::PressKey(hwnd, data.ConsumeIntegral<BYTE>()); break;
    case 2: harness::PostInput(hwnd, WM_MOUSEMOVE, data.ConsumeBool() ? MK_LBUTTON : 0, Position(data)); break;
    case 3: harness::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Position(data)); break;
    case 4: harness::PostInput(hwnd, WM_LBUTTONUP, 0, Position(data)); break;
    case 5: harness::PostInput(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, Position(data)); break;
    case 6: harness::PostInput(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, data.ConsumeIntegral<WORD>()), Position(data)); break;
    case 7: PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(data.ConsumeIntegralInRange(100, 111), data.ConsumeBool()), 0); break;
    case 8: {
        const auto& [iWidth, iHeight] = kResizes[data.ConsumeIntegralInRange<size_t>(0, std::size(kResizes) - 1)];
        harness::ResizeWindow(hwnd, iWidth, iHeight);
        break;
    }
    case 9: harness::ChooseFiles({fuzz::ChoicePaths()[data.ConsumeIntegralInRange<size_t>(0, fuzz::ChoicePaths().size() - 1)]}); break;
    case 10:
        for (int i = data.ConsumeIntegralInRange(1, 3); i > 0; --i)
            harness::AnswerBoxes({kAnswers[data.ConsumeIntegralInRange(0, 3)]});
        break;
    case 11: {
        fuzz::EditScript script = fuzz::MakeEditScript(data);
        harness::ScriptDialog(script.steps);
        g_editOutcomes.push_back(script.bOk);
        PostMessageA(hwnd, WM_COMMAND, IDM_EDIT, 0);
        break;
    }
    case 12: harness::PostInput(hwnd, data.ConsumeBool() ? WM_CLOSE : WM_QUERYENDSESSION, 0, 0); break;
    default: Drag(hwnd, data); break;
    }
}

// ---- The rules of bIsDirty, message by message.

bool IsViewKey(WPARAM wKey) {
    switch (wKey) {
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: case VK_INSERT: case VK_DELETE: case 'C': return true;
    default: return false;
    }
}

// Messages that go through NewSet: the view changed and belongs to no file.
// A position means nothing on an empty client area.
bool ChangesTheView(const fuzz::Handled& h) {
    bool bClientArea = iMaxX > 0 && iMaxY > 0;
    switch (h.uMessage) {
    case WM_KEYDOWN: return IsViewKey(h.wParam);
    case WM_MOUSEWHEEL: return true;
    case WM_RBUTTONDOWN: return bClientArea;
    case WM_MOUSEMOVE: {
        POINT pt = {LOWORD(h.lParam), HIWORD(h.lParam)};
        return bClientArea && h.bMouseDownBefore && (h.wParam & MK_LBUTTON) &&
               (pt.x != h.ptPreviousBefore.x || pt.y != h.ptPreviousBefore.y);
    }
    default: return false;
    }
}

std::string Report(const fuzz::Handled& h, const char* pszWhy) {
    char szText[200];
    std::snprintf(szText, sizeof szText, "%s (message 0x%04X, wParam 0x%llX): bIsDirty %d -> %d, title ", pszWhy,
                  h.uMessage, static_cast<unsigned long long>(h.wParam), h.bDirtyBefore, bIsDirty);
    return szText + h.sTitleBefore + " -> " + fuzz::TitleOf(h.hwnd);
}

void ExpectUntitled(const fuzz::Handled& h, int bDirty, const char* pszWhy) {
    if (bIsDirty != bDirty || psFilePath[0] || fuzz::TitleOf(h.hwnd) != "Orvanta - [untitled]")
        fuzz::Fail(Report(h, pszWhy) + ", expected an untitled view with bIsDirty " + std::to_string(bDirty));
}

void ExpectUnchanged(const fuzz::Handled& h, const char* pszWhy) {
    if (bIsDirty != h.bDirtyBefore || h.sPathBefore != psFilePath || h.sTitleBefore != fuzz::TitleOf(h.hwnd))
        fuzz::Fail(Report(h, pszWhy) + ", expected no change");
}

void CheckCommand(const fuzz::Handled& h) {
    WORD wId = LOWORD(h.wParam);
    if (wId == IDM_EDIT) {
        bool bOk = !g_editOutcomes.empty() && g_editOutcomes.front();
        if (!g_editOutcomes.empty()) g_editOutcomes.pop_front();
        if (bOk) ExpectUntitled(h, 1, "Edit dialog OK");
        else ExpectUnchanged(h, "a cancelled Edit dialog");
        return;
    }
    if (wId == IDM_NEW) {
        ExpectUntitled(h, 0, "New");
        return;
    }
    if (bIsDirty && !h.bDirtyBefore) fuzz::Fail(Report(h, "a command set bIsDirty"));
    if ((wId == IDM_SAVE || wId == IDM_SAVEAS) && h.lResult == 1 && bIsDirty)
        fuzz::Fail(Report(h, "a successful save left bIsDirty set"));
    if (wId < IDM_EXIT || wId > IDM_REDRAW || wId == IDM_HELP || wId == IDM_ABOUT || wId == IDM_DISPLAY ||
        wId == IDM_REDRAW)
        ExpectUnchanged(h, "a command that touches no file");
}

void CheckDirtyRules(const fuzz::Handled& h) {
    if (!IsWindow(h.hwnd)) return;
    if (h.uMessage == WM_COMMAND) return CheckCommand(h);
    if (ChangesTheView(h)) return ExpectUntitled(h, 1, "a pan or zoom");
    if (h.uMessage == WM_KEYDOWN && h.wParam == 'N') return ExpectUntitled(h, 0, "the N key");
    if (h.uMessage == WM_CLOSE || h.uMessage == WM_SIZE || h.uMessage == WM_PAINT) {
        if (bIsDirty && !h.bDirtyBefore) fuzz::Fail(Report(h, "closing, sizing or painting set bIsDirty"));
        return;
    }
    ExpectUnchanged(h, "input that changes no view");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    FuzzedDataProvider data(pData, cbData);
    fuzz::MakeScratchFiles();
    g_editOutcomes.clear();
    fuzz::RunBounds bounds;
    std::tie(bounds.iWidth, bounds.iHeight) = kStartSizes[data.ConsumeIntegralInRange<size_t>(0, std::size(kStartSizes) - 1)];
    bounds.caps = kDisplays[data.ConsumeIntegralInRange<size_t>(0, std::size(kDisplays) - 1)];
    int iOperations = 0;
    int iPending = -1;  // an operation's code, taken but not yet carried out
    fuzz::RunProgram(
        bounds,
        [&](HWND hwnd, bool bIdle) {
            if (iPending < 0) {
                if (data.remaining_bytes() == 0 || iOperations >= kMaxOperations) return false;
                iPending = data.ConsumeIntegral<uint8_t>();
                ++iOperations;
            }
            // The code's top bit lets the operation in between two blocks of a pass.
            if (!bIdle && !(iPending & 0x80)) return true;
            int iKind = (iPending & 0x7F) % 14;
            iPending = -1;
            Operation(hwnd, data, iKind);
            return true;
        },
        CheckDirtyRules);
    return 0;
}
