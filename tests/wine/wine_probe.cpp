// wine-probe resources FILE: "version A.B.C.D" from the program's version
// record, then "manifest: " and its manifest on one line, as Win32 itself
// reads them. Exits 1 when either is missing, 2 for bad arguments.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "resources") {
        std::fprintf(stderr, "usage: wine-probe resources FILE\n");
        return 2;
    }
    const char* pszFile = argv[2];
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
    for (char& ch : sManifest)
        if (ch == '\n' || ch == '\r') ch = ' ';
    std::printf("manifest: %s\n", sManifest.c_str());
    return 0;
}
