// wine-probe: what the Wine tests cannot see from X, asked of Win32 itself
// from inside the same Wine desktop. Prints on stdout, exits 0 when the thing
// asked for exists and 1 when it does not (2 for bad arguments).
//
//   wine-probe client               X Y W H of the main window's client area, on the desktop
//   wine-probe title                the main window's title
//   wine-probe foreground           exits 0 when the main window is the foreground window
//   wine-probe dialog CAPTION       CLASS: TEXT of each control of the visible dialog
//                                   with that caption, one line each
//   wine-probe resources FILE       "version A.B.C.D" from the program's version
//                                   record, then "manifest: " and its manifest on one line
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const char kMainClass[] = "Veldran";
const char kDialogClass[] = "#32770";

HWND MainWindow() {
    HWND hwnd = FindWindowA(kMainClass, nullptr);
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

int PrintClient() {
    HWND hwnd = MainWindow();
    RECT rect;
    if (!hwnd || !GetClientRect(hwnd, &rect)) return 1;
    POINT ptOrigin = {0, 0};
    ClientToScreen(hwnd, &ptOrigin);
    std::printf("%ld %ld %ld %ld\n", ptOrigin.x, ptOrigin.y, rect.right, rect.bottom);
    return 0;
}

int PrintTitle() {
    HWND hwnd = MainWindow();
    if (!hwnd) return 1;
    char szTitle[600] = "";
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    std::printf("%s\n", szTitle);
    return 0;
}

int CheckForeground() {
    HWND hwnd = MainWindow();
    return hwnd && GetForegroundWindow() == hwnd ? 0 : 1;
}

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
    SendMessageTimeoutA(hwndChild, WM_GETTEXT, sizeof szText, reinterpret_cast<LPARAM>(szText),
                        SMTO_ABORTIFHUNG, 5000, &dwCopied);
    std::printf("%s: %s\n", szClass, OneLine(szText).c_str());
    return TRUE;
}

int PrintDialog(const char* pszCaption) {
    HWND hwnd = FindWindowA(kDialogClass, pszCaption);
    if (!hwnd || !IsWindowVisible(hwnd)) return 1;
    EnumChildWindows(hwnd, PrintControl, 0);
    return 0;
}

int PrintResources(const char* pszFile) {
    DWORD dwHandle = 0;
    DWORD cbInfo = GetFileVersionInfoSizeA(pszFile, &dwHandle);
    if (cbInfo == 0) return 1;
    std::string sInfo(cbInfo, '\0');
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT cbFixed = 0;
    if (!GetFileVersionInfoA(pszFile, 0, cbInfo, sInfo.data()) ||
        !VerQueryValueA(sInfo.data(), "\\", reinterpret_cast<void**>(&pFixed), &cbFixed) || !pFixed)
        return 1;
    std::printf("version %u.%u.%u.%u\n", unsigned{HIWORD(pFixed->dwFileVersionMS)},
                unsigned{LOWORD(pFixed->dwFileVersionMS)}, unsigned{HIWORD(pFixed->dwFileVersionLS)},
                unsigned{LOWORD(pFixed->dwFileVersionLS)});

    HMODULE hModule = LoadLibraryExA(pszFile, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC hManifest = hModule ? FindResourceA(hModule, MAKEINTRESOURCEA(1), RT_MANIFEST) : nullptr;
    HGLOBAL hData = hManifest ? LoadResource(hModule, hManifest) : nullptr;
    if (!hData) return 1;
    std::string sManifest(static_cast<const char*>(LockResource(hData)),
                          SizeofResource(hModule, hManifest));
    std::printf("manifest: %s\n", OneLine(sManifest).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sCommand = argc > 1 ? argv[1] : "";
    if (sCommand == "client" && argc == 2) return PrintClient();
    if (sCommand == "title" && argc == 2) return PrintTitle();
    if (sCommand == "foreground" && argc == 2) return CheckForeground();
    if (sCommand == "dialog" && argc == 3) return PrintDialog(argv[2]);
    if (sCommand == "resources" && argc == 3) return PrintResources(argv[2]);
    std::fprintf(stderr, "usage: wine-probe client | title | foreground | dialog CAPTION | resources FILE\n");
    return 2;
}
