// The "Orvanta view" text of orvanta-render's PNGs: written from the drawing
// values, parsed back strictly, and found among a PNG's chunks, which are read
// field by field (big-endian lengths, CRC-checked) up to the image data.
#include "png_view.h"

#include "png_deflate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

const char kPngViewKeyword[] = "Orvanta view";

namespace {

// The keys in view-file order; a whole number's range, or a double.
struct ViewKey {
    const char* pszKey;
    bool bDouble;
    long long llMin = 0;
    long long llMax = 0;
};
const ViewKey kKeys[] = {
    {"center-x", true},
    {"center-y", true},
    {"iterations", false, 0, UINT32_MAX},
    {"height", true},
    {"pan-step", true},
    {"start-level", false, INT32_MIN, INT32_MAX},
    {"color-factor", false, INT32_MIN, INT32_MAX},
    {"rgb", false, INT32_MIN, INT32_MAX},
    {"invert", false, 0, 1},
};
const size_t kKeyCount = std::size(kKeys);

struct Number {
    double df = 0.0;
    long long ll = 0;
};
using Numbers = std::array<Number, kKeyCount>;

// The user's Y grows upwards, the program's downwards; negation is exact.
Numbers NumbersOfView(const PngView& view) {
    const DrawingValues& v = view.values;
    return {{{v.dfSetMidX}, {-v.dfSetMidY}, {0.0, v.ulMaxLevels}, {v.dfSetHeight}, {v.dfMoveFactor},
             {0.0, v.iMinLevel}, {0.0, v.iColorFactor}, {0.0, v.iRGB_Combo}, {0.0, view.bInvert}}};
}

PngView ViewOfNumbers(const Numbers& n) {
    PngView view;
    view.values = {n[0].df,
                   -n[1].df,
                   static_cast<ULONG>(n[2].ll),
                   n[3].df,
                   n[4].df,
                   static_cast<int>(n[5].ll),
                   static_cast<int>(n[6].ll),
                   static_cast<int>(n[7].ll)};
    view.bInvert = n[8].ll != 0;
    return view;
}

// The value as the key's type reads it whole; doubles must be finite.
bool ParseNumber(const ViewKey& key, const std::string& sValue, Number* pNumber) {
    const char* pFirst = sValue.data();
    const char* pLast = pFirst + sValue.size();
    std::from_chars_result result =
        key.bDouble ? std::from_chars(pFirst, pLast, pNumber->df) : std::from_chars(pFirst, pLast, pNumber->ll);
    if (result.ec != std::errc() || result.ptr != pLast) return false;
    return key.bDouble ? std::isfinite(pNumber->df) : pNumber->ll >= key.llMin && pNumber->ll <= key.llMax;
}

std::string Expected(const ViewKey& key) {
    if (key.bDouble) return "a finite number";
    return "a whole number " + std::to_string(key.llMin) + ".." + std::to_string(key.llMax);
}

// Text of a hostile file for a one-line message: short, with '?' for bytes
// that are not printable ASCII.
std::string Printable(const std::string& sText) {
    std::string sShown = sText.substr(0, 40);
    for (char& ch : sShown)
        if (ch < ' ' || ch > '~') ch = '?';
    return sText.size() > 40 ? sShown + "..." : sShown;
}

// One "key=value" line into its number; false with the reason.
bool ParseLine(const std::string& sLine, Numbers* pNumbers, std::array<bool, kKeyCount>* pSeen,
               std::string* psError) {
    size_t uEquals = sLine.find('=');
    if (uEquals == std::string::npos) {
        *psError = "line '" + Printable(sLine) + "' is no key=value pair";
        return false;
    }
    std::string sKey = sLine.substr(0, uEquals), sValue = sLine.substr(uEquals + 1);
    for (size_t i = 0; i < kKeyCount; ++i) {
        if (sKey != kKeys[i].pszKey) continue;
        if ((*pSeen)[i]) {
            *psError = "key '" + sKey + "' given twice";
            return false;
        }
        (*pSeen)[i] = true;
        if (ParseNumber(kKeys[i], sValue, &(*pNumbers)[i])) return true;
        *psError = sKey + ": expected " + Expected(kKeys[i]) + ", got '" + Printable(sValue) + "'";
        return false;
    }
    *psError = "unknown key '" + Printable(sKey) + "'";
    return false;
}

uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const uint32_t kMostChunkLength = 0x7FFFFFFF;
const size_t kViewPrefix = sizeof kPngViewKeyword;  // the keyword and its NUL
// Enough of a chunk to see a view chunk too long.
const size_t kKeptBytes = kViewPrefix + kMostViewText + 1;

struct Chunk {
    char szType[5] = {};
    uint32_t ulLength = 0;
    std::string sKept;  // the data's first kKeptBytes bytes
};

// A chunk's data through its CRC, streamed, so that a long one costs no memory.
bool ReadChunkData(const PngRead& read, const unsigned char* pType, Chunk* pChunk, std::string* psError) {
    uint32_t ulCrc = PngCrc32(0, pType, 4);
    unsigned char buffer[4096];
    for (uint32_t ulLeft = pChunk->ulLength; ulLeft > 0;) {
        size_t cbPiece = std::min<size_t>(ulLeft, sizeof buffer);
        if (!read(buffer, cbPiece)) {
            *psError = "is a damaged PNG: it ends inside a " + std::string(pChunk->szType) + " chunk";
            return false;
        }
        ulCrc = PngCrc32(ulCrc, buffer, cbPiece);
        size_t cbKeep = std::min(cbPiece, kKeptBytes - std::min(kKeptBytes, pChunk->sKept.size()));
        pChunk->sKept.append(reinterpret_cast<const char*>(buffer), cbKeep);
        ulLeft -= static_cast<uint32_t>(cbPiece);
    }
    if (!read(buffer, 4) || BigEndian32(buffer) != ulCrc) {
        *psError = "is a damaged PNG: bad CRC in a " + std::string(pChunk->szType) + " chunk";
        return false;
    }
    return true;
}

// The next chunk's length, type and data; false at the image data (with no error) or on damage.
bool ReadChunk(const PngRead& read, Chunk* pChunk, std::string* psError) {
    unsigned char header[8];
    if (!read(header, 8)) {
        *psError = "is a damaged PNG: it ends before the image data";
        return false;
    }
    *pChunk = Chunk();
    pChunk->ulLength = BigEndian32(header);
    for (int i = 0; i < 4; ++i) {
        unsigned char ch = header[4 + i];
        if (!((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'))) {
            *psError = "is a damaged PNG: a chunk type is not four letters";
            return false;
        }
        pChunk->szType[i] = static_cast<char>(ch);
    }
    if (pChunk->ulLength > kMostChunkLength) {
        *psError = "is a damaged PNG: a " + std::string(pChunk->szType) + " chunk's length is " +
                   std::to_string(pChunk->ulLength);
        return false;
    }
    if (std::strcmp(pChunk->szType, "IDAT") == 0 || std::strcmp(pChunk->szType, "IEND") == 0) return false;
    return ReadChunkData(read, header + 4, pChunk, psError);
}

bool IsViewChunk(const Chunk& chunk) {
    return std::strcmp(chunk.szType, "tEXt") == 0 &&
           chunk.sKept.compare(0, kViewPrefix, kPngViewKeyword, kViewPrefix) == 0;
}

}  // namespace

bool FormatViewText(const PngView& view, std::string* psText) {
    Numbers numbers = NumbersOfView(view);
    std::string sText;
    for (size_t i = 0; i < kKeyCount; ++i) {
        if (kKeys[i].bDouble && !std::isfinite(numbers[i].df)) return false;
        char buffer[32];  // as %.17g, whatever the locale
        std::to_chars_result result =
            kKeys[i].bDouble ? std::to_chars(buffer, buffer + sizeof buffer, numbers[i].df,
                                             std::chars_format::general, 17)
                             : std::to_chars(buffer, buffer + sizeof buffer, numbers[i].ll);
        sText += std::string(kKeys[i].pszKey) + "=" + std::string(buffer, result.ptr) + "\n";
    }
    *psText = sText;
    return true;
}

bool ParseViewText(const std::string& sText, PngView* pView, std::string* psError) {
    if (sText.size() > kMostViewText) {
        *psError = "longer than " + std::to_string(kMostViewText) + " bytes";
        return false;
    }
    Numbers numbers;
    std::array<bool, kKeyCount> seen{};
    for (size_t uAt = 0; uAt < sText.size();) {
        size_t uEnd = std::min(sText.find('\n', uAt), sText.size());
        if (!ParseLine(sText.substr(uAt, uEnd - uAt), &numbers, &seen, psError)) return false;
        uAt = uEnd + 1;
    }
    for (size_t i = 0; i < kKeyCount; ++i) {
        if (seen[i]) continue;
        *psError = "no key '" + std::string(kKeys[i].pszKey) + "'";
        return false;
    }
    *pView = ViewOfNumbers(numbers);
    return true;
}

std::vector<PngText> PngTexts(const PngView& view, bool bWithView) {
    std::vector<PngText> texts;
    std::string sView;
    if (bWithView && FormatViewText(view, &sView)) texts.push_back({kPngViewKeyword, sView});
    texts.push_back({"Software", "orvanta-render " ORVANTA_VERSION});
    return texts;
}

bool ReadPngView(const PngRead& read, PngView* pView, std::string* psError) {
    unsigned char signature[8];
    if (!read(signature, 8) || std::memcmp(signature, kSignature, 8) != 0) {
        *psError = "is not a PNG";
        return false;
    }
    Chunk chunk;
    std::string sText, sError;
    bool bFound = false;
    while (ReadChunk(read, &chunk, &sError)) {
        if (!IsViewChunk(chunk)) continue;
        if (bFound) {
            *psError = "holds two Orvanta views";
            return false;
        }
        bFound = true;
        sText = chunk.sKept.substr(kViewPrefix);
    }
    if (!sError.empty()) *psError = sError;
    else if (!bFound) *psError = "holds no Orvanta view";
    else if (ParseViewText(sText, pView, &sError)) return true;
    else *psError = "holds a bad Orvanta view: " + sError;
    return false;
}

bool ReadPngView(const unsigned char* pData, size_t cbData, PngView* pView, std::string* psError) {
    size_t uAt = 0;
    PngRead read = [&](unsigned char* pOut, size_t cbOut) {
        if (cbOut > cbData - uAt) return false;
        std::memcpy(pOut, pData + uAt, cbOut);
        uAt += cbOut;
        return true;
    };
    return ReadPngView(read, pView, psError);
}

bool IsPngFile(const std::string& sPath) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(sPath.c_str(), "rb"), std::fclose);
    unsigned char signature[8];
    return file && std::fread(signature, 1, 8, file.get()) == 8 && std::memcmp(signature, kSignature, 8) == 0;
}

bool LoadPngView(const std::string& sPath, PngView* pView, std::string* psError) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(sPath.c_str(), "rb"), std::fclose);
    if (!file) {
        *psError = "cannot open view file '" + sPath + "'";
        return false;
    }
    PngRead read = [&](unsigned char* pOut, size_t cbOut) {
        return std::fread(pOut, 1, cbOut, file.get()) == cbOut;
    };
    if (ReadPngView(read, pView, psError)) return true;
    *psError = "'" + sPath + "' " + *psError;
    return false;
}
