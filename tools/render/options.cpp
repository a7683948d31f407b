// Parsing of orvanta-render's options into RenderOptions.
#include "options.h"

#include "view_io.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace {

constexpr int kMaxSide = 16384;

bool ParseDouble(const std::string& sText, double* pValue) {
    if (sText.empty()) return false;
    char* pEnd = nullptr;
    errno = 0;
    double dfValue = std::strtod(sText.c_str(), &pEnd);
    if (*pEnd != '\0' || !std::isfinite(dfValue)) return false;
    *pValue = dfValue;
    return true;
}

bool ParseInteger(const std::string& sText, long long llMin, long long llMax, long long* pValue) {
    if (sText.empty()) return false;
    char* pEnd = nullptr;
    errno = 0;
    long long llValue = std::strtoll(sText.c_str(), &pEnd, 10);
    if (*pEnd != '\0' || errno == ERANGE || llValue < llMin || llValue > llMax) return false;
    *pValue = llValue;
    return true;
}

// "AxB" or "A,B" split at the first separator.
bool SplitPair(const std::string& sText, char chSeparator, std::string* psFirst,
               std::string* psSecond) {
    size_t uAt = sText.find(chSeparator);
    if (uAt == std::string::npos) return false;
    *psFirst = sText.substr(0, uAt);
    *psSecond = sText.substr(uAt + 1);
    return true;
}

using Setter = std::function<bool(const std::string&, RenderOptions&)>;

bool SetInt(const std::string& sText, long long llMin, long long llMax, int* pTarget) {
    long long llValue = 0;
    if (!ParseInteger(sText, llMin, llMax, &llValue)) return false;
    *pTarget = static_cast<int>(llValue);
    return true;
}

const std::map<std::string, std::pair<Setter, std::string>>& ValueOptions() {
    static const std::map<std::string, std::pair<Setter, std::string>> options = {
        {"--size",
         {[](const std::string& s, RenderOptions& o) {
              std::string sW, sH;
              return SplitPair(s, 'x', &sW, &sH) && SetInt(sW, 1, kMaxSide, &o.iWidth) &&
                     SetInt(sH, 1, kMaxSide, &o.iHeight);
          },
          "expected WxH, each side 1..16384"}},
        {"--center",
         {[](const std::string& s, RenderOptions& o) {
              // The user's Y grows upwards, the program's downwards.
              std::string sX, sY;
              double dfX = 0.0, dfY = 0.0;
              if (!SplitPair(s, ',', &sX, &sY) || !ParseDouble(sX, &dfX) || !ParseDouble(sY, &dfY))
                  return false;
              o.values.dfSetMidX = dfX;
              o.values.dfSetMidY = -dfY;
              return true;
          },
          "expected X,Y, two finite numbers"}},
        {"--height",
         {[](const std::string& s, RenderOptions& o) {
              return ParseDouble(s, &o.values.dfSetHeight);
          },
          "expected a finite number"}},
        {"--iterations",
         {[](const std::string& s, RenderOptions& o) {
              long long llValue = 0;
              if (!ParseInteger(s, 0, UINT32_MAX, &llValue)) return false;
              o.values.ulMaxLevels = static_cast<uint32_t>(llValue);
              return true;
          },
          "expected a whole number 0..4294967295"}},
        {"--start-level",
         {[](const std::string& s, RenderOptions& o) {
              return SetInt(s, INT32_MIN, INT32_MAX, &o.values.iMinLevel);
          },
          "expected a whole number"}},
        {"--color-factor",
         {[](const std::string& s, RenderOptions& o) {
              return SetInt(s, INT32_MIN, INT32_MAX, &o.values.iColorFactor);
          },
          "expected a whole number"}},
        {"--rgb",
         {[](const std::string& s, RenderOptions& o) {
              return SetInt(s, INT32_MIN, INT32_MAX, &o.values.iRGB_Combo);
          },
          "expected a whole number"}},
        {"--passes",
         {[](const std::string& s, RenderOptions& o) { return SetInt(s, 1, INT32_MAX, &o.iPasses); },
          "expected a whole number of at least 1"}},
        {"--threads",
         {[](const std::string& s, RenderOptions& o) {
              return SetInt(s, 1, kMostCountingThreads, &o.iThreads);
          },
          "expected a whole number 1..1024"}},
        {"--save-view",
         {[](const std::string& s, RenderOptions& o) {
              o.sSaveView = s;
              return !s.empty();
          },
          "expected a file name"}},
    };
    return options;
}

const char kViewExpected[] = "expected a view file";

// What an option's value should be; false for an unknown option.
bool ExpectedValue(const std::string& sName, std::string* psExpected) {
    if (sName == "--view") {
        *psExpected = kViewExpected;
        return true;
    }
    auto it = ValueOptions().find(sName);
    if (it == ValueOptions().end()) return false;
    *psExpected = it->second.second;
    return true;
}

// A view file replaces all eight drawing values given so far; a bad value
// of any other option is an argument error.
ParseResult ApplyOption(const std::string& sName, const std::string& sValue,
                        const std::string& sExpected, RenderOptions* pOptions,
                        std::string* psError) {
    if (sName == "--view") {
        if (LoadViewFile(sValue, &pOptions->values, &pOptions->bInvert, psError)) return ParseResult::Render;
        *psError = sName + ": " + *psError;
        return ParseResult::ViewError;
    }
    if (ValueOptions().at(sName).first(sValue, *pOptions)) return ParseResult::Render;
    *psError = sName + ": " + sExpected + ", got '" + sValue + "'";
    return ParseResult::Error;
}

}  // namespace

ParseResult ParseRenderOptions(int argc, const char* const* argv, RenderOptions* pOptions,
                               std::string* psError) {
    RenderOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string sArg = argv[i];
        if (sArg == "--help" || sArg == "-h") return ParseResult::Help;
        if (sArg == "--invert") {
            options.bInvert = true;
            continue;
        }
        if (sArg == "--stats") {
            options.bStats = true;
            continue;
        }
        if (sArg == "--no-metadata") {
            options.bNoMetadata = true;
            continue;
        }
        if (sArg.size() > 1 && sArg[0] == '-') {
            std::string sName = sArg, sValue, sExpected;
            bool bHasValue = SplitPair(sArg, '=', &sName, &sValue);
            if (!ExpectedValue(sName, &sExpected)) {
                *psError = "unknown option '" + sName + "' (see --help)";
                return ParseResult::Error;
            }
            if (!bHasValue) {
                if (i + 1 >= argc) {
                    *psError = sName + ": missing value (" + sExpected + ")";
                    return ParseResult::Error;
                }
                sValue = argv[++i];
            }
            ParseResult result = ApplyOption(sName, sValue, sExpected, &options, psError);
            if (result != ParseResult::Render) return result;
            continue;
        }
        if (!options.sOutput.empty()) {
            *psError = "more than one output file: '" + options.sOutput + "' and '" + sArg + "'";
            return ParseResult::Error;
        }
        options.sOutput = sArg;
    }
    if (options.sOutput.empty()) {
        *psError = "no output file given (usage: orvanta-render [options] OUT.png)";
        return ParseResult::Error;
    }
    if (options.iThreads == 0 && !ThreadsFromEnvironment(&options.iThreads)) {
        *psError = "ORVANTA_THREADS: expected a whole number 1..1024";
        return ParseResult::Error;
    }
    *pOptions = options;
    return ParseResult::Render;
}

std::string RenderHelpText() {
    return "usage: orvanta-render [options] OUT.png\n"
           "Renders a view of the Mandelbrot set with Orvanta's engine and writes it as PNG.\n"
           "\n"
           "  --size WxH          client area in pixels (default 1024x768; each side 1..16384)\n"
           "  --center X,Y        centre of the view, Y upwards positive (default 0,0)\n"
           "  --height H          height of the view in the plane (default 4)\n"
           "  --iterations N      iteration limit (default 0: chosen as on a true-colour\n"
           "                      display, 1024)\n"
           "  --start-level N     level of the first pass (default 2)\n"
           "  --color-factor N    colour scaling in percent (default 100)\n"
           "  --rgb N             channel order 0..5 (default 0)\n"
           "  --view FILE         take all eight drawing values (centre, height, iterations,\n"
           "                      start level, colour factor, channel order and the pan\n"
           "                      step) from a view file, or them and the inversion from\n"
           "                      a PNG orvanta-render wrote; options after it override\n"
           "                      them, options before it are overridden\n"
           "  --save-view FILE    write the drawing values, after all options, to a view\n"
           "                      file (65 bytes; an existing file is overwritten in place)\n"
           "  --invert            invert the colours\n"
           "  --no-metadata       leave the Orvanta view out of the PNG\n"
           "  --passes K          stop after K passes (a coarse preview); default: until the\n"
           "                      picture is complete\n"
           "  --stats             print passes, point_colors, iterations and seconds\n"
           "  --threads N         threads that count points, 1..1024 (default: the\n"
           "                      environment variable ORVANTA_THREADS, else every\n"
           "                      hardware thread); 1 counts on the drawing thread alone.\n"
           "                      The picture is the same at every count\n"
           "  --help              show this text\n"
           "\n"
           "The PNG is exactly the client area, 8-bit RGB. Palette-index colours (from\n"
           "displays with few colours) are shown through the 16-colour VGA palette for\n"
           "indices below 16 and a fixed 256-entry palette (6x6x6 cube and greys) above.\n"
           "Every PNG carries a tEXt chunk \"Software\" (orvanta-render and its version)\n"
           "and one \"Orvanta view\": one key=value per line, in this order, numbers\n"
           "as %.17g writes them, so that they read back exactly:\n"
           "  center-x, center-y (Y upwards): finite numbers; iterations: 0..4294967295;\n"
           "  height, pan-step: finite numbers; start-level, color-factor, rgb: 32-bit\n"
           "  whole numbers; invert: 0 or 1.\n"
           "--view reads it strictly: every key once, in any order, and no other key;\n"
           "at most 1024 bytes, before the image data.\n"
           "The size is not part of the view: give the same --size for the same pixels.\n"
           "Warnings about view files are printed to stderr as \"CAPTION: text\".\n"
           "Exit codes: 0 written; 1 the output or the --save-view file could not be\n"
           "written, or the --view file could not be opened or is neither a view file\n"
           "nor a PNG with a whole Orvanta view; 2 bad arguments.\n";
}
