// Zoom films: the frames' names, from the output's printf number pattern, and
// their heights, each frame's its predecessor's times the zoom per frame.
#ifndef ORVANTA_RENDER_FILM_H
#define ORVANTA_RENDER_FILM_H

#include <string>

// An output name split around its one integer conversion ('%', flags from
// "-+ #0", a width and a precision of up to two digits each, then d, i or u);
// "%%" elsewhere is a percent sign, already turned into one.
struct FramePattern {
    bool bFound = false;  // the name holds a conversion
    std::string sBefore, sConversion, sAfter;
};

// False with a one-line reason when a '%' of sOut begins no conversion or a
// second one; a name without any is no pattern (bFound false).
bool ParseFramePattern(const std::string& sOut, FramePattern* pPattern, std::string* psError);
// The name of frame iFrame: the pattern filled in, or the name itself when
// it holds none.
std::string FrameName(const std::string& sOut, const FramePattern& pattern, int iFrame);

// Walks the frames' heights in order: frame 0's as given, each next one the
// one before it times the zoom, one double multiplication per frame, so that
// every machine finds the same heights whatever part of the film it renders.
class FrameHeights {
public:
    FrameHeights(double dfFirst, double dfZoom) : dfHeight_(dfFirst), dfZoom_(dfZoom) {}
    // The height of frame iFrame, no earlier than the last one asked for.
    double At(int iFrame) {
        for (; iFrame_ < iFrame; ++iFrame_) dfHeight_ *= dfZoom_;
        return dfHeight_;
    }

private:
    double dfHeight_, dfZoom_;
    int iFrame_ = 0;
};

#endif
