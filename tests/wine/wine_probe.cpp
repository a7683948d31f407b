// wine-probe: what the Wine tests cannot see from X, asked of Win32 itself
// from inside the same Wine desktop. Prints on stdout, exits 0 when the thing
// asked for exists and 1 when it does not (2 for bad arguments).
//   main              the main window's client area on the desktop, X Y W H,
//                     1 when it is the foreground window (else 0), and its title
//   dialog CAPTION    CLASS: TEXT of each control of that visible dialog, one a line
//   resources FILE    "version A.B.C.D", then "manifest: " and the manifest on one line
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Line breaks inside a text become spaces, so that each thing prints as one line.
std::string OneLine(std::string sText) {
    for (char& ch : sText)
        if (ch == '\n' || ch == '\r') ch = ' ';
    return sText;
}

// GetWindowTextA gives only the captions of another process's windows; the
// text of its edit controls needs the message.
BOOL CALLBACK PrintControl(HWND hwndChild, LPARAM) {
    char szClass[64] = "", szText[600] = "";
    GetClassNameA(hwndChild, szClass, sizeof szClass);
    DWORD_PTR dwCopied = 0;
    SendMessageTimeoutA(hwndChild, WM_GETTEXT, sizeof szText, reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG, 5000, &dwCopied);
    std::printf("%s: %s\n", szClass, OneLine(szText).c_str());
    return TRUE;
}

int PrintResources(const char* pszFile) {
    DWORD dwHandle = 0, cbInfo = GetFileVersionInfoSizeA(pszFile, &dwHandle);
    std::string sInfo(cbInfo, '\0');
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT cbFixed = 0;
    if (!cbInfo || !GetFileVersionInfoA(pszFile, 0, cbInfo, sInfo.data()) ||
        !VerQueryValueA(sInfo.data(), "\\", reinterpret_cast<void**>(&pFixed), &cbFixed) || !pFixed)
        return 1;
    std::printf("version %u.%u.%u.%u\n", unsigned{HIWORD(pFixed->dwFileVersionMS)}, unsigned{LOWORD(pFixed->dwFileVersionMS)},
                unsigned{HIWORD(pFixed->dwFileVersionLS)}, unsigned{LOWORD(pFixed->dwFileVersionLS)});
    HMODULE hModule = LoadLibraryExA(pszFile, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC hManifest = hModule ? FindResourceA(hModule, MAKEINTRESOURCEA(1), RT_MANIFEST) : nullptr;
    HGLOBAL hData = hManifest ? LoadResource(hModule, hManifest) : nullptr;
    if (!hData) return 1;
    std::string sManifest(static_cast<const char*>(LockResource(hData)), SizeofResource(hModule, hManifest));
    std::printf("manifest: %s\n", OneLine(sManifest).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sCommand = argc > 1 ? argv[1] : "";
    if (argc == 2 && sCommand == "main") {
        RECT rect;
        POINT ptOrigin = {0, 0};
        char szTitle[600] = "";
        HWND hwnd = FindWindowA("Veldran", nullptr);
        if (!hwnd || !IsWindowVisible(hwnd) || !GetClientRect(hwnd, &rect) || !ClientToScreen(hwnd, &ptOrigin)) return 1;
        GetWindowTextA(hwnd, szTitle, sizeof szTitle);
        std::printf("%ld %ld %ld %ld %d %s\n", ptOrigin.x, ptOrigin.y, rect.right, rect.bottom, GetForegroundWindow() == hwnd,
                    szTitle);
        return 0;
    }
    if (argc == 3 && sCommand == "dialog") {
        HWND hwndDialog = FindWindowA("#32770", argv[2]);
        if (!hwndDialog || !IsWindowVisible(hwndDialog)) return 1;
        EnumChildWindows(hwndDialog, PrintControl, 0);
        return 0;
    }
    if (argc == 3 && sCommand == "resources") return PrintResources(argv[2]);
    std::fprintf(stderr, "usage: wine-probe main | dialog CAPTION | resources FILE\n");
    return 2;
}
