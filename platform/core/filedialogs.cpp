// The common Open and Save As dialogs: the core reads the OPENFILENAMEA record,
// asks the backend for a path, adds the default extension, asks the record's
// prompts itself and fills the record back as Windows does.
#include "core.h"

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

using Filters = std::vector<std::pair<std::string, std::string>>;

// The double-NUL list of label and pattern pairs; a label without a pattern ends it.
Filters ParseFilters(LPCSTR lpstrFilter) {
    Filters filters;
    for (const char* p = lpstrFilter; p && *p;) {
        std::string sLabel = p;
        p += sLabel.size() + 1;
        if (!*p) break;
        std::string sPattern = p;
        p += sPattern.size() + 1;
        filters.emplace_back(std::move(sLabel), std::move(sPattern));
    }
    return filters;
}

// Windows takes up to three characters of the default extension; a leading
// full stop is dropped first so that ".KQZ" and "KQZ" both mean KQZ.
std::string DefaultExtension(LPCSTR lpstrDefExt) {
    if (!lpstrDefExt) return {};
    while (*lpstrDefExt == '.') ++lpstrDefExt;
    return std::string(lpstrDefExt, strnlen(lpstrDefExt, 3));
}

size_t NameOffset(const std::string& sPath) {
    size_t uSlash = sPath.find_last_of("\\/");
    return uSlash == std::string::npos ? 0 : uSlash + 1;
}

// The offset of the extension as nFileExtension gives it: after the last full
// stop of the name, the terminator when there is none, 0 when the name ends in one.
size_t ExtensionOffset(const std::string& sPath) {
    size_t uName = NameOffset(sPath);
    size_t uDot = sPath.find_last_of('.');
    if (uDot == std::string::npos || uDot < uName) return sPath.size();
    return uDot + 1 == sPath.size() ? 0 : uDot + 1;
}

std::string WithDefaultExtension(const std::string& sPath, const std::string& sDefExt) {
    std::string sName = sPath.substr(NameOffset(sPath));
    if (sDefExt.empty() || sName.empty() || sName.find('.') != std::string::npos) return sPath;
    return sPath + "." + sDefExt;
}

bool FileExists(const std::string& sPath) {
    std::error_code error;
    return std::filesystem::exists(sPath, error);
}

std::string DialogCaption(const OPENFILENAMEA& ofn, bool bSave) {
    if (ofn.lpstrTitle && *ofn.lpstrTitle) return ofn.lpstrTitle;
    return bSave ? "Save As" : "Open";
}

// The flags' questions; false sends the user back to choosing.
bool AcceptedByPrompts(const OPENFILENAMEA& ofn, bool bSave, HWND hwndOwner,
                       const std::string& sPath) {
    std::string sCaption = DialogCaption(ofn, bSave);
    bool bExists = FileExists(sPath);
    if (bSave && (ofn.Flags & OFN_OVERWRITEPROMPT) && bExists) {
        std::string sText = sPath + " already exists.\nDo you want to replace it?";
        return MessageBoxA(hwndOwner, sText.c_str(), sCaption.c_str(),
                           MB_YESNO | MB_ICONWARNING) == IDYES;
    }
    if ((ofn.Flags & OFN_CREATEPROMPT) && !bExists) {
        std::string sText = sPath + "\nThis file does not exist.\nCreate the file?";
        return MessageBoxA(hwndOwner, sText.c_str(), sCaption.c_str(),
                           MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    return true;
}

bool RecordIsUsable(const OPENFILENAMEA* lpofn) {
    constexpr DWORD kVersion400Size = offsetof(OPENFILENAMEA, pvReserved);
    return lpofn && (lpofn->lStructSize == sizeof(OPENFILENAMEA) ||
                     lpofn->lStructSize == kVersion400Size) &&
           lpofn->lpstrFile && lpofn->nMaxFile > 0;
}

platform::FileDialogRequest MakeRequest(const OPENFILENAMEA& ofn, bool bSave) {
    platform::FileDialogRequest request;
    request.hwndOwner = platform::FindWindowRecord(ofn.hwndOwner) ? ofn.hwndOwner : nullptr;
    request.bSave = bSave;
    request.filters = ParseFilters(ofn.lpstrFilter);
    request.iFilterIndex = static_cast<int>(ofn.nFilterIndex);
    request.sInitialPath = std::string(ofn.lpstrFile, strnlen(ofn.lpstrFile, ofn.nMaxFile));
    request.sDefExt = DefaultExtension(ofn.lpstrDefExt);
    request.dwFlags = ofn.Flags;
    return request;
}

// The path the user settled on, its default extension added; empty when cancelled.
std::string ChoosePath(const OPENFILENAMEA& ofn, platform::FileDialogRequest& request,
                       int* piFilter) {
    platform::Backend& backend = platform::GetBackend();
    for (;;) {
        ++platform::TheCore().iModalDepth;
        std::string sChosen = backend.ChooseFile(request);
        --platform::TheCore().iModalDepth;
        if (sChosen.empty()) return {};
        *piFilter = backend.ChosenFilterIndex();
        std::string sPath = WithDefaultExtension(sChosen, request.sDefExt);
        if (AcceptedByPrompts(ofn, request.bSave, request.hwndOwner, sPath)) return sPath;
        request.sInitialPath = sPath;
    }
}

// The filter the dialog ends on, 1-based; the one offered when the backend
// names none, the first when the offered index is out of range.
DWORD FinalFilterIndex(const platform::FileDialogRequest& request, int iChosen) {
    int iCount = static_cast<int>(request.filters.size());
    if (iCount == 0) return 0;
    int iIndex = iChosen > 0 ? iChosen : request.iFilterIndex;
    return static_cast<DWORD>(iIndex >= 1 && iIndex <= iCount ? iIndex : 1);
}

// Writes path, title and offsets only when each fits its buffer; nothing otherwise.
bool FillRecord(OPENFILENAMEA& ofn, const std::string& sPath, DWORD dwFilterIndex) {
    std::string sTitle = sPath.substr(NameOffset(sPath));
    if (sPath.size() + 1 > ofn.nMaxFile || sPath.size() > 0xFFFF) return false;
    if (ofn.lpstrFileTitle && sTitle.size() + 1 > ofn.nMaxFileTitle) return false;
    std::memcpy(ofn.lpstrFile, sPath.c_str(), sPath.size() + 1);
    if (ofn.lpstrFileTitle) std::memcpy(ofn.lpstrFileTitle, sTitle.c_str(), sTitle.size() + 1);
    ofn.nFileOffset = static_cast<WORD>(NameOffset(sPath));
    ofn.nFileExtension = static_cast<WORD>(ExtensionOffset(sPath));
    ofn.nFilterIndex = dwFilterIndex;
    return true;
}

BOOL RunFileDialog(LPOPENFILENAMEA lpofn, bool bSave) {
    if (!RecordIsUsable(lpofn)) return FALSE;
    platform::FileDialogRequest request = MakeRequest(*lpofn, bSave);
    int iChosenFilter = 0;
    std::string sPath = ChoosePath(*lpofn, request, &iChosenFilter);
    if (sPath.empty()) return FALSE;
    return FillRecord(*lpofn, sPath, FinalFilterIndex(request, iChosenFilter)) ? TRUE : FALSE;
}

}  // namespace

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) { return RunFileDialog(lpofn, false); }

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) { return RunFileDialog(lpofn, true); }
