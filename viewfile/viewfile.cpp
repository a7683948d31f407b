// View files: the 65-byte file of the eight drawing values, read and written
// field by field in little-endian order, and the shared Open/Save As record.
#include "viewfile.h"

#include "engine.h"
#include "winmisc.h"

#include <bit>
#include <cstdint>
#include <cstring>

OPENFILENAMEA ofn;
const char szFilter[] = "Fractal Views (*.KQW)\0*.kqw\0All Files (*.*)\0*.*\0";

namespace {

const char szAppName[] = "Veldran";

// Little-endian bytes of an unsigned value, built by shifts on any host.
void EncodeBytes(uint64_t ullValue, BYTE* pbField, UINT uSize) {
    for (UINT i = 0; i < uSize; ++i) pbField[i] = static_cast<BYTE>(ullValue >> (8 * i));
}

uint64_t DecodeBytes(const BYTE* pbField, UINT uSize) {
    uint64_t ullValue = 0;
    for (UINT i = 0; i < uSize; ++i) ullValue |= static_cast<uint64_t>(pbField[i]) << (8 * i);
    return ullValue;
}

// Reads one field whole; a field cut by the end of the file is not taken.
int ReadField(HFILE hFile, BYTE* pbField, UINT uSize) {
    return _lread(hFile, pbField, uSize) == uSize;
}

void ReadDouble(HFILE hFile, double* pdfValue) {
    BYTE abField[8];
    if (ReadField(hFile, abField, 8)) *pdfValue = std::bit_cast<double>(DecodeBytes(abField, 8));
}

void ReadUlong(HFILE hFile, ULONG* pulValue) {
    BYTE abField[4];
    if (ReadField(hFile, abField, 4)) *pulValue = static_cast<ULONG>(DecodeBytes(abField, 4));
}

void ReadInt(HFILE hFile, int* piValue) {
    BYTE abField[4];
    if (ReadField(hFile, abField, 4))
        *piValue = static_cast<int32_t>(static_cast<uint32_t>(DecodeBytes(abField, 4)));
}

int WriteField(HFILE hFile, const BYTE* pbField, UINT uSize) {
    return _lwrite(hFile, reinterpret_cast<LPCSTR>(pbField), uSize) == uSize;
}

// The file's fields in order, the magic first.
const UINT kFieldSizes[] = {VIEW_FILE_MAGIC_SIZE, 8, 8, 4, 8, 8, 4, 4, 4};

// The header is read into a string whose terminator lies just past the magic.
int ReadHeader(HFILE hFile, HWND hwnd) {
    char szHeader[20];
    szHeader[VIEW_FILE_MAGIC_SIZE] = '\0';
    UINT uRead = _lread(hFile, szHeader, VIEW_FILE_MAGIC_SIZE);
    if (uRead == static_cast<UINT>(HFILE_ERROR) || uRead < VIEW_FILE_MAGIC_SIZE) {
        vrxFileMessage(hwnd, "Incorrect View File size: \n\n %s", psFilePath, szAppName);
        return 0;
    }
    if (lstrcmpA(szHeader, VIEW_FILE_MAGIC) != 0) {
        vrxFileMessage(hwnd, "Invalid View File format: \n\n %s", psFilePath, szAppName);
        return 0;
    }
    return 1;
}

void ReadDrawingValues(HFILE hFile) {
    ReadDouble(hFile, &dfSetMidX);
    ReadDouble(hFile, &dfSetMidY);
    ReadUlong(hFile, &ulMaxLevels);
    ReadDouble(hFile, &dfSetHeight);
    ReadDouble(hFile, &dfMoveFactor);
    ReadInt(hFile, &iMinLevel);
    ReadInt(hFile, &iColorFactor);
    ReadInt(hFile, &iRGB_Combo);
}

// Every field must go out whole; the first short write ends the file.
int WriteViewFile(HFILE hFile) {
    BYTE abFile[VIEW_FILE_SIZE];
    EncodeViewFile(abFile);
    const BYTE* pbField = abFile;
    for (UINT uSize : kFieldSizes) {
        if (!WriteField(hFile, pbField, uSize)) return 0;
        pbField += uSize;
    }
    return 1;
}

}  // namespace

void EncodeViewFile(BYTE abFile[VIEW_FILE_SIZE]) {
    std::memcpy(abFile, VIEW_FILE_MAGIC, VIEW_FILE_MAGIC_SIZE);
    const uint64_t fields[] = {std::bit_cast<uint64_t>(dfSetMidX), std::bit_cast<uint64_t>(dfSetMidY),
                               ulMaxLevels, std::bit_cast<uint64_t>(dfSetHeight),
                               std::bit_cast<uint64_t>(dfMoveFactor), static_cast<uint32_t>(iMinLevel),
                               static_cast<uint32_t>(iColorFactor), static_cast<uint32_t>(iRGB_Combo)};
    BYTE* pbField = abFile + VIEW_FILE_MAGIC_SIZE;
    for (size_t i = 0; i < 8; ++i) {
        EncodeBytes(fields[i], pbField, kFieldSizes[i + 1]);
        pbField += kFieldSizes[i + 1];
    }
}

// lStructSize is the record's own size, which 64-bit Windows insists on. The
// default extension has no full stop: given ".KQZ", Windows appends "..KQZ".
// Windows appends it to a name typed without one while "All Files" is the
// chosen filter; with the view filter it appends that filter's ".kqw".
void FileInitialize(HWND hwnd) {
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof(OPENFILENAMEA);
    ofn.hwndOwner = hwnd;
    ofn.hInstance = NULL;
    ofn.lpstrFilter = szFilter;
    ofn.lpstrCustomFilter = NULL;
    ofn.nMaxCustFilter = 0;
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = psFilePath;
    ofn.nMaxFile = sizeof psFilePath;
    ofn.lpstrFileTitle = psFileName;
    ofn.nMaxFileTitle = sizeof psFileName;
    ofn.lpstrInitialDir = NULL;
    ofn.lpstrTitle = NULL;
    ofn.Flags = 0;
    ofn.nFileOffset = 0;
    ofn.nFileExtension = 0;
    ofn.lpstrDefExt = "KQZ";
    ofn.lCustData = 0;
    ofn.lpfnHook = NULL;
    ofn.lpTemplateName = NULL;
}

int GetOpenValuesFile(HWND hwnd) {
    ofn.hwndOwner = hwnd;
    ofn.Flags = OFN_CREATEPROMPT;
    return GetOpenFileNameA(&ofn);
}

int GetSaveValuesFile(HWND hwnd) {
    ofn.hwndOwner = hwnd;
    ofn.Flags = OFN_OVERWRITEPROMPT;
    return GetSaveFileNameA(&ofn);
}

// Reads the file named by psFilePath into the drawing values; a bad size or
// magic is reported to the user and changes nothing.
int ReadValues(HWND hwnd) {
    HFILE hFile = _lopen(psFilePath, OF_READ | OF_SHARE_DENY_WRITE);
    if (hFile == HFILE_ERROR) return VIEW_NOT_OPENED;
    if (!ReadHeader(hFile, hwnd)) {
        _lclose(hFile);
        return VIEW_NOT_A_VIEW;
    }
    ReadDrawingValues(hFile);
    _lclose(hFile);
    return VIEW_READ;
}

int LoadValues(HWND hwnd) { return ReadValues(hwnd) == VIEW_READ; }

// Writes the drawing values over the start of an existing file, or creates it.
int SaveValues(void) {
    HFILE hFile = _lopen(psFilePath, OF_WRITE | OF_SHARE_EXCLUSIVE);
    if (hFile == HFILE_ERROR) hFile = _lcreat(psFilePath, 0);
    if (hFile == HFILE_ERROR) return 0;
    int bWritten = WriteViewFile(hFile);
    if (_lclose(hFile) == HFILE_ERROR) bWritten = 0;
    return bWritten;
}
