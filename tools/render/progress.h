// The progress line of long renders on a terminal: how much is done, where,
// the time so far and an estimate of the time left, redrawn in place a few
// times a second and ended with its own line break.
#ifndef ORVANTA_RENDER_PROGRESS_H
#define ORVANTA_RENDER_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <string>

// The line for a fraction done (held to 0..1) after dfSeconds, e.g.
// " 42.0%  rows 420/1000  0:03 so far, 0:04 left"; no estimate before any
// work, the whole time once all is done.
std::string ProgressText(double dfFraction, const std::string& sWhere, double dfSeconds);

// Writes to stderr only when shown; nothing at all otherwise.
class ProgressLine {
public:
    explicit ProgressLine(bool bShown);
    // Redrawn at most four times a second.
    void Update(double dfFraction, const std::string& sWhere);
    // The last state, and the line ended, if it was shown at all.
    void Finish(double dfFraction, const std::string& sWhere);

private:
    void Draw(double dfFraction, const std::string& sWhere);

    bool bShown_;
    bool bDrawn_ = false;
    size_t cchLast_ = 0;
    std::chrono::steady_clock::time_point tStart_, tLast_;
};

#endif
