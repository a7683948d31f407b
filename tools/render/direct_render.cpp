// The direct path's band pool: a few bands in flight in a ring of slots, each
// counted, coloured and turned into RGB by one thread, then deflated by one
// (against the last row of the band above, once that is counted), and handed
// over in order by the calling thread, which works on bands while it waits.
// Threads share nothing but the pool's bookkeeping; the view is a copy.
#include "direct_render.h"

#include "driftblock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

// Points counted together: enough to keep a vector unit busy, few enough for
// every thread's scratch to stay in its cache.
const int kChunkPoints = 1024;
// Pixels per band, about: small enough to share the work out evenly, large
// enough that the deflated pieces lose little to their flush points.
const int kBandPixels = 1 << 16;
// Counts below this have their colour words looked up, not computed.
const uint64_t kTabledCounts = 65536;
// Bands that may be in flight for each thread: slack for uneven bands.
const int kSlotsPerThread = 3;
// Pictures up to this wide keep every column's plane X in each thread.
const int kMostKeptColumns = 1 << 20;

// The RGB bytes of every count below kTabledCounts, from one copy of the
// colour values, each held as the first three bytes of a word so that one
// store writes them; larger counts have their colour worked out each time.
struct Colouring {
    ColorValues values;
    std::vector<uint32_t> rgbWords;
};

uint32_t RgbWord(uint32_t ulColorWord) {
    unsigned char rgb[sizeof(uint32_t)] = {};
    RgbFromWords(&ulColorWord, 1, rgb);
    uint32_t ulRgb;
    std::memcpy(&ulRgb, rgb, sizeof ulRgb);
    return ulRgb;
}

Colouring MakeColouring(const ColorValues& values) {
    Colouring colouring{values, {}};
    colouring.rgbWords.resize(std::min<uint64_t>(uint64_t{values.ulMaxLevels} + 1, kTabledCounts));
    for (size_t u = 0; u < colouring.rgbWords.size(); ++u)
        colouring.rgbWords[u] = RgbWord(DriftColorOf(values, static_cast<uint32_t>(u)));
    return colouring;
}

// The RGB bytes of a tile's counts, iColumns to each of its iRows rows, into
// rows cbRow apart; the sum of the counts. Each pixel but a row's last is
// stored as a word whose fourth byte the next pixel then overwrites.
uint64_t ColourTile(const Colouring& colouring, const uint32_t* pulCounts, int iRows, int iColumns,
                    unsigned char* pRgb, size_t cbRow) {
    const uint32_t* pulTabled = colouring.rgbWords.data();
    size_t uTabled = colouring.rgbWords.size();
    uint64_t ullSum = 0;
    for (int r = 0; r < iRows; ++r, pRgb += cbRow) {
        unsigned char* pPixel = pRgb;
        for (int x = 0; x < iColumns; ++x, pPixel += 3) {
            uint32_t ulCount = *pulCounts++;
            ullSum += ulCount;
            uint32_t ulRgb = ulCount < uTabled ? pulTabled[ulCount] : RgbWord(DriftColorOf(colouring.values, ulCount));
            std::memcpy(pPixel, &ulRgb, x + 1 < iColumns ? sizeof ulRgb : 3);
        }
    }
    return ullSum;
}

struct Scratch {
    std::vector<double> columnX;  // of every column, once the thread has them
    std::vector<double> rowY;     // of the band's rows
    std::vector<double> dfX = std::vector<double>(kChunkPoints);
    std::vector<double> dfY = std::vector<double>(kChunkPoints);
    std::vector<uint32_t> counts = std::vector<uint32_t>(kChunkPoints);
};

// Every row has the same columns: their X is mapped once, unless the
// picture is so wide that keeping them would cost more than mapping again.
const double* ColumnsX(const PlaneMapping& m, Scratch& s) {
    if (m.iMaxX > kMostKeptColumns) return nullptr;
    if (s.columnX.empty()) {
        s.columnX.resize(static_cast<size_t>(m.iMaxX));
        for (int x = 0; x < m.iMaxX; ++x) s.columnX[x] = MappedX(m, x);
    }
    return s.columnX.data();
}

// The band's pixels in tiles of neighbouring columns across its rows, each
// counted together: neighbours take alike counts, which keeps a vector
// unit's lanes busy to the end of the tile. Then their RGB bytes.
void CountBand(const PlaneMapping& m, const Colouring& colouring, DirectBand& band, Scratch& s) {
    band.rgb.resize(static_cast<size_t>(band.iRows) * static_cast<size_t>(m.iMaxX) * 3);
    band.ullIterations = 0;
    const double* pColumnX = ColumnsX(m, s);
    s.rowY.resize(static_cast<size_t>(band.iRows));
    for (int r = 0; r < band.iRows; ++r) s.rowY[r] = MappedY(m, band.iFirstRow + r);
    int iTileColumns = std::clamp(kChunkPoints / band.iRows, 1, m.iMaxX);
    int iTileRows = std::clamp(kChunkPoints / iTileColumns, 1, band.iRows);
    for (int y0 = 0; y0 < band.iRows; y0 += iTileRows) {
        int iRows = std::min(iTileRows, band.iRows - y0);
        for (int x0 = 0, iColumns = 0; x0 < m.iMaxX; x0 += iColumns) {  // never past iMaxX
            iColumns = std::min(iTileColumns, m.iMaxX - x0);
            int iPoints = 0;
            for (int r = 0; r < iRows; ++r) {
                for (int x = x0; x < x0 + iColumns; ++x, ++iPoints) {
                    s.dfX[iPoints] = pColumnX ? pColumnX[x] : MappedX(m, x);
                    s.dfY[iPoints] = s.rowY[y0 + r];
                }
            }
            DriftCounts(m.iUnit, s.dfX.data(), s.dfY.data(), s.counts.data(), iPoints, m.ulMaxLevels);
            size_t cbRow = static_cast<size_t>(m.iMaxX) * 3;
            band.ullIterations += ColourTile(colouring, s.counts.data(), iRows, iColumns,
                                             &band.rgb[static_cast<size_t>(y0) * cbRow + static_cast<size_t>(x0) * 3], cbRow);
        }
    }
}

struct Slot {
    int iBand = -1;
    bool bCounted = false;
    bool bDeflating = false;
    bool bDeflated = false;
    DirectBand band;
};

enum TaskKind { TASK_NONE, TASK_COUNT, TASK_DEFLATE };

struct Task {
    TaskKind kind = TASK_NONE;
    int iBand = 0;
};

// Band k lives in slot k % slots.size(). A band is started only once the
// band that last used its slot and the one after it are handed over, so a
// band's slot stays its own until the band below it has been deflated.
struct Pool {
    PlaneMapping mapping;
    Colouring colouring;
    int iFirstRow = 0;  // of the band rendered
    int iEndRow = 0;
    int iBandRows = 1;
    int iBands = 0;
    std::vector<Slot> slots;
    std::mutex mutex;
    std::condition_variable cvChanged;
    int iNextBand = 0;  // the next band to count
    int iHandedOver = 0;
    bool bStopping = false;
    bool bFailed = false;

    Slot& SlotOf(int iBand) { return slots[static_cast<size_t>(iBand) % slots.size()]; }
    size_t RowBytes() const { return static_cast<size_t>(mapping.iMaxX) * 3; }
};

// Under the lock: the deflation of the earliest band that can be deflated,
// else the next band to count if a slot is free for it.
Task NextTask(Pool& p) {
    for (int k = p.iHandedOver; k < p.iNextBand; ++k) {
        Slot& slot = p.SlotOf(k);
        if (slot.bCounted && !slot.bDeflating && (k == 0 || p.SlotOf(k - 1).bCounted)) {
            slot.bDeflating = true;
            return {TASK_DEFLATE, k};
        }
    }
    if (p.iNextBand >= p.iBands || p.iNextBand >= p.iHandedOver + static_cast<int>(p.slots.size()) - 1)
        return {};
    int k = p.iNextBand++;
    Slot& slot = p.SlotOf(k);
    slot.iBand = k;
    slot.bCounted = slot.bDeflating = slot.bDeflated = false;
    slot.band.iFirstRow = static_cast<int>(p.iFirstRow + static_cast<int64_t>(k) * p.iBandRows);
    slot.band.iRows = std::min(p.iBandRows, p.iEndRow - slot.band.iFirstRow);
    return {TASK_COUNT, k};
}

bool Deflate(Pool& p, int k) {
    DirectBand& band = p.SlotOf(k).band;
    const unsigned char* pAbove = nullptr;
    if (k > 0) pAbove = p.SlotOf(k - 1).band.rgb.data() + (p.SlotOf(k - 1).band.rgb.size() - p.RowBytes());
    band.png = DeflateBand(band.rgb.data(), p.RowBytes(), band.iRows, pAbove, k + 1 == p.iBands);
    return !band.png.deflated.empty();
}

// Runs the task without the lock; a band that finds no memory fails the render.
void RunTask(Pool& p, const Task& task, Scratch& scratch, std::unique_lock<std::mutex>& lock) {
    Slot& slot = p.SlotOf(task.iBand);
    lock.unlock();
    bool bDone = true;
    try {
        if (task.kind == TASK_COUNT) CountBand(p.mapping, p.colouring, slot.band, scratch);
        else bDone = Deflate(p, task.iBand);
    } catch (const std::bad_alloc&) {
        bDone = false;
    }
    lock.lock();
    if (!bDone) p.bFailed = true;
    (task.kind == TASK_COUNT ? slot.bCounted : slot.bDeflated) = true;
    p.cvChanged.notify_all();
}

void WorkLoop(Pool& p, Scratch& scratch) {
    std::unique_lock<std::mutex> lock(p.mutex);
    while (!p.bStopping && !p.bFailed) {
        Task task = NextTask(p);
        if (task.kind == TASK_NONE) p.cvChanged.wait(lock);
        else RunTask(p, task, scratch, lock);
    }
}

// A worker without memory for its scratch fails the render, as a band would.
void WorkerLoop(Pool& p) {
    try {
        Scratch scratch;
        WorkLoop(p, scratch);
    } catch (const std::bad_alloc&) {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.bFailed = true;
        p.cvChanged.notify_all();
    }
}

// As many workers as start, up to iWorkers: the picture is the same with fewer.
std::vector<std::thread> StartWorkers(Pool& p, int iWorkers) {
    std::vector<std::thread> workers;
    try {
        for (int i = 0; i < iWorkers; ++i) workers.emplace_back(WorkerLoop, std::ref(p));
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    return workers;
}

void StopWorkers(Pool& p, std::vector<std::thread>& workers) {
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.bStopping = true;
    }
    p.cvChanged.notify_all();
    for (std::thread& worker : workers) worker.join();
}

}  // namespace

DirectView DirectViewNow() { return {MappingNow(), ColorValuesNow()}; }

int DirectBandRows(int iWidth) { return std::max(1, kBandPixels / std::max(iWidth, 1)); }

namespace {

// The calling thread's part: it hands the bands over in order and works on
// bands while the next one is not ready. False once anything failed.
bool HandOverBands(Pool& p, const DirectBandSink& sink, const DirectProgress& progress) {
    Scratch scratch;
    std::unique_lock<std::mutex> lock(p.mutex);
    while (p.iHandedOver < p.iBands && !p.bFailed) {
        Slot& slot = p.SlotOf(p.iHandedOver);
        int iRowsDone = p.iHandedOver * p.iBandRows;
        if (slot.iBand == p.iHandedOver && slot.bDeflated) {
            lock.unlock();
            bool bTaken = sink(slot.band);
            lock.lock();
            p.bFailed = p.bFailed || !bTaken;
            ++p.iHandedOver;
            iRowsDone += slot.band.iRows;
            p.cvChanged.notify_all();
        } else if (Task task = NextTask(p); task.kind != TASK_NONE) {
            RunTask(p, task, scratch, lock);
            continue;
        } else {
            p.cvChanged.wait_for(lock, std::chrono::milliseconds(250));
        }
        if (!progress) continue;
        lock.unlock();
        progress(iRowsDone);
        lock.lock();
    }
    return !p.bFailed;
}

}  // namespace

bool RenderDirect(const DirectView& view, int iThreads, int iBandRows, const DirectBandSink& sink,
                  const DirectProgress& progress, int* piThreads) {
    if (piThreads) *piThreads = 1;
    int iEndRow = view.iEndRow > 0 ? view.iEndRow : view.mapping.iMaxY;
    if (view.mapping.iMaxX <= 0 || view.iFirstRow < 0 || iEndRow <= view.iFirstRow) return true;
    Pool p;
    p.mapping = view.mapping;
    p.colouring = MakeColouring(view.colors);
    p.iFirstRow = view.iFirstRow;
    p.iEndRow = iEndRow;
    int iRows = iEndRow - view.iFirstRow;
    p.iBandRows = std::min(iBandRows > 0 ? iBandRows : DirectBandRows(view.mapping.iMaxX), iRows);
    p.iBands = static_cast<int>((int64_t{iRows} + p.iBandRows - 1) / p.iBandRows);
    iThreads = std::max(iThreads, 1);
    p.slots.resize(static_cast<size_t>(std::min(kSlotsPerThread * iThreads + 2, p.iBands + 1)));
    std::vector<std::thread> workers = StartWorkers(p, iThreads - 1);
    if (piThreads) *piThreads = 1 + static_cast<int>(workers.size());
    bool bComplete = false;
    try {
        bComplete = HandOverBands(p, sink, progress);
    } catch (...) {
        StopWorkers(p, workers);
        throw;
    }
    StopWorkers(p, workers);
    return bComplete;
}
