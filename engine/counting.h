// Counting ahead of drawing: the blocks of a pass in drawing order, counted in
// jobs by worker threads (or by the program's thread itself), each job on a
// copy of the mapping it was made from. Only the program's thread calls these.
#ifndef ORVANTA_COUNTING_H
#define ORVANTA_COUNTING_H

#include <cstddef>
#include <cstdint>
#include <vector>

// What a count depends on: pixel to plane, the limit and the vector unit.
struct PlaneMapping {
    double dfSetWidth;
    double dfSetHeight;
    double dfSetMinX;
    double dfSetMinY;
    int iMaxX;
    int iMaxY;
    uint32_t ulMaxLevels;
    int iUnit;
};

bool SameMapping(const PlaneMapping& a, const PlaneMapping& b);
// The program's mapping now, with the vector unit iDriftUnit.
PlaneMapping MappingNow();

// Pixel to plane, the one formula for both axes and every caller: pixel i of
// iPixels across dfExtent from dfMin, multiplied, divided, then added.
inline double PlaneCoordinate(int i, double dfExtent, int iPixels, double dfMin) {
    return i * dfExtent / iPixels + dfMin;
}
inline double MappedX(const PlaneMapping& m, int x) { return PlaneCoordinate(x, m.dfSetWidth, m.iMaxX, m.dfSetMinX); }
inline double MappedY(const PlaneMapping& m, int y) { return PlaneCoordinate(y, m.dfSetHeight, m.iMaxY, m.dfSetMinY); }

// One step of drawing: the four quadrants of a block filled with their middle
// points' colours (four counts), or a block drawn pixel by pixel, column by
// column (a count for each pixel but the middle one when its colour is known).
struct DrawItem {
    int x1, x2, y1, y2;
    bool bFill;
    bool bKnownMiddle = false;
};

inline bool operator==(const DrawItem& a, const DrawItem& b) {
    return a.x1 == b.x1 && a.x2 == b.x2 && a.y1 == b.y1 && a.y2 == b.y2 && a.bFill == b.bFill &&
           a.bKnownMiddle == b.bKnownMiddle;
}

// The middle pixel of a block: the one whose colour a fill takes.
inline int MiddleOf(int i1, int i2) { return i1 + (i2 - i1) / 2; }

// Cover's quadrants of a block that splits, in the order it visits them.
void Quadrants(int x1, int x2, int y1, int y2, int quadrants[4][4]);
// The plane points of an item, in drawing order, as the mapping places them.
int ItemPoints(const DrawItem& item);
void ItemPlanePoints(const PlaneMapping& mapping, const DrawItem& item, double* pdfX, double* pdfY);

// Starts counting a new sequence of items from its first; earlier counts are
// dropped. The sequence must stay as it is until the next StartCounting.
void StartCounting(const std::vector<DrawItem>* pItems);
// The counts of item uItem of the sequence under the mapping given, or null
// when the caller must count it itself. They stay valid until the next call.
const uint32_t* CountsOf(size_t uItem, const PlaneMapping& mapping);
// Every job queued or running is stale from now on.
void DropCounts();
// The next iCount worker starts fail as when the system has no thread left
// to give; the test harness's way onto that path.
void RefuseThreadStarts(int iCount);
// pfnChunkCounted, unless null, runs on the counting thread after each chunk
// of a job, with the job's points counted so far and its points in all: the
// test harness's way in between two chunks of a running job.
void OnChunkCounted(void (*pfnChunkCounted)(int iCounted, int iPoints));

#endif
