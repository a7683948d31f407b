// The _lopen family over C streams: open never creates or truncates, create
// always truncates, transfers return byte counts, failures return HFILE_ERROR.
// Share modes are not enforced; the read/write and create/truncate rules are.
// Special files are opened in place, never replaced.
#include "core.h"

#include <cstdio>
#include <map>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::map<HFILE, FILE*>& OpenFiles() {
    static std::map<HFILE, FILE*> files;
    return files;
}

HFILE Register(FILE* pFile) {
    if (!pFile) return HFILE_ERROR;
    HFILE hFile = 3;
    while (OpenFiles().count(hFile)) ++hFile;
    OpenFiles()[hFile] = pFile;
    return hFile;
}

FILE* Find(HFILE hFile) {
    auto it = OpenFiles().find(hFile);
    return it == OpenFiles().end() ? nullptr : it->second;
}

// C asks for a positioning call between a write and a read on one stream.
// fflush will not do on every C library: Microsoft's empties the read
// buffer and loses the bytes that were read ahead.
void Reposition(FILE* pFile) { std::fseek(pFile, 0, SEEK_CUR); }

// A named pipe with no reader cannot be written: opened read-write it would
// take the bytes into nothing and report them written.
bool PipeWithoutReader(LPCSTR lpPathName) {
#ifndef _WIN32
    struct stat status;
    if (stat(lpPathName, &status) != 0 || !S_ISFIFO(status.st_mode)) return false;
    int iFile = open(lpPathName, O_WRONLY | O_NONBLOCK);
    if (iFile < 0) return true;
    close(iFile);
#endif
    (void)lpPathName;
    return false;
}

}  // namespace

HFILE WINAPI _lopen(LPCSTR lpPathName, int iReadWrite) {
    if (!lpPathName || !*lpPathName) return HFILE_ERROR;
    const char* pszMode = "rb";
    switch (iReadWrite & 0x3) {
    case OF_READ: pszMode = "rb"; break;
    case OF_WRITE:
    case OF_READWRITE: pszMode = "r+b"; break;
    default: return HFILE_ERROR;
    }
    if (pszMode[1] == '+' && PipeWithoutReader(lpPathName)) return HFILE_ERROR;
    return Register(std::fopen(lpPathName, pszMode));
}

HFILE WINAPI _lcreat(LPCSTR lpPathName, int) {
    if (!lpPathName || !*lpPathName || PipeWithoutReader(lpPathName)) return HFILE_ERROR;
    return Register(std::fopen(lpPathName, "w+b"));
}

UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes) {
    FILE* pFile = Find(hFile);
    if (!pFile || !lpBuffer) return static_cast<UINT>(HFILE_ERROR);
    Reposition(pFile);
    return static_cast<UINT>(std::fread(lpBuffer, 1, uBytes, pFile));
}

// A short or failed write counts only the bytes that reached the file.
UINT WINAPI _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes) {
    FILE* pFile = Find(hFile);
    if (!pFile || !lpBuffer) return static_cast<UINT>(HFILE_ERROR);
    Reposition(pFile);
    size_t uWritten = std::fwrite(lpBuffer, 1, uBytes, pFile);
    if (std::fflush(pFile) != 0) return 0;
    return static_cast<UINT>(uWritten);
}

HFILE WINAPI _lclose(HFILE hFile) {
    FILE* pFile = Find(hFile);
    if (!pFile) return HFILE_ERROR;
    OpenFiles().erase(hFile);
    return std::fclose(pFile) == 0 ? 0 : HFILE_ERROR;
}
