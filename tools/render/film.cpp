// Frame names: the output's number pattern checked character by character and
// filled in by snprintf with the conversion alone.
#include "film.h"

#include <cstdio>
#include <cstring>

namespace {

const size_t kMostDigits = 2;  // of a conversion's width and of its precision

size_t SkipDigits(const std::string& s, size_t uAt) {
    while (uAt < s.size() && s[uAt] >= '0' && s[uAt] <= '9') ++uAt;
    return uAt;
}

// The length of the conversion at uAt ('%' there), or 0 when it is none.
size_t ConversionLength(const std::string& s, size_t uAt) {
    size_t uEnd = uAt + 1;
    while (uEnd < s.size() && std::strchr("-+ #0", s[uEnd]) && s[uEnd] != '\0') ++uEnd;
    size_t uDigits = SkipDigits(s, uEnd);
    if (uDigits - uEnd > kMostDigits) return 0;
    uEnd = uDigits;
    if (uEnd < s.size() && s[uEnd] == '.') {
        uDigits = SkipDigits(s, uEnd + 1);
        if (uDigits - (uEnd + 1) > kMostDigits) return 0;
        uEnd = uDigits;
    }
    if (uEnd >= s.size() || !std::strchr("diu", s[uEnd]) || s[uEnd] == '\0') return 0;
    return uEnd + 1 - uAt;
}

}  // namespace

bool ParseFramePattern(const std::string& sOut, FramePattern* pPattern, std::string* psError) {
    FramePattern pattern;
    for (size_t uAt = 0; uAt < sOut.size(); ++uAt) {
        std::string& sText = pattern.bFound ? pattern.sAfter : pattern.sBefore;
        if (sOut[uAt] != '%') {
            sText += sOut[uAt];
            continue;
        }
        if (uAt + 1 < sOut.size() && sOut[uAt + 1] == '%') {
            sText += '%';
            ++uAt;
            continue;
        }
        size_t cchConversion = ConversionLength(sOut, uAt);
        if (cchConversion == 0 || pattern.bFound) {
            *psError = "'" + sOut + "' holds " +
                       (cchConversion ? "a second number pattern '" : "'%' not beginning a number pattern, at '") +
                       sOut.substr(uAt, cchConversion ? cchConversion : 3) +
                       "' (one printf integer conversion such as %d or %05d; %% for a percent sign)";
            return false;
        }
        pattern.bFound = true;
        pattern.sConversion = sOut.substr(uAt, cchConversion);
        uAt += cchConversion - 1;
    }
    *pPattern = pattern;
    return true;
}

std::string FrameName(const std::string& sOut, const FramePattern& pattern, int iFrame) {
    if (!pattern.bFound) return sOut;
    char szNumber[256];  // at most 99 digits and a sign
    std::snprintf(szNumber, sizeof szNumber, pattern.sConversion.c_str(), iFrame);
    return pattern.sBefore + szNumber + pattern.sAfter;
}
