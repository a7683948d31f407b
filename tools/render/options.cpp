// orvanta-render's options on CLI11: one row each below (name, value, help,
// what a value must be), applied in argument order as they are parsed, so a
// --view file sets its values at its place. Numbers parse as strtod/strtol do.
#include "options.h"

#include "output_file.h"
#include "view_io.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <unistd.h>

#ifndef ORVANTA_VERSION
#define ORVANTA_VERSION "0.0.0"
#endif

namespace {

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

bool SetInt(const std::string& sText, long long llMin, long long llMax, int* pTarget) {
    long long llValue = 0;
    if (!ParseInteger(sText, llMin, llMax, &llValue)) return false;
    *pTarget = static_cast<int>(llValue);
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

// "A:B" with 0 <= A < B.
bool SetRange(const std::string& sText, int* piFirst, int* piEnd) {
    std::string sFirst, sEnd;
    int iFirst = 0, iEnd = 0;
    if (!SplitPair(sText, ':', &sFirst, &sEnd) || !SetInt(sFirst, 0, INT32_MAX - 1, &iFirst) ||
        !SetInt(sEnd, iFirst + 1, INT32_MAX, &iEnd))
        return false;
    *piFirst = iFirst;
    *piEnd = iEnd;
    return true;
}

// Ends the parse: a refused argument, or a request for help or the version.
struct ParseStop {
    ParseResult result;
    std::string sMessage;
};

// Takes an option's value (empty for a flag); false when it is not pszExpected.
using Setter = std::function<bool(const std::string& sValue, RenderOptions& o)>;

struct OptionRow {
    const char* pszName;
    const char* pszValue;     // the value's name in the help; nullptr for a flag
    const char* pszHelp;      // lines after the first are indented by the help
    const char* pszExpected;  // for the messages about a bad or missing value
    Setter set;
};

const std::vector<OptionRow>& OptionRows() {
    static const std::vector<OptionRow> rows = {
        {"--size", "WxH",
         "client area in pixels (default 1024x768; each side\n"
         "1..2147483647, or 1..16384 with --passes or --progressive)",
         "expected WxH, each side 1..2147483647",
         [](const std::string& s, RenderOptions& o) {
             std::string sW, sH;
             return SplitPair(s, 'x', &sW, &sH) && SetInt(sW, 1, kMostDirectSide, &o.iWidth) &&
                    SetInt(sH, 1, kMostDirectSide, &o.iHeight);
         }},
        {"--center", "X,Y", "centre of the view, Y upwards positive (default 0,0)",
         "expected X,Y, two finite numbers",
         [](const std::string& s, RenderOptions& o) {
             // The user's Y grows upwards, the program's downwards.
             std::string sX, sY;
             double dfX = 0.0, dfY = 0.0;
             if (!SplitPair(s, ',', &sX, &sY) || !ParseDouble(sX, &dfX) || !ParseDouble(sY, &dfY))
                 return false;
             o.values.dfSetMidX = dfX;
             o.values.dfSetMidY = -dfY;
             return true;
         }},
        {"--height", "H", "height of the view in the plane (default 4)", "expected a finite number",
         [](const std::string& s, RenderOptions& o) {
             return ParseDouble(s, &o.values.dfSetHeight);
         }},
        {"--iterations", "N",
         "iteration limit (default 0: chosen as on a true-colour\ndisplay, 1024)",
         "expected a whole number 0..4294967295",
         [](const std::string& s, RenderOptions& o) {
             long long llValue = 0;
             if (!ParseInteger(s, 0, UINT32_MAX, &llValue)) return false;
             o.values.ulMaxLevels = static_cast<uint32_t>(llValue);
             return true;
         }},
        {"--start-level", "N", "level of the first pass (default 2)", "expected a whole number",
         [](const std::string& s, RenderOptions& o) {
             return SetInt(s, INT32_MIN, INT32_MAX, &o.values.iMinLevel);
         }},
        {"--color-factor", "N", "colour scaling in percent (default 100)", "expected a whole number",
         [](const std::string& s, RenderOptions& o) {
             return SetInt(s, INT32_MIN, INT32_MAX, &o.values.iColorFactor);
         }},
        {"--rgb", "N", "channel order 0..5 (default 0)", "expected a whole number",
         [](const std::string& s, RenderOptions& o) {
             return SetInt(s, INT32_MIN, INT32_MAX, &o.values.iRGB_Combo);
         }},
        {"--view", "FILE",
         "take all eight drawing values (centre, height, iterations,\n"
         "start level, colour factor, channel order and the pan\n"
         "step) from a view file, or them and the inversion from a\n"
         "PNG orvanta-render wrote; options after it override them,\n"
         "options before it are overridden",
         "expected a view file",
         [](const std::string& s, RenderOptions& o) {
             std::string sError;
             if (!LoadViewFile(s, &o.values, &o.bInvert, &sError))
                 throw ParseStop{ParseResult::ViewError, "--view: " + sError};
             return true;
         }},
        {"--save-view", "FILE",
         "write the drawing values, after all options, to a view\n"
         "file of 65 bytes (FILE as OUT.png below)",
         "expected a file name",
         [](const std::string& s, RenderOptions& o) {
             o.sSaveView = s;
             return !s.empty();
         }},
        {"--invert", nullptr, "invert the colours", "",
         [](const std::string&, RenderOptions& o) { return o.bInvert = true; }},
        {"--no-invert", nullptr, "do not invert the colours, as a --view PNG before it may", "",
         [](const std::string&, RenderOptions& o) {
             o.bInvert = false;
             return true;
         }},
        {"--no-metadata", nullptr, "leave the Orvanta view out of the PNG", "",
         [](const std::string&, RenderOptions& o) { return o.bNoMetadata = true; }},
        {"--passes", "K",
         "draw K passes of the program's render loop, a coarse\n"
         "preview; default: the finished picture",
         "expected a whole number of at least 1",
         [](const std::string& s, RenderOptions& o) { return SetInt(s, 1, INT32_MAX, &o.iPasses); }},
        {"--progressive", nullptr,
         "draw the finished picture pass by pass through the\n"
         "program's render loop, as the explorer paints it. Without\n"
         "it (or --passes) each pixel's colour is computed straight\n"
         "from its point on all threads and streamed to the file:\n"
         "the same picture, sooner, in memory that grows with the\n"
         "width alone",
         "",
         [](const std::string&, RenderOptions& o) { return o.bProgressive = true; }},
        {"--stats", nullptr,
         "print passes, point_colors, iterations and seconds; for a\n"
         "picture straight from its points: passes 0, point_colors\n"
         "the pixels and iterations the sum of their counts. The\n"
         "render loop adds planned_points, the points counted ahead,\n"
         "and recounted_points, those counted again on the drawing\n"
         "thread because a block was not the one planned (0 unless\n"
         "memory could not hold the plan)",
         "",
         [](const std::string&, RenderOptions& o) { return o.bStats = true; }},
        {"--quiet", nullptr,
         "no progress line (shown only when stderr is a terminal)", "",
         [](const std::string&, RenderOptions& o) { return o.bQuiet = true; }},
        {"--frames", "N",
         "render a film of N frames zooming in from the view, each\n"
         "named by OUT's number pattern (frame%05d.png), written\n"
         "whole or not at all; straight from the points only",
         "expected a whole number 1..2147483647",
         [](const std::string& s, RenderOptions& o) { return SetInt(s, 1, INT32_MAX, &o.iFrames); }},
        {"--zoom-per-frame", "Z",
         "each frame's height is the one before it times Z, a\n"
         "finite number > 0 (default 0.9; above 1 zooms out)",
         "expected a finite number > 0",
         [](const std::string& s, RenderOptions& o) {
             double dfZoom = 0.0;
             if (!ParseDouble(s, &dfZoom) || !(dfZoom > 0.0)) return false;
             o.dfZoomPerFrame = dfZoom;
             return true;
         }},
        {"--frame-range", "A:B",
         "render frames A..B-1 of the film only (0 <= A < B <= N):\n"
         "the same files however the film is split",
         "expected A:B, two whole numbers 0 <= A < B",
         [](const std::string& s, RenderOptions& o) {
             return SetRange(s, &o.iFirstFrame, &o.iEndFrame);
         }},
        {"--skip-existing", nullptr,
         "leave a picture (or frame) whose file is already there;\n"
         "a film interrupted then resumes where it stopped",
         "",
         [](const std::string&, RenderOptions& o) { return o.bSkipExisting = true; }},
        {"--rows", "A:B",
         "render rows A..B-1 of the picture only (0 <= A < B <= H),\n"
         "a W x (B-A) PNG of exactly those rows: a band of a poster",
         "expected A:B, two whole numbers 0 <= A < B",
         [](const std::string& s, RenderOptions& o) { return SetRange(s, &o.iFirstRow, &o.iEndRow); }},
        {"--threads", "N",
         "threads that count points, 1..1024 (default: the\n"
         "environment variable ORVANTA_THREADS, else every\n"
         "hardware thread); 1 counts on the drawing thread alone.\n"
         "The picture is the same at every count",
         "expected a whole number 1..1024",
         [](const std::string& s, RenderOptions& o) {
             return SetInt(s, 1, kMostCountingThreads, &o.iThreads);
         }},
        {"--help", nullptr, "show this text", "",
         [](const std::string&, RenderOptions&) -> bool { throw ParseStop{ParseResult::Help, ""}; }},
        {"--version", nullptr, "print the version", "",
         [](const std::string&, RenderOptions&) -> bool {
             throw ParseStop{ParseResult::Version, ""};
         }},
    };
    return rows;
}

const OptionRow* FindRow(const std::string& sName) {
    for (const OptionRow& row : OptionRows())
        if (sName == row.pszName) return &row;
    return nullptr;
}

// Every row as a CLI11 option whose callback runs as it is parsed.
void DefineOptions(CLI::App* pApp, RenderOptions* pOptions) {
    pApp->set_help_flag();
    pApp->allow_extras();
    for (const OptionRow& row : OptionRows()) {
        std::string sNames = row.pszName == std::string("--help") ? "-h,--help" : row.pszName;
        CLI::callback_t apply = [&row, pOptions](const CLI::results_t& results) {
            std::string sValue = row.pszValue && !results.empty() ? results.back() : "";
            if (!row.set(sValue, *pOptions))
                throw ParseStop{ParseResult::Error, std::string(row.pszName) + ": " +
                                                        row.pszExpected + ", got '" + sValue + "'"};
            return true;
        };
        if (row.pszValue) {
            pApp->add_option(sNames, apply, row.pszHelp)->type_name(row.pszValue)->trigger_on_parse();
        } else {
            pApp->add_flag_callback(sNames, [apply] { apply({}); }, row.pszHelp)
                ->disable_flag_override()
                ->trigger_on_parse();
        }
    }
    CLI::callback_t output = [pOptions](const CLI::results_t& results) {
        pOptions->sOutput = results.back();
        return true;
    };
    pApp->add_option("OUT", output);
}

// The arguments last first, as CLI11 takes them, "--name=value" split in
// two so that an empty value stays a value and a flag's value is refused.
std::vector<std::string> Arguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    bool bOptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string sArg = argv[i];
        size_t uEquals = sArg.find('=');
        const OptionRow* pRow = bOptionsEnded ? nullptr : FindRow(sArg.substr(0, uEquals));
        bOptionsEnded = bOptionsEnded || sArg == "--";
        args.push_back(sArg);
        if (pRow && uEquals == std::string::npos) {
            if (pRow->pszValue && i + 1 < argc) args.push_back(argv[++i]);  // taken as it is
        } else if (pRow && !pRow->pszValue) {
            throw ParseStop{ParseResult::Error, std::string(pRow->pszName) + ": takes no value, got '" +
                                                    sArg.substr(uEquals + 1) + "'"};
        } else if (pRow) {
            args.back() = pRow->pszName;
            args.push_back(sArg.substr(uEquals + 1));
        }
    }
    std::reverse(args.begin(), args.end());
    return args;
}

// Arguments CLI11 had no place for: unknown options, then a second output.
// After "--" nothing is an option.
void RefuseLeftovers(const RenderOptions& options, const std::vector<std::string>& leftovers) {
    std::string sSecondOutput;
    bool bOptionsEnded = false;
    for (const std::string& sArg : leftovers) {
        if (sArg == "--" && !bOptionsEnded) {
            bOptionsEnded = true;
        } else if (!bOptionsEnded && sArg.size() > 1 && sArg[0] == '-') {
            throw ParseStop{ParseResult::Error,
                            "unknown option '" + sArg.substr(0, sArg.find('=')) + "' (see --help)"};
        } else if (sSecondOutput.empty()) {
            sSecondOutput = sArg;
        }
    }
    if (!sSecondOutput.empty())
        throw ParseStop{ParseResult::Error, "more than one output file: '" + options.sOutput +
                                                "' and '" + sSecondOutput + "'"};
}

void Parse(int argc, const char* const* argv, RenderOptions* pOptions) {
    CLI::App app;
    DefineOptions(&app, pOptions);
    try {
        app.parse(Arguments(argc, argv));
    } catch (const CLI::ArgumentMismatch& error) {
        // A value option with nothing after it.
        const OptionRow* pRow = FindRow(argv[argc - 1]);
        if (pRow && pRow->pszValue)
            throw ParseStop{ParseResult::Error, std::string(pRow->pszName) + ": missing value (" +
                                                    pRow->pszExpected + ")"};
        throw ParseStop{ParseResult::Error, error.what()};
    } catch (const CLI::ParseError& error) {
        throw ParseStop{ParseResult::Error, error.what()};
    }
    RefuseLeftovers(*pOptions, app.remaining());
}

// "-" takes standard output once, and never a terminal's.
bool StandardOutputFits(const RenderOptions& options, std::string* psError) {
    bool bPng = IsStandardOutput(options.sOutput), bView = IsStandardOutput(options.sSaveView);
    if (bPng && bView) {
        *psError = "the PNG and --save-view cannot both go to standard output (-)";
        return false;
    }
    if ((bPng || bView) && isatty(STDOUT_FILENO)) {
        *psError = std::string(bView ? "--save-view: " : "") +
                   "standard output (-) is a terminal; redirect it or name a file";
        return false;
    }
    return true;
}

const char kRenderLoopRefused[] = "; --passes and --progressive draw the whole picture through the render loop";

// A film's frames: finished pictures, within the film, named by the output's
// pattern, their heights finite. Fills in the range and the pattern.
bool FilmFits(RenderOptions* pOptions, std::string* psError) {
    RenderOptions& o = *pOptions;
    if (!IsFilm(o)) return true;
    int iFrames = std::max(o.iFrames, 1);
    std::string sFrames = std::to_string(iFrames) + " frame" + (iFrames > 1 ? "s" : "");
    if (o.iEndFrame == 0) o.iEndFrame = iFrames;
    if (UsesRenderLoop(o)) {
        *psError = "--frames: a film's frames come straight from their points" + std::string(kRenderLoopRefused);
    } else if (o.iEndRow > 0) {
        *psError = "--rows: a band of one picture, not of a film's frames (--frames, --frame-range)";
    } else if (o.iEndFrame > iFrames) {
        *psError = "--frame-range: " + std::to_string(o.iFirstFrame) + ":" + std::to_string(o.iEndFrame) +
                   " ends past the film's " + sFrames + " (--frames N)";
    } else if (!ParseFramePattern(o.sOutput, &o.framePattern, psError)) {
        *psError = "OUT " + *psError;
    } else if (iFrames > 1 && !o.framePattern.bFound) {
        *psError = (IsStandardOutput(o.sOutput) ? "standard output (-) cannot take"
                                                : "OUT '" + o.sOutput + "' holds no number pattern for") +
                   std::string(" the film's ") + sFrames + " (one printf integer conversion such as frame%05d.png)";
    }
    if (!psError->empty()) return false;
    FrameHeights heights(o.values.dfSetHeight, o.dfZoomPerFrame);
    for (int iFrame = 0; iFrame < o.iEndFrame; ++iFrame) {
        if (std::isfinite(heights.At(iFrame))) continue;
        *psError = "--zoom-per-frame: frame " + std::to_string(iFrame) + "'s height is " +
                   std::to_string(heights.At(iFrame)) + ", not a finite number";
        return false;
    }
    return true;
}

// A band of the picture's rows, straight from its points.
bool RowsFit(const RenderOptions& o, std::string* psError) {
    if (o.iEndRow == 0) return true;
    if (UsesRenderLoop(o)) {
        *psError = "--rows: a band comes straight from its points" + std::string(kRenderLoopRefused);
    } else if (o.iEndRow > o.iHeight) {
        *psError = "--rows: " + std::to_string(o.iFirstRow) + ":" + std::to_string(o.iEndRow) +
                   " is past the picture's " + std::to_string(o.iHeight) + " rows (--size WxH)";
    }
    return psError->empty();
}

}  // namespace

ParseResult ParseRenderOptions(int argc, const char* const* argv, RenderOptions* pOptions,
                               std::string* psError) {
    RenderOptions options;
    try {
        Parse(argc, argv, &options);
    } catch (const ParseStop& stop) {
        *psError = stop.sMessage;
        return stop.result;
    }
    if (options.sOutput.empty()) {
        *psError = "no output file given (usage: orvanta-render [options] OUT.png)";
        return ParseResult::Error;
    }
    if (UsesRenderLoop(options) && (options.iWidth > kMostRenderLoopSide || options.iHeight > kMostRenderLoopSide)) {
        *psError = "--size: " + std::to_string(options.iWidth) + "x" + std::to_string(options.iHeight) +
                   " is past the render loop's framebuffer, each side 1..16384 with --passes or "
                   "--progressive; without them any side up to 2147483647";
        return ParseResult::Error;
    }
    psError->clear();
    if (!FilmFits(&options, psError) || !RowsFit(options, psError) || !StandardOutputFits(options, psError))
        return ParseResult::Error;
    if (options.iThreads == 0 && !ThreadsFromEnvironment(&options.iThreads)) {
        *psError = "ORVANTA_THREADS: expected a whole number 1..1024";
        return ParseResult::Error;
    }
    *pOptions = options;
    return ParseResult::Render;
}

// The option lines come from the rows: name and value, then the help, its
// lines beneath one another.
std::string RenderHelpText() {
    std::string sText =
        "usage: orvanta-render [options] OUT.png\n"
        "Renders a view of the Mandelbrot set with Orvanta's engine and writes it as PNG.\n"
        "\n";
    const std::string sIndent(22, ' ');
    for (const OptionRow& row : OptionRows()) {
        std::string sHead = "  " + std::string(row.pszName) + (row.pszValue ? std::string(" ") + row.pszValue : "");
        sText += sHead + std::string(sHead.size() < 22 ? 22 - sHead.size() : 1, ' ');
        for (const char* p = row.pszHelp; *p; ++p) sText += *p == '\n' ? "\n" + sIndent : std::string(1, *p);
        sText += "\n";
    }
    return sText +
           "\n"
           "OUT.png is a new or existing file, replaced once the picture is complete (a\n"
           "symbolic link keeps pointing to it); a pipe or a device, written directly; or\n"
           "- for standard output, when that is not a terminal.\n"
           "The PNG is exactly the client area of a true-colour display, 8-bit RGB; a\n"
           "poster is a large --size, e.g. --size 18000x27000 for A3 at 600 dpi.\n"
           "While it renders, a terminal shows the percent done, the rows (the pass, or\n"
           "the frame), the time so far and an estimate of the time left.\n"
           "A film's frame k has frame k-1's height times Z, its own view in its PNG and\n"
           "the name OUT's pattern gives k (%% is a percent sign); the frames are the\n"
           "same bytes however --frame-range splits the film. --save-view writes frame\n"
           "0's view, --stats sums the frames rendered; standard output takes a film of\n"
           "one frame only. A --rows band keeps the whole picture's view and mapping.\n"
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
           "written, the --view file could not be opened or is neither a view file nor\n"
           "a PNG with a whole Orvanta view, or memory could not hold the picture;\n"
           "2 bad arguments.\n";
}

std::string RenderVersionText() { return "orvanta-render " ORVANTA_VERSION "\n"; }
