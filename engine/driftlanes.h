// The block kernel every unit shares: the exact shortcuts that settle a point
// before it is iterated, and chains of vector lanes that iterate the others,
// each lane taking the next waiting point as soon as its own is settled.
// Included by each unit's file after its vector operations (Vec, Mask, Cnt).
#ifndef ORVANTA_DRIFTLANES_H
#define ORVANTA_DRIFTLANES_H

namespace {

const double kEscapeBound = 4.0;
const int kQueuePoints = 1024; // points settled, queued and iterated per round
const int kFirstSteps = 4;     // steps a group takes together before its survivors queue
const int kWindow = 16;        // steps between two looks at the lanes
const int kLaneCount = kChains * kLanes;

// A point is settled as inside, with the full limit, only when its attracting
// fixed point (main cardioid) or 2-cycle (period-2 bulb) has a multiplier
// lambda with |lambda| <= kRho = 1 - 2^-10. About that cycle the disc of radius
// (1 - kRho) / 2 maps into itself shrunk by (1 + kRho) / 2, so it swallows any
// error below 2e-7 a step, where a double step errs by less than 1e-15; the
// exact orbit reaches the disc within some thousands of steps, staying a
// distance of order 1 - kRho from the Julia set, which the double orbit, never
// more than about 1e-11 from it, cannot cross. So the double orbit never
// escapes. The inequalities below err by about 1e-15, far less than the margin.
//   Cardioid, lambda = 1 - sqrt(1 - 4c): with q = (x - 1/4)^2 + y^2 and
//   R = (1 - kRho^2)^2 + 16q + 8x - 2, |lambda| <= kRho iff R <= 0 or
//   R^2 <= 64 kRho^4 q.  Bulb, lambda = 4(c + 1): (x + 1)^2 + y^2 <= kRho^2 / 16.
const double kRho = 1.0 - 1.0 / 1024;
const double kRho2 = kRho * kRho;
const double kCardioidShift = (1.0 - kRho2) * (1.0 - kRho2);
const double kCardioidScale = 64.0 * kRho2 * kRho2;
const double kBulbRadius2 = kRho2 / 16.0;

// One round: the points, the queue of those left to iterate, and the lanes
// while they are out of registers, between runs of the chains.
struct DriftBlock {
    double dfPointX[kQueuePoints + kLanes];
    double dfPointY[kQueuePoints + kLanes];
    uint32_t* pulCounts;
    uint32_t ulLimit;
    // Queued points: the orbit so far, the point, its count and its index.
    double dfQueueX[kQueuePoints], dfQueueY[kQueuePoints];
    double dfQueueCX[kQueuePoints], dfQueueCY[kQueuePoints];
    int64_t llQueueCount[kQueuePoints];
    int64_t llQueuePoint[kQueuePoints];
    int iQueued;
    int iNext;
    int64_t llWindows;  // windows run in this round
    double dfX[kLaneCount], dfY[kLaneCount], dfCX[kLaneCount], dfCY[kLaneCount];
    double dfSavedX[kLaneCount], dfSavedY[kLaneCount];  // an earlier value of the orbit
    int64_t llCount[kLaneCount];
    int64_t llPoint[kLaneCount];        // -1: the lane is empty
    unsigned char bActive[kLaneCount];  // not escaped yet
};

// A chain in registers: orbits, points, counts, point indices, the lanes not
// yet escaped and the lanes that hold a point.
struct Chain {
    Vec x, y, cx, cy;
    Cnt n, p;
    Mask k;
    unsigned uOccupied;
};

unsigned LaneBits(const unsigned char* pbFlags) {
    unsigned uBits = 0;
    for (int j = 0; j < kLanes; ++j) uBits |= static_cast<unsigned>(pbFlags[j] != 0) << j;
    return uBits;
}

// One step of z <- z^2 + z0 for every lane of a vector, exactly as DriftCount
// takes it; a lane counts the step only while its orbit is inside the bound.
inline void Step(Vec& x, Vec& y, Vec cx, Vec cy, Mask& k, Cnt& n, Vec four, Cnt one) {
    Vec x2 = Mul(x, x);
    Vec y2 = Mul(y, y);
    Vec xy = Mul(x, y);
    k = StillIn(k, Add(x2, y2), four);
    n = CountIn(n, k, one);
    x = Add(Sub(x2, y2), cx);
    y = Add(Add(xy, xy), cy);
}

// Lanes whose point lies on or outside the circle of radius 2: count 0.
inline unsigned OutsideLanes(Vec x, Vec y) {
    return AtLeast(Add(Mul(x, x), Mul(y, y)), Splat(kEscapeBound));
}

inline unsigned InsideLanes(Vec x, Vec y) {
    Vec y2 = Mul(y, y);
    Vec xc = Sub(x, Splat(0.25));
    Vec q = Add(Mul(xc, xc), y2);
    Vec r = Sub(Add(Add(Splat(kCardioidShift), Mul(Splat(16.0), q)), Mul(Splat(8.0), x)), Splat(2.0));
    Vec xb = Add(x, Splat(1.0));
    return AtMost(r, Splat(0.0)) | AtMost(Mul(r, r), Mul(Splat(kCardioidScale), q)) |
           AtMost(Add(Mul(xb, xb), y2), Splat(kBulbRadius2));
}

// The group's live points take their first steps together, most of them to
// the end; those still inside the bound and under the limit are queued.
void FirstSteps(DriftBlock& b, int iFirst, unsigned uLive, Vec x, Vec y) {
    const Vec cx = x, cy = y, four = Splat(kEscapeBound);
    const Cnt one = CountOne();
    Mask k = MaskOf(uLive);
    Cnt n = CountZero();
    uint32_t ulSteps = b.ulLimit < kFirstSteps ? b.ulLimit : kFirstSteps;
    for (uint32_t t = 0; t < ulSteps && BitsOf(k) != 0; ++t) Step(x, y, cx, cy, k, n, four, one);
    double dfX[kLanes], dfY[kLanes];
    int64_t llCount[kLanes];
    Store(dfX, x);
    Store(dfY, y);
    StoreCount(llCount, n);
    unsigned uActive = BitsOf(k);
    for (int j = 0; j < kLanes; ++j) {
        if (!((uLive >> j) & 1)) continue;
        if (!((uActive >> j) & 1)) b.pulCounts[iFirst + j] = static_cast<uint32_t>(llCount[j]);
        else if (llCount[j] >= b.ulLimit) b.pulCounts[iFirst + j] = b.ulLimit;
        else {
            int e = b.iQueued++;
            b.dfQueueX[e] = dfX[j];
            b.dfQueueY[e] = dfY[j];
            b.dfQueueCX[e] = b.dfPointX[iFirst + j];
            b.dfQueueCY[e] = b.dfPointY[iFirst + j];
            b.llQueueCount[e] = llCount[j];
            b.llQueuePoint[e] = iFirst + j;
        }
    }
}

// Counts 0 (escaped before the first step) and the limit (inside) are known
// without iterating; the group's other points take their first steps.
void SettleGroup(DriftBlock& b, int iFirst, int iPoints) {
    Vec x = Load(b.dfPointX + iFirst), y = Load(b.dfPointY + iFirst);
    unsigned uOut = OutsideLanes(x, y);
    unsigned uInside = InsideLanes(x, y) & ~uOut;
    for (int j = 0; j < iPoints; ++j) {
        if ((uOut >> j) & 1) b.pulCounts[iFirst + j] = 0;
        else if ((uInside >> j) & 1) b.pulCounts[iFirst + j] = b.ulLimit;
    }
    unsigned uLive = ((1u << iPoints) - 1) & ~(uOut | uInside);
    if (uLive != 0) FirstSteps(b, iFirst, uLive, x, y);
}

void SettlePoints(DriftBlock& b, int iPoints) {
    for (int i = iPoints; i < iPoints + kLanes; ++i) b.dfPointX[i] = b.dfPointY[i] = 0.0;
    for (int i = 0; i < iPoints; i += kLanes)
        SettleGroup(b, i, iPoints - i < kLanes ? iPoints - i : kLanes);
}

// The lane takes the next queued point, or is left empty (a still orbit at 0).
void Refill(DriftBlock& b, int i) {
    int e = b.iNext < b.iQueued ? b.iNext++ : -1;
    b.dfX[i] = b.dfSavedX[i] = e < 0 ? 0.0 : b.dfQueueX[e];
    b.dfY[i] = b.dfSavedY[i] = e < 0 ? 0.0 : b.dfQueueY[e];
    b.dfCX[i] = e < 0 ? 0.0 : b.dfQueueCX[e];
    b.dfCY[i] = e < 0 ? 0.0 : b.dfQueueCY[e];
    b.llCount[i] = e < 0 ? 0 : b.llQueueCount[e];
    b.llPoint[i] = e < 0 ? -1 : b.llQueuePoint[e];
    b.bActive[i] = e >= 0;
}

inline void LoadChain(const DriftBlock& b, int c, Chain& ch) {
    int i = c * kLanes;
    ch.x = Load(b.dfX + i);
    ch.y = Load(b.dfY + i);
    ch.cx = Load(b.dfCX + i);
    ch.cy = Load(b.dfCY + i);
    ch.n = LoadCount(b.llCount + i);
    ch.p = LoadCount(b.llPoint + i);
    ch.k = MaskOf(LaneBits(b.bActive + i));
    ch.uOccupied = 0;
    for (int j = 0; j < kLanes; ++j) ch.uOccupied |= static_cast<unsigned>(b.llPoint[i + j] >= 0) << j;
}

inline void StoreChain(DriftBlock& b, int c, const Chain& ch) {
    int i = c * kLanes;
    Store(b.dfX + i, ch.x);
    Store(b.dfY + i, ch.y);
    Store(b.dfCX + i, ch.cx);
    Store(b.dfCY + i, ch.cy);
    StoreCount(b.llCount + i, ch.n);
    StoreCount(b.llPoint + i, ch.p);
    unsigned uActive = BitsOf(ch.k);
    for (int j = 0; j < kLanes; ++j) {
        b.bActive[i + j] = (uActive >> j) & 1;
        if (!((ch.uOccupied >> j) & 1)) b.llPoint[i + j] = -1;
    }
}

// Lanes whose point is settled: escaped, at the limit, or back at a value it
// had before.
inline unsigned DoneLanes(const DriftBlock& b, int c, const Chain& ch, Cnt limit) {
    int i = c * kLanes;
    unsigned uRepeat = SameBits(ch.x, Load(b.dfSavedX + i)) & SameBits(ch.y, Load(b.dfSavedY + i));
    return ch.uOccupied & (~BitsOf(ch.k) | uRepeat | AtLimit(ch.n, limit));
}

// Set bits of a lane mask (at most eight lanes), without branches.
inline int BitCount(unsigned uBits) {
    uBits = uBits - ((uBits >> 1) & 0x55u);
    uBits = (uBits & 0x33u) + ((uBits >> 2) & 0x33u);
    return static_cast<int>((uBits + (uBits >> 4)) & 0x0Fu);
}

// The lowest iCount set bits of uBits.
inline unsigned LowestBits(unsigned uBits, int iCount) {
    if (iCount >= kLanes) return uBits;
    unsigned uLowest = 0;
    for (; uBits != 0 && iCount > 0; --iCount, uBits &= uBits - 1) uLowest |= uBits & (0u - uBits);
    return uLowest;
}

// Settled lanes write their counts: an escaped orbit its own, capped at the
// limit (a lane may run past it within a window); one at the limit or back at
// an earlier value, which so never escapes, the limit. Then they take the next
// queued points, or are left empty.
inline void SettleChain(DriftBlock& b, int c, Chain& ch, unsigned uDone, Cnt limit) {
    ScatterCounts(b.pulCounts, uDone, ch.p, CountSelect(ch.k, limit, CountMin(ch.n, limit)));
    unsigned uRefill = LowestBits(uDone, b.iQueued - b.iNext);
    int e = b.iNext;
    ch.x = ExpandLoad(ch.x, uRefill, b.dfQueueX + e);
    ch.y = ExpandLoad(ch.y, uRefill, b.dfQueueY + e);
    ch.cx = ExpandLoad(ch.cx, uRefill, b.dfQueueCX + e);
    ch.cy = ExpandLoad(ch.cy, uRefill, b.dfQueueCY + e);
    ch.n = ExpandLoadCount(ch.n, uRefill, b.llQueueCount + e);
    ch.p = ExpandLoadCount(ch.p, uRefill, b.llQueuePoint + e);
    StoreMasked(b.dfSavedX + c * kLanes, uRefill, ch.x);
    StoreMasked(b.dfSavedY + c * kLanes, uRefill, ch.y);
    b.iNext += BitCount(uRefill);
    ch.k = MaskOf((BitsOf(ch.k) & ~uDone) | uRefill);
    ch.uOccupied = (ch.uOccupied & ~uDone) | uRefill;
}

template <int C>
int OccupiedLanes(const Chain (&ch)[C]) {
    int iLanes = 0;
    for (int c = 0; c < C; ++c) iLanes += BitCount(ch[c].uOccupied);
    return iLanes;
}

// Runs C chains until every point is settled, or until the lanes left would
// fit in fewer chains and no point is waiting. Orbits are saved for the
// repeat test at windows 1, 2, 4, 8 ... of the round.
template <int C>
void RunChains(DriftBlock& b) {
    Chain ch[C];
    const Vec four = Splat(kEscapeBound);
    const Cnt one = CountOne(), limit = SplatCount(b.ulLimit);
    for (int c = 0; c < C; ++c) LoadChain(b, c, ch[c]);
    for (;;) {
#pragma GCC unroll 16
        for (int t = 0; t < kWindow; ++t)
#pragma GCC unroll 4
            for (int c = 0; c < C; ++c) Step(ch[c].x, ch[c].y, ch[c].cx, ch[c].cy, ch[c].k, ch[c].n, four, one);
        ++b.llWindows;
        bool bSettled = false;
#pragma GCC unroll 4
        for (int c = 0; c < C; ++c) {
            unsigned uDone = DoneLanes(b, c, ch[c], limit);
            if (uDone == 0) continue;
            SettleChain(b, c, ch[c], uDone, limit);
            bSettled = true;
        }
        if ((b.llWindows & (b.llWindows - 1)) == 0)
#pragma GCC unroll 4
            for (int c = 0; c < C; ++c) {
                Store(b.dfSavedX + c * kLanes, ch[c].x);
                Store(b.dfSavedY + c * kLanes, ch[c].y);
            }
        if (bSettled && b.iNext == b.iQueued && OccupiedLanes(ch) <= (C - 1) * kLanes) break;
    }
    for (int c = 0; c < C; ++c) StoreChain(b, c, ch[c]);
}

void MoveLane(DriftBlock& b, int iFrom, int iTo) {
    b.dfX[iTo] = b.dfX[iFrom];
    b.dfY[iTo] = b.dfY[iFrom];
    b.dfCX[iTo] = b.dfCX[iFrom];
    b.dfCY[iTo] = b.dfCY[iFrom];
    b.dfSavedX[iTo] = b.dfSavedX[iFrom];
    b.dfSavedY[iTo] = b.dfSavedY[iFrom];
    b.llCount[iTo] = b.llCount[iFrom];
    b.llPoint[iTo] = b.llPoint[iFrom];
    b.bActive[iTo] = b.bActive[iFrom];
}

// Gathers the occupied lanes at the front, and fills the empty lanes of the
// first iChains chains with queued points.
void PackLanes(DriftBlock& b, int iChains) {
    int iTo = 0;
    for (int i = 0; i < kLaneCount; ++i) {
        if (b.llPoint[i] < 0) continue;
        if (i != iTo) MoveLane(b, i, iTo);
        ++iTo;
    }
    for (int i = iTo; i < kLaneCount; ++i) b.llPoint[i] = -1;
    for (int i = iTo; i < iChains * kLanes; ++i) Refill(b, i);
}

int LanesInHand(const DriftBlock& b) {
    int iLanes = b.iQueued - b.iNext;
    for (int i = 0; i < kLaneCount; ++i) iLanes += b.llPoint[i] >= 0;
    return iLanes;
}

// As many chains as the points in hand fill, fewer as they run out.
template <int C>
void RunLanes(DriftBlock& b) {
    int iInHand = LanesInHand(b);
    if (iInHand == 0) return;
    if constexpr (C > 1) {
        if (iInHand <= (C - 1) * kLanes) {
            RunLanes<C - 1>(b);
            return;
        }
    }
    PackLanes(b, C);
    RunChains<C>(b);
    if constexpr (C > 1) RunLanes<C - 1>(b);
}

void CountRound(const double* pdfX, const double* pdfY, uint32_t* pulCounts, int iPoints,
                uint32_t ulLimit) {
    DriftBlock b;
    for (int i = 0; i < iPoints; ++i) {
        b.dfPointX[i] = pdfX[i];
        b.dfPointY[i] = pdfY[i];
    }
    b.pulCounts = pulCounts;
    b.ulLimit = ulLimit;
    b.iQueued = b.iNext = 0;
    b.llWindows = 0;
    SettlePoints(b, iPoints);
    for (int i = 0; i < kLaneCount; ++i) b.llPoint[i] = -1;
    RunLanes<kChains>(b);
}

void CountPoints(const double* pdfX, const double* pdfY, uint32_t* pulCounts, int iPoints,
                 uint32_t ulLimit) {
    if (ulLimit == 0) {
        for (int i = 0; i < iPoints; ++i) pulCounts[i] = 0;
        return;
    }
    for (int i = 0; i < iPoints; i += kQueuePoints) {
        int iRound = iPoints - i < kQueuePoints ? iPoints - i : kQueuePoints;
        CountRound(pdfX + i, pdfY + i, pulCounts + i, iRound, ulLimit);
    }
}

}  // namespace

#endif
