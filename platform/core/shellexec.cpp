// The program's own file name, a file's attributes, and ShellExecuteA's "open"
// of a document, which the backend shows. Backslashes separate paths here as
// slashes do, as Win32 takes either.
#include "core.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr int kShellExecuteDone = 33;  // ShellExecuteA's answers above 32 mean success

std::string HostPath(LPCSTR lpPath) {
    std::string sPath = lpPath ? lpPath : "";
    std::replace(sPath.begin(), sPath.end(), '\\', '/');
    return sPath;
}

std::string ProgramPath() {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.string();
}

bool Exists(const std::string& sPath) {
    std::error_code error;
    return !sPath.empty() && fs::exists(sPath, error);
}

// Installed, the program lives in <prefix>/bin and the files that ship beside
// it on Windows in <prefix>/share/<program>: a file asked for beside the
// program is found there.
std::string InstalledPath(const std::string& sPath) {
    fs::path program = ProgramPath();
    fs::path bin = program.parent_path();
    std::string sBin = bin.string() + "/";
    if (program.empty() || bin.filename() != "bin" || sPath.compare(0, sBin.size(), sBin) != 0) return {};
    fs::path shared = bin.parent_path() / "share" / program.filename() / sPath.substr(sBin.size());
    return shared.string();
}

std::string FoundPath(LPCSTR lpPath) {
    std::string sPath = HostPath(lpPath);
    if (Exists(sPath)) return sPath;
    std::string sInstalled = InstalledPath(sPath);
    return Exists(sInstalled) ? sInstalled : sPath;
}

}  // namespace

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize) {
    std::string sProgram = ProgramPath();
    if (!lpFilename || nSize == 0) return 0;
    DWORD dwCount = static_cast<DWORD>(std::min<size_t>(sProgram.size(), nSize - 1));
    std::memcpy(lpFilename, sProgram.data(), dwCount);
    lpFilename[dwCount] = '\0';
    return dwCount;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    std::string sPath = FoundPath(lpFileName);
    std::error_code error;
    fs::file_status status = fs::status(sPath, error);
    if (error || !fs::exists(status)) return INVALID_FILE_ATTRIBUTES;
    return fs::is_directory(status) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR, int) {
    bool bOpen = !lpOperation || std::strcmp(lpOperation, "open") == 0;
    bool bShown = bOpen && lpFile && platform::GetBackend().OpenDocument(hwnd, FoundPath(lpFile));
    return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(bShown ? kShellExecuteDone : SE_ERR_FNF));
}
