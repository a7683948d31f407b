// wsprintfA with Windows' rules (32-bit integers, no floating point, at most
// 1024 bytes written) and the lstr string functions.
#include "core.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kWsprintfLimit = 1024;

struct Conversion {
    bool bLeft = false;
    bool bZero = false;
    bool bAlternate = false;
    int iWidth = 0;
    int iPrecision = -1;
};

void Pad(std::string& sOut, const std::string& sBody, const Conversion& conv) {
    size_t uWidth = conv.iWidth > 0 ? static_cast<size_t>(conv.iWidth) : 0;
    if (sBody.size() >= uWidth) {
        sOut += sBody;
        return;
    }
    size_t uPad = uWidth - sBody.size();
    if (conv.bLeft) {
        sOut += sBody;
        sOut.append(uPad, ' ');
    } else if (conv.bZero && !sBody.empty() && sBody[0] == '-') {
        sOut += '-';
        sOut.append(uPad, '0');
        sOut.append(sBody, 1);
    } else {
        sOut.append(uPad, conv.bZero ? '0' : ' ');
        sOut += sBody;
    }
}

std::string Integer(char chConversion, uint32_t uValue, const Conversion& conv) {
    char szDigits[40];
    switch (chConversion) {
    case 'd':
    case 'i':
        std::snprintf(szDigits, sizeof szDigits, "%d", static_cast<int32_t>(uValue));
        break;
    case 'u':
        std::snprintf(szDigits, sizeof szDigits, "%u", uValue);
        break;
    case 'x':
        std::snprintf(szDigits, sizeof szDigits, conv.bAlternate ? "%#x" : "%x", uValue);
        break;
    default:
        std::snprintf(szDigits, sizeof szDigits, conv.bAlternate ? "%#X" : "%X", uValue);
        break;
    }
    std::string sBody = szDigits;
    if (conv.iPrecision >= 0) {
        bool bNegative = sBody[0] == '-';
        std::string sNumber = bNegative ? sBody.substr(1) : sBody;
        if (sNumber.size() < static_cast<size_t>(conv.iPrecision))
            sNumber.insert(0, static_cast<size_t>(conv.iPrecision) - sNumber.size(), '0');
        sBody = (bNegative ? "-" : "") + sNumber;
    }
    return sBody;
}

}  // namespace

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    if (!lpOut || !lpFmt) return 0;
    std::string sOut;
    va_list args;
    va_start(args, lpFmt);
    for (const char* p = lpFmt; *p && sOut.size() < kWsprintfLimit; ++p) {
        if (*p != '%') {
            sOut += *p;
            continue;
        }
        const char* pStart = p++;
        Conversion conv;
        for (;; ++p) {
            if (*p == '-') conv.bLeft = true;
            else if (*p == '0') conv.bZero = true;
            else if (*p == '#') conv.bAlternate = true;
            else break;
        }
        while (*p >= '0' && *p <= '9') conv.iWidth = conv.iWidth * 10 + (*p++ - '0');
        if (*p == '.') {
            conv.iPrecision = 0;
            for (++p; *p >= '0' && *p <= '9'; ++p) conv.iPrecision = conv.iPrecision * 10 + (*p - '0');
        }
        if (*p == 'l' || *p == 'h') ++p;  // long and short are both 32 bits here
        switch (*p) {
        case 'd': case 'i': case 'u': case 'x': case 'X':
            Pad(sOut, Integer(*p, va_arg(args, uint32_t), conv), conv);
            break;
        case 'c': case 'C':
            Pad(sOut, std::string(1, static_cast<char>(va_arg(args, int))), conv);
            break;
        case 's': case 'S': {
            const char* psValue = va_arg(args, const char*);
            std::string sValue = psValue ? psValue : "(null)";
            if (conv.iPrecision >= 0 && sValue.size() > static_cast<size_t>(conv.iPrecision))
                sValue.resize(static_cast<size_t>(conv.iPrecision));
            Pad(sOut, sValue, conv);
            break;
        }
        case '\0':
            --p;
            break;
        default:
            // Windows copies an unknown conversion's character and goes on.
            if (*p != '%') sOut.append(pStart + 1, p);
            sOut += *p;
            break;
        }
    }
    va_end(args);
    if (sOut.size() > kWsprintfLimit - 1) sOut.resize(kWsprintfLimit - 1);
    std::memcpy(lpOut, sOut.c_str(), sOut.size() + 1);
    return static_cast<int>(sOut.size());
}

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return nullptr;
    return std::strcpy(lpString1, lpString2);
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return nullptr;
    return std::strcat(lpString1, lpString2);
}

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return lpString1 ? 1 : (lpString2 ? -1 : 0);
    int iResult = std::strcmp(lpString1, lpString2);
    return iResult < 0 ? -1 : (iResult > 0 ? 1 : 0);
}

int WINAPI lstrlenA(LPCSTR lpString) {
    return lpString ? static_cast<int>(std::strlen(lpString)) : 0;
}
