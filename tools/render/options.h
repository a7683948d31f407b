// orvanta-render's command line: options in order of appearance, numbers
// parsed as strtod/strtol would and consumed whole, errors named by argument.
#ifndef ORVANTA_RENDER_OPTIONS_H
#define ORVANTA_RENDER_OPTIONS_H

#include <cstdint>
#include <string>

struct RenderOptions {
    int iWidth = 1024;
    int iHeight = 768;
    double dfCenterX = 0.0;
    double dfCenterY = 0.0;  // upwards positive, as the user sees it
    double dfHeight = 4.0;
    uint32_t ulIterations = 0;
    int iStartLevel = 2;
    int iColorFactor = 100;
    int iRgb = 0;
    bool bInvert = false;
    int iPasses = 0;  // 0: until the picture is complete
    bool bStats = false;
    std::string sOutput;
};

enum class ParseResult { Render, Help, Error };

ParseResult ParseRenderOptions(int argc, const char* const* argv, RenderOptions* pOptions,
                               std::string* psError);
std::string RenderHelpText();

#endif
