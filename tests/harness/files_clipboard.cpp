// Scripted file-dialog answers, and the clipboard as other programs see it.
#include "harness.h"

#include "core.h"

#include <cstdio>

namespace platform {
int LiveMemoryBlocks();
}  // namespace platform

namespace harness {

namespace {

struct FilesState {
    std::deque<FileChoice> choices;
    std::vector<platform::FileDialogRequest> requests;
    int iLastFilter = 0;
};

FilesState& F() {
    static FilesState state;
    return state;
}

}  // namespace

FileChoice::FileChoice(std::string sChosenPath, int iChosenFilter)
    : sPath(std::move(sChosenPath)), iFilterIndex(iChosenFilter) {}
FileChoice::FileChoice(const char* pszChosenPath, int iChosenFilter)
    : FileChoice(std::string(pszChosenPath ? pszChosenPath : ""), iChosenFilter) {}

void ChooseFiles(std::initializer_list<FileChoice> choices) {
    F().choices.insert(F().choices.end(), choices.begin(), choices.end());
}

const std::vector<platform::FileDialogRequest>& FileRequests() { return F().requests; }

std::string NextFileChoice(const platform::FileDialogRequest& request) {
    F().requests.push_back(request);
    F().iLastFilter = 0;
    if (F().choices.empty()) return {};
    FileChoice choice = F().choices.front();
    F().choices.pop_front();
    F().iLastFilter = choice.iFilterIndex;
    return choice.sPath;
}

int LastChosenFilter() { return F().iLastFilter; }

std::string ClipboardText() { return platform::TheCore().sClipboardText; }
HGLOBAL ClipboardData() { return platform::TheCore().hClipboardData; }

void HoldClipboard(HWND hwndOther) { OpenClipboard(hwndOther); }
int LiveMemoryBlocks() { return platform::LiveMemoryBlocks(); }

// Frees the clipboard's block before the core that holds it is dropped.
void ResetFilesAndClipboard() {
    platform::Core& core = platform::TheCore();
    if (core.hClipboardData) GlobalFree(core.hClipboardData);
    core.hClipboardData = nullptr;
    F() = FilesState();
}

}  // namespace harness
