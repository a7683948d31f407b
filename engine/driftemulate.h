// Lane bookkeeping for units without expanding loads, scatters and masked
// stores: the same operations lane by lane through memory. Included by such a
// unit's file after its vector operations, before the block kernel.
#ifndef ORVANTA_DRIFTEMULATE_H
#define ORVANTA_DRIFTEMULATE_H

namespace {

// Lanes of m take the next values from p, in lane order; the others keep theirs.
inline Vec ExpandLoad(Vec v, unsigned m, const double* p) {
    double dfLane[kLanes];
    Store(dfLane, v);
    for (int j = 0; j < kLanes; ++j)
        if ((m >> j) & 1) dfLane[j] = *p++;
    return Load(dfLane);
}

inline Cnt ExpandLoadCount(Cnt v, unsigned m, const int64_t* p) {
    int64_t llLane[kLanes];
    StoreCount(llLane, v);
    for (int j = 0; j < kLanes; ++j)
        if ((m >> j) & 1) llLane[j] = *p++;
    return LoadCount(llLane);
}

inline void StoreMasked(double* p, unsigned m, Vec v) {
    double dfLane[kLanes];
    Store(dfLane, v);
    for (int j = 0; j < kLanes; ++j)
        if ((m >> j) & 1) p[j] = dfLane[j];
}

// p[index] = value for the lanes of m.
inline void ScatterCounts(uint32_t* p, unsigned m, Cnt index, Cnt value) {
    int64_t llIndex[kLanes], llValue[kLanes];
    StoreCount(llIndex, index);
    StoreCount(llValue, value);
    for (int j = 0; j < kLanes; ++j)
        if ((m >> j) & 1) p[llIndex[j]] = static_cast<uint32_t>(llValue[j]);
}

// Lane by lane: k ? a : b, and the smaller of a and b.
inline Cnt CountSelect(Mask k, Cnt a, Cnt b) {
    int64_t llA[kLanes], llB[kLanes];
    StoreCount(llA, a);
    StoreCount(llB, b);
    unsigned uBits = BitsOf(k);
    for (int j = 0; j < kLanes; ++j)
        if ((uBits >> j) & 1) llB[j] = llA[j];
    return LoadCount(llB);
}

inline Cnt CountMin(Cnt a, Cnt b) {
    int64_t llA[kLanes], llB[kLanes];
    StoreCount(llA, a);
    StoreCount(llB, b);
    for (int j = 0; j < kLanes; ++j)
        if (llA[j] < llB[j]) llB[j] = llA[j];
    return LoadCount(llB);
}

}  // namespace

#endif
