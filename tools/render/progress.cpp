// The progress line: text, pacing, and the padding that overwrites a longer
// line before it.
#include "progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const auto kRedrawEvery = std::chrono::milliseconds(250);

// H:MM:SS, or M:SS under an hour.
std::string Duration(double dfSeconds) {
    long long llSeconds = static_cast<long long>(std::min(std::max(dfSeconds, 0.0), 3.6e9));
    char szText[32];
    if (llSeconds >= 3600)
        std::snprintf(szText, sizeof szText, "%lld:%02lld:%02lld", llSeconds / 3600, llSeconds / 60 % 60,
                      llSeconds % 60);
    else
        std::snprintf(szText, sizeof szText, "%lld:%02lld", llSeconds / 60, llSeconds % 60);
    return szText;
}

}  // namespace

std::string ProgressText(double dfFraction, const std::string& sWhere, double dfSeconds) {
    dfFraction = std::clamp(std::isnan(dfFraction) ? 0.0 : dfFraction, 0.0, 1.0);
    char szPercent[16];
    // Rounded down, so that 100% means done.
    std::snprintf(szPercent, sizeof szPercent, "%5.1f%%", std::floor(dfFraction * 1000.0) / 10.0);
    std::string sText = std::string(szPercent) + "  " + sWhere + "  " + Duration(dfSeconds);
    if (dfFraction >= 1.0) return sText + " in all";
    sText += " so far";
    if (dfFraction > 0.0) sText += ", " + Duration(dfSeconds * (1.0 - dfFraction) / dfFraction) + " left";
    return sText;
}

ProgressLine::ProgressLine(bool bShown)
    : bShown_(bShown), tStart_(std::chrono::steady_clock::now()), tLast_(tStart_) {}

void ProgressLine::Update(double dfFraction, const std::string& sWhere) {
    if (!bShown_) return;
    auto tNow = std::chrono::steady_clock::now();
    if (tNow - tLast_ < kRedrawEvery) return;
    tLast_ = tNow;
    Draw(dfFraction, sWhere);
}

// A render too short to have shown the line leaves none.
void ProgressLine::Finish(double dfFraction, const std::string& sWhere) {
    if (!bShown_ || !bDrawn_) return;
    Draw(dfFraction, sWhere);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    bShown_ = false;
}

void ProgressLine::Draw(double dfFraction, const std::string& sWhere) {
    double dfSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart_).count();
    std::string sText = ProgressText(dfFraction, sWhere, dfSeconds);
    size_t cchText = sText.size();
    sText.resize(std::max(cchText, cchLast_), ' ');
    cchLast_ = cchText;
    std::fprintf(stderr, "\r%s", sText.c_str());
    std::fflush(stderr);
    bDrawn_ = true;
}
