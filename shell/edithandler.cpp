// The Edit Drawing Values dialog: shows the eight drawing values as text and
// takes them all back on OK, converted and limited; Cancel changes nothing.
#include "engine.h"
#include "resource.h"
#include "veldran.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int kFieldCount = 8;
const int kTextSize = 64;
const int kLastChannelOrder = 5;

// The texts the fields showed, so that OK keeps a value whose text was left alone.
char acShown[kFieldCount][kTextSize];

char* ShownText(int iId) { return acShown[iId - IDD_CENTERX]; }

// "%f" unless that needs more than the buffer holds; then the shortest exact form.
void FormatDouble(char* cText, double dfValue) {
    if (std::snprintf(nullptr, 0, "%f", dfValue) < kTextSize) std::snprintf(cText, kTextSize, "%f", dfValue);
    else std::snprintf(cText, kTextSize, "%.17g", dfValue);
}

void ShowField(HWND hWnd, int iId, const char* cText) {
    std::snprintf(ShownText(iId), kTextSize, "%s", cText);
    SetDlgItemTextA(hWnd, iId, cText);
}

void ShowValues(HWND hWnd) {
    char cText[kTextSize];
    FormatDouble(cText, dfSetMidX);
    ShowField(hWnd, IDD_CENTERX, cText);
    FormatDouble(cText, -dfSetMidY);
    ShowField(hWnd, IDD_CENTERY, cText);
    std::snprintf(cText, kTextSize, "%lu", static_cast<unsigned long>(ulMaxLevels));
    ShowField(hWnd, IDD_ITERATIONS, cText);
    FormatDouble(cText, dfSetHeight);
    ShowField(hWnd, IDD_ZOOM, cText);
    FormatDouble(cText, dfMoveFactor);
    ShowField(hWnd, IDD_MOVE, cText);
    std::snprintf(cText, kTextSize, "%i", iMinLevel);
    ShowField(hWnd, IDD_STARTLEVEL, cText);
    std::snprintf(cText, kTextSize, "%i", iColorFactor);
    ShowField(hWnd, IDD_COLORFACTOR, cText);
    std::snprintf(cText, kTextSize, "%i", iRGB_Combo);
    ShowField(hWnd, IDD_RGB, cText);
}

// Reads a field; false when its text is still the one that was shown.
bool ReadChanged(HWND hWnd, int iId, char* cText) {
    GetDlgItemTextA(hWnd, iId, cText, kTextSize);
    return std::strcmp(cText, ShownText(iId)) != 0;
}

// atof by its standard equivalent: mingw-w64 links its own correctly rounded
// strtod, but takes atof from msvcrt.dll, whose digits can round otherwise.
double TextToDouble(const char* cText) { return std::strtod(cText, nullptr); }

// atol, saturating at the ends of the signed 32-bit range.
int TextToInt(const char* cText) {
    long long llValue = std::strtoll(cText, nullptr, 10);
    if (llValue > INT_MAX) return INT_MAX;
    if (llValue < INT_MIN) return INT_MIN;
    return static_cast<int>(llValue);
}

// The integer part taken modulo 2^32; magnitudes of 2^63 and more (and NaN,
// which has none) cannot be reduced and take the limit.
ULONG TextToLevels(const char* cText) {
    long double ldValue = std::strtold(cText, nullptr);
    const long double kTwoTo63 = 9223372036854775808.0L;
    if (!(std::fabs(ldValue) < kTwoTo63)) return kLevelLimit;
    long long llWhole = static_cast<long long>(ldValue);
    return static_cast<ULONG>(static_cast<unsigned long long>(llWhole));
}

ULONG LimitedLevels(ULONG ulLevels) { return ulLevels >= kLevelLimit ? kLevelLimit : ulLevels; }

int LimitedChannelOrder(int iCombo) {
    if (iCombo > kLastChannelOrder) return kLastChannelOrder;
    return iCombo < 0 ? 0 : iCombo;
}

// The limits hold on OK whether or not their fields were touched: a loaded
// view may bring an iteration count or channel order beyond them.
void TakeValues(HWND hWnd) {
    char cText[kTextSize];
    if (ReadChanged(hWnd, IDD_CENTERX, cText)) dfSetMidX = TextToDouble(cText);
    if (ReadChanged(hWnd, IDD_CENTERY, cText)) dfSetMidY = -TextToDouble(cText);
    if (ReadChanged(hWnd, IDD_ITERATIONS, cText)) ulMaxLevels = TextToLevels(cText);
    ulMaxLevels = LimitedLevels(ulMaxLevels);
    if (ReadChanged(hWnd, IDD_ZOOM, cText)) dfSetHeight = TextToDouble(cText);
    if (ReadChanged(hWnd, IDD_MOVE, cText)) dfMoveFactor = TextToDouble(cText);
    if (ReadChanged(hWnd, IDD_STARTLEVEL, cText)) iMinLevel = TextToInt(cText);
    if (ReadChanged(hWnd, IDD_COLORFACTOR, cText)) iColorFactor = TextToInt(cText);
    if (ReadChanged(hWnd, IDD_RGB, cText)) iRGB_Combo = TextToInt(cText);
    iRGB_Combo = LimitedChannelOrder(iRGB_Combo);
}

}  // namespace

INT_PTR CALLBACK EditHandler(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (msg == WM_INITDIALOG) {
        ShowValues(hWnd);
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        TakeValues(hWnd);
        bIsDirty = 1;
        ForgetFileName();
        EndDialog(hWnd, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(hWnd, 0);
        return TRUE;
    case IDD_HELPBUTTON:
        ShowHelp(GetParent(hWnd));
        return TRUE;
    default:
        return FALSE;
    }
}
