// The block kernel every unit shares: the exact shortcuts that settle a point
// before it is iterated, and chains of vector lanes that iterate the others,
// each lane taking the next waiting point as soon as its own is settled.
// Included by each unit's file after its vector operations (Vec, Mask, Cnt).
#ifndef ORVANTA_DRIFTLANES_H
#define ORVANTA_DRIFTLANES_H

namespace {

const double kEscapeBound = 4.0;
const int kQueuePoints = 256;  // points settled, queued and iterated per round
const int kWindow = 16;        // steps between two looks at the lanes
const int kLaneCount = kChains * kLanes;

// A point is settled as inside, with the full limit, only when its attracting
// fixed point (main cardioid) or 2-cycle (period-2 bulb) has a multiplier of
// modulus at most kRho = 1 - 2^-10. Each step's rounding error (below 2^-50)
// then stays a millionth of the orbit's distance from the Julia set, and the
// disc of radius (1 - kRho) / 2 about the cycle, which the orbit reaches and
// whose contraction absorbs that error, keeps it forever: the double orbit
// never escapes. The tests below round by about 1e-15, far inside the margin,
// so no point whose multiplier exceeds 1 - 2^-11 passes them.
//   Cardioid, lambda = 1 - sqrt(1 - 4c): with q = (x - 1/4)^2 + y^2 and
//   R = (1 - kRho^2)^2 + 16q + 8x - 2, |lambda| <= kRho iff R <= 0 or
//   R^2 <= 64 kRho^4 q.  Bulb, lambda = 4(c + 1): (x + 1)^2 + y^2 <= kRho^2 / 16.
const double kRho = 1.0 - 1.0 / 1024;
const double kRho2 = kRho * kRho;
const double kCardioidShift = (1.0 - kRho2) * (1.0 - kRho2);
const double kCardioidScale = 64.0 * kRho2 * kRho2;
const double kBulbRadius2 = kRho2 / 16.0;

// One round: the points, the queue of those left to iterate, and the lanes.
struct DriftBlock {
    double dfPointX[kQueuePoints + kLanes];
    double dfPointY[kQueuePoints + kLanes];
    uint32_t* pulCounts;
    uint32_t ulLimit;
    int iQueue[kQueuePoints];
    int iQueued;
    int iNext;
    uint64_t ullStep;  // steps taken by the lanes in this round
    double dfX[kLaneCount], dfY[kLaneCount], dfCX[kLaneCount], dfCY[kLaneCount];
    double dfSavedX[kLaneCount], dfSavedY[kLaneCount];  // an earlier value of the orbit
    int64_t llCount[kLaneCount];
    uint64_t ullStart[kLaneCount];  // the step at which the lane took its point
    int iPoint[kLaneCount];         // -1: the lane is empty
    unsigned char bActive[kLaneCount];  // not escaped yet
    unsigned uOccupied[kChains];
    uint64_t ullDue[kChains];  // the step at which the chain's oldest point reaches the limit
};

unsigned LaneBits(const unsigned char* pbFlags) {
    unsigned uBits = 0;
    for (int j = 0; j < kLanes; ++j) uBits |= static_cast<unsigned>(pbFlags[j] != 0) << j;
    return uBits;
}

// Counts 0 (escaped before the first step) and the limit (inside) are known
// without iterating; every other point is queued.
void SettleGroup(DriftBlock& b, int iFirst, int iPoints) {
    Vec x = Load(b.dfPointX + iFirst), y = Load(b.dfPointY + iFirst);
    Vec y2 = Mul(y, y);
    unsigned uOut = AtLeast(Add(Mul(x, x), y2), Splat(kEscapeBound));
    Vec xc = Sub(x, Splat(0.25));
    Vec q = Add(Mul(xc, xc), y2);
    Vec r = Sub(Add(Add(Splat(kCardioidShift), Mul(Splat(16.0), q)), Mul(Splat(8.0), x)), Splat(2.0));
    unsigned uInside = AtMost(r, Splat(0.0)) | AtMost(Mul(r, r), Mul(Splat(kCardioidScale), q));
    Vec xb = Add(x, Splat(1.0));
    uInside |= AtMost(Add(Mul(xb, xb), y2), Splat(kBulbRadius2));
    for (int j = 0; j < iPoints; ++j) {
        if ((uOut >> j) & 1) b.pulCounts[iFirst + j] = 0;
        else if ((uInside >> j) & 1) b.pulCounts[iFirst + j] = b.ulLimit;
        else b.iQueue[b.iQueued++] = iFirst + j;
    }
}

void SettlePoints(DriftBlock& b, int iPoints) {
    for (int i = iPoints; i < iPoints + kLanes; ++i) b.dfPointX[i] = b.dfPointY[i] = 0.0;
    for (int i = 0; i < iPoints; i += kLanes)
        SettleGroup(b, i, iPoints - i < kLanes ? iPoints - i : kLanes);
}

// The lane takes the next waiting point, or is left empty (a still orbit at 0).
void Refill(DriftBlock& b, int i) {
    int p = b.iNext < b.iQueued ? b.iQueue[b.iNext++] : -1;
    double dfX = p < 0 ? 0.0 : b.dfPointX[p];
    double dfY = p < 0 ? 0.0 : b.dfPointY[p];
    b.dfX[i] = b.dfCX[i] = b.dfSavedX[i] = dfX;
    b.dfY[i] = b.dfCY[i] = b.dfSavedY[i] = dfY;
    b.llCount[i] = 0;
    b.ullStart[i] = b.ullStep;
    b.iPoint[i] = p;
    b.bActive[i] = p >= 0;
}

void MarkChain(DriftBlock& b, int c) {
    b.uOccupied[c] = 0;
    b.ullDue[c] = UINT64_MAX;
    for (int j = 0; j < kLanes; ++j) {
        int i = c * kLanes + j;
        if (b.iPoint[i] < 0) continue;
        b.uOccupied[c] |= 1u << j;
        uint64_t ullDue = b.ullStart[i] + b.ulLimit;
        if (ullDue < b.ullDue[c]) b.ullDue[c] = ullDue;
    }
}

// A settled lane's count: an escaped orbit's own count, capped at the limit
// (the lane may run past it within a window); the limit for one that reached it
// or repeated an earlier value, and so never escapes.
void SettleLanes(DriftBlock& b, int c, unsigned uDone) {
    for (int j = 0; j < kLanes; ++j) {
        int i = c * kLanes + j;
        if (b.iPoint[i] < 0) continue;
        bool bDue = b.ullStep - b.ullStart[i] >= b.ulLimit;
        if (!((uDone >> j) & 1) && !bDue) continue;
        uint64_t ullCount = static_cast<uint64_t>(b.llCount[i]);
        if (b.bActive[i] || ullCount > b.ulLimit) ullCount = b.ulLimit;
        b.pulCounts[b.iPoint[i]] = static_cast<uint32_t>(ullCount);
        Refill(b, i);
    }
    MarkChain(b, c);
}

inline void LoadChain(DriftBlock& b, int c, Vec& x, Vec& y, Vec& cx, Vec& cy, Mask& k, Cnt& n) {
    int i = c * kLanes;
    x = Load(b.dfX + i);
    y = Load(b.dfY + i);
    cx = Load(b.dfCX + i);
    cy = Load(b.dfCY + i);
    k = MaskOf(LaneBits(b.bActive + i));
    n = LoadCount(b.llCount + i);
}

inline void StoreChain(DriftBlock& b, int c, Vec x, Vec y, Mask k, Cnt n) {
    int i = c * kLanes;
    Store(b.dfX + i, x);
    Store(b.dfY + i, y);
    StoreCount(b.llCount + i, n);
    unsigned uActive = BitsOf(k);
    for (int j = 0; j < kLanes; ++j) b.bActive[i + j] = (uActive >> j) & 1;
}

// Lanes whose point is settled: escaped, or back at a value it had before.
inline unsigned DoneLanes(const DriftBlock& b, int c, Vec x, Vec y, Mask k) {
    int i = c * kLanes;
    unsigned uRepeat = SameBits(x, Load(b.dfSavedX + i)) & SameBits(y, Load(b.dfSavedY + i));
    return b.uOccupied[c] & (~BitsOf(k) | uRepeat);
}

int OccupiedLanes(const DriftBlock& b, int iChains) {
    int iLanes = 0;
    for (int i = 0; i < iChains * kLanes; ++i) iLanes += b.iPoint[i] >= 0;
    return iLanes;
}

// One step of z <- z^2 + z0 for every lane of a chain, exactly as DriftCount
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

// Runs C chains until every point is settled, or until the lanes left would
// fit in fewer chains and no point is waiting. Orbits are saved for the
// repeat test at windows 1, 2, 4, 8 ... of the round.
template <int C>
void RunChains(DriftBlock& b) {
    Vec x[C], y[C], cx[C], cy[C];
    Mask k[C];
    Cnt n[C];
    const Vec four = Splat(kEscapeBound);
    const Cnt one = CountOne();
    for (int c = 0; c < C; ++c) LoadChain(b, c, x[c], y[c], cx[c], cy[c], k[c], n[c]);
    for (;;) {
#pragma GCC unroll 16
        for (int t = 0; t < kWindow; ++t)
#pragma GCC unroll 4
            for (int c = 0; c < C; ++c) Step(x[c], y[c], cx[c], cy[c], k[c], n[c], four, one);
        b.ullStep += kWindow;
        uint64_t ullWindow = b.ullStep / kWindow;
        bool bSettled = false;
#pragma GCC unroll 4
        for (int c = 0; c < C; ++c) {
            unsigned uDone = DoneLanes(b, c, x[c], y[c], k[c]);
            if (uDone == 0 && b.ullStep < b.ullDue[c]) continue;
            StoreChain(b, c, x[c], y[c], k[c], n[c]);
            SettleLanes(b, c, uDone);
            LoadChain(b, c, x[c], y[c], cx[c], cy[c], k[c], n[c]);
            bSettled = true;
        }
        if ((ullWindow & (ullWindow - 1)) == 0)
#pragma GCC unroll 4
            for (int c = 0; c < C; ++c) {
                Store(b.dfSavedX + c * kLanes, x[c]);
                Store(b.dfSavedY + c * kLanes, y[c]);
            }
        if (bSettled && b.iNext == b.iQueued && OccupiedLanes(b, C) <= (C - 1) * kLanes) break;
    }
    for (int c = 0; c < C; ++c) StoreChain(b, c, x[c], y[c], k[c], n[c]);
}

void MoveLane(DriftBlock& b, int iFrom, int iTo) {
    b.dfX[iTo] = b.dfX[iFrom];
    b.dfY[iTo] = b.dfY[iFrom];
    b.dfCX[iTo] = b.dfCX[iFrom];
    b.dfCY[iTo] = b.dfCY[iFrom];
    b.dfSavedX[iTo] = b.dfSavedX[iFrom];
    b.dfSavedY[iTo] = b.dfSavedY[iFrom];
    b.llCount[iTo] = b.llCount[iFrom];
    b.ullStart[iTo] = b.ullStart[iFrom];
    b.iPoint[iTo] = b.iPoint[iFrom];
    b.bActive[iTo] = b.bActive[iFrom];
}

// Gathers the occupied lanes at the front, and fills the empty lanes of the
// first iChains chains with waiting points.
void PackLanes(DriftBlock& b, int iChains) {
    int iTo = 0;
    for (int i = 0; i < kLaneCount; ++i) {
        if (b.iPoint[i] < 0) continue;
        if (i != iTo) MoveLane(b, i, iTo);
        ++iTo;
    }
    for (int i = iTo; i < kLaneCount; ++i) b.iPoint[i] = -1;
    for (int i = iTo; i < iChains * kLanes; ++i) Refill(b, i);
    for (int c = 0; c < iChains; ++c) MarkChain(b, c);
}

// As many chains as the points in hand fill, fewer as they run out.
template <int C>
void RunLanes(DriftBlock& b) {
    int iInHand = OccupiedLanes(b, kChains) + (b.iQueued - b.iNext);
    if (iInHand == 0) return;
    if constexpr (C > 1) {
        if (iInHand <= (C - 1) * kLanes) {
            RunLanes<C - 1>(b);
            return;
        }
    }
    PackLanes(b, C);
    RunChains<C>(b);
    if constexpr (C > 1) {
        PackLanes(b, C);
        RunLanes<C - 1>(b);
    }
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
    b.ullStep = 0;
    SettlePoints(b, iPoints);
    for (int i = 0; i < kLaneCount; ++i) b.iPoint[i] = -1;
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
