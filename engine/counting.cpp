// The counting jobs and the worker threads that take them. A job is a run of
// items with a copy of the mapping; the program's thread queues jobs ahead of
// where it draws and takes their counts in order, counting a job itself when
// no worker has started it. Workers see only the shared queue and their job.
#include "counting.h"

#include "driftblock.h"
#include "engine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// A job is at most this many points, and at most kJobIterations if every point
// ran to the limit, so that nobody waits long for one: a few milliseconds.
const int kJobPoints = 1024;
const uint64_t kJobIterations = uint64_t{1} << 24;
// Jobs queued ahead of drawing, for each thread.
const size_t kJobsAheadPerThread = 32;
// A sleeping worker is woken once this many jobs wait: waking one for each
// job costs more than counting cheap jobs here.
const int kWakeBacklog = 4;
// Jobs taking less than this on average are counted by the program's thread
// alone: handing them over would cost it more than counting them.
const uint64_t kWorthSharingNanoseconds = 20000;
// Workers look for staleness between chunks of this many points.
const int kChunkPoints = 256;

enum JobState { JOB_QUEUED, JOB_RUNNING, JOB_DONE };

struct Job {
    uint64_t ullGeneration;
    PlaneMapping mapping;
    size_t uFirstItem;
    std::vector<DrawItem> items;
    std::vector<int> firstCounts;  // where each item's counts start
    std::vector<uint32_t> counts;
    std::vector<double> dfX, dfY;  // the points: made with the job, so workers allocate nothing
    // Set to JOB_DONE with release once the counts are in, so that whoever
    // reads JOB_DONE with acquire may read the counts without the lock.
    std::atomic<int> state{JOB_QUEUED};
};

using JobPtr = std::shared_ptr<Job>;

// What the workers see: the queue and what goes with it, under mutex, and
// two atomics read without it.
struct SharedJobs {
    std::mutex mutex;
    std::condition_variable cvWork;
    std::condition_variable cvDone;
    std::deque<JobPtr> queue;
    bool bStopping = false;
    int iIdleWorkers = 0;
    bool bProgramWaits = false;
    // Moves on when every job so far is stale: a running job stops on seeing it.
    std::atomic<uint64_t> ullGeneration{0};
    // What recent jobs took, in nanoseconds, averaged: cheap jobs are not
    // worth waking a worker for.
    std::atomic<uint64_t> ullJobNanoseconds{kWorthSharingNanoseconds};
};

// The program's thread's own: the workers get only the shared part.
struct Pool {
    SharedJobs shared;
    std::vector<std::thread> workers;
    int iThreads = 1;
    // The sequence, how far it is queued, and the mapping the queued jobs
    // were made from.
    const std::vector<DrawItem>* pItems = nullptr;
    size_t uQueuedTo = 0;
    bool bHaveMapping = false;
    PlaneMapping mapping{};
    JobPtr current;  // the job whose counts were handed out last

    ~Pool();
};

Pool& P() {
    static Pool pool;
    return pool;
}

std::atomic<void (*)(int, int)> g_pfnChunkCounted{nullptr};  // see OnChunkCounted

// Counts the job's points chunk by chunk; gives up once the job is stale.
void CountPoints(Job& job, const SharedJobs& shared) {
    std::vector<double>& dfX = job.dfX;
    std::vector<double>& dfY = job.dfY;
    for (size_t i = 0; i < job.items.size(); ++i)
        ItemPlanePoints(job.mapping, job.items[i], &dfX[job.firstCounts[i]], &dfY[job.firstCounts[i]]);
    int iPoints = static_cast<int>(job.counts.size());
    for (int iFirst = 0; iFirst < iPoints; iFirst += kChunkPoints) {
        if (shared.ullGeneration.load(std::memory_order_relaxed) != job.ullGeneration) return;
        int iChunk = std::min(kChunkPoints, iPoints - iFirst);
        DriftCounts(job.mapping.iUnit, &dfX[iFirst], &dfY[iFirst], &job.counts[iFirst], iChunk, job.mapping.ulMaxLevels);
        if (auto pfn = g_pfnChunkCounted.load(std::memory_order_relaxed)) pfn(iFirst + iChunk, iPoints);
    }
}

// Counts a job taken from the queue, the lock held on entry and on return,
// and notes how long it took.
void CountJob(SharedJobs& shared, std::unique_lock<std::mutex>& lock, const JobPtr& job) {
    job->state = JOB_RUNNING;
    lock.unlock();
    auto tStart = std::chrono::steady_clock::now();
    CountPoints(*job, shared);
    uint64_t ullTook = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - tStart).count();
    uint64_t ullAverage = shared.ullJobNanoseconds.load(std::memory_order_relaxed);
    shared.ullJobNanoseconds.store((ullAverage * 7 + ullTook) / 8, std::memory_order_relaxed);
    lock.lock();
    job->state.store(JOB_DONE, std::memory_order_release);
}

JobPtr FirstQueued(const SharedJobs& shared) {
    for (const JobPtr& job : shared.queue)
        if (job->state == JOB_QUEUED) return job;
    return nullptr;
}

// Workers take the job furthest ahead, the program's thread the nearest: so
// it seldom finds the job it needs next running, and waits for none.
JobPtr LastQueued(const SharedJobs& shared) {
    for (auto it = shared.queue.rbegin(); it != shared.queue.rend(); ++it)
        if ((*it)->state == JOB_QUEUED) return *it;
    return nullptr;
}

void WorkerLoop(SharedJobs& shared) {
    std::unique_lock<std::mutex> lock(shared.mutex);
    for (;;) {
        ++shared.iIdleWorkers;
        shared.cvWork.wait(lock, [&] { return shared.bStopping || FirstQueued(shared); });
        --shared.iIdleWorkers;
        if (shared.bStopping) return;
        CountJob(shared, lock, LastQueued(shared));
        if (shared.bProgramWaits) shared.cvDone.notify_one();
    }
}

int g_iThreadRefusals = 0;  // thread starts still to refuse, as when the system has none left

void StartWorker(Pool& p) {
    if (g_iThreadRefusals > 0) {
        --g_iThreadRefusals;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    p.workers.emplace_back(WorkerLoop, std::ref(p.shared));
}

// With the lock held: every job so far is stale.
void Drop(Pool& p) {
    p.shared.ullGeneration.fetch_add(1, std::memory_order_relaxed);
    p.shared.queue.clear();
    p.current.reset();
}

JobPtr MakeJob(Pool& p) {
    auto job = std::make_shared<Job>();
    job->ullGeneration = p.shared.ullGeneration.load(std::memory_order_relaxed);
    job->mapping = p.mapping;
    job->uFirstItem = p.uQueuedTo;
    uint64_t ullLimit = std::max<uint64_t>(p.mapping.ulMaxLevels, 1);
    uint64_t ullPoints = std::min<uint64_t>(kJobPoints, std::max<uint64_t>(kJobIterations / ullLimit, 1));
    size_t uPoints = 0;
    const std::vector<DrawItem>& items = *p.pItems;
    while (p.uQueuedTo < items.size()) {
        size_t uItemPoints = ItemPoints(items[p.uQueuedTo]);
        if (!job->items.empty() && uPoints + uItemPoints > ullPoints) break;
        job->items.push_back(items[p.uQueuedTo++]);
        job->firstCounts.push_back(static_cast<int>(uPoints));
        uPoints += uItemPoints;
    }
    job->counts.resize(uPoints);
    job->dfX.resize(uPoints);
    job->dfY.resize(uPoints);
    return job;
}

// A queue memory cannot make longer stays as it is; with none queued, the
// caller counts its item itself.
void TopUp(Pool& p) {
    SharedJobs& shared = p.shared;
    bool bShare = p.iThreads > 1 && shared.ullJobNanoseconds.load(std::memory_order_relaxed) >= kWorthSharingNanoseconds;
    size_t uAhead = bShare ? kJobsAheadPerThread * p.iThreads : 1;
    size_t uQueuedTo = p.uQueuedTo;
    try {
        while (shared.queue.size() < uAhead && p.uQueuedTo < p.pItems->size()) {
            uQueuedTo = p.uQueuedTo;
            shared.queue.push_back(MakeJob(p));
        }
    } catch (const std::bad_alloc&) {
        p.uQueuedTo = uQueuedTo;  // the job that was not made is made later
    }
    if (!bShare || shared.iIdleWorkers == 0) return;
    int iWaiting = 0;
    for (const JobPtr& job : shared.queue) iWaiting += job->state == JOB_QUEUED;
    if (iWaiting >= kWakeBacklog) shared.cvWork.notify_one();
}

void StopWorkers(Pool& p) {
    {
        std::lock_guard<std::mutex> lock(p.shared.mutex);
        p.shared.bStopping = true;
        Drop(p);
    }
    p.shared.cvWork.notify_all();
    for (std::thread& worker : p.workers) worker.join();
    p.workers.clear();
    p.shared.bStopping = false;
}

Pool::~Pool() { StopWorkers(*this); }

}  // namespace

bool SameMapping(const PlaneMapping& a, const PlaneMapping& b) {
    // Bit for bit, so that a NaN coordinate still matches itself.
    auto bits = [](double df) { uint64_t ull; std::memcpy(&ull, &df, sizeof ull); return ull; };
    return bits(a.dfSetWidth) == bits(b.dfSetWidth) && bits(a.dfSetHeight) == bits(b.dfSetHeight) &&
           bits(a.dfSetMinX) == bits(b.dfSetMinX) && bits(a.dfSetMinY) == bits(b.dfSetMinY) &&
           a.iMaxX == b.iMaxX && a.iMaxY == b.iMaxY && a.ulMaxLevels == b.ulMaxLevels && a.iUnit == b.iUnit;
}

void Quadrants(int x1, int x2, int y1, int y2, int quadrants[4][4]) {
    int width = (x2 - x1) / 2;
    int height = (y2 - y1) / 2;
    const int order[4][4] = {
        {x1, x1 + width, y1 + height + 1, y2},      // lower left
        {x1 + width + 1, x2, y1, y1 + height},      // upper right
        {x1, x1 + width, y1, y1 + height},          // upper left
        {x1 + width + 1, x2, y1 + height + 1, y2},  // lower right
    };
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) quadrants[i][j] = order[i][j];
}

int ItemPoints(const DrawItem& item) {
    if (item.bFill) return 4;
    if (item.x2 < item.x1 || item.y2 < item.y1) return 0;
    return (item.x2 - item.x1 + 1) * (item.y2 - item.y1 + 1) - (item.bKnownMiddle ? 1 : 0);
}

void ItemPlanePoints(const PlaneMapping& m, const DrawItem& item, double* pdfX, double* pdfY) {
    if (item.bFill) {
        int quadrants[4][4];
        Quadrants(item.x1, item.x2, item.y1, item.y2, quadrants);
        for (const auto& q : quadrants) {
            *pdfX++ = MappedX(m, MiddleOf(q[0], q[1]));
            *pdfY++ = MappedY(m, MiddleOf(q[2], q[3]));
        }
        return;
    }
    int xSkip = item.bKnownMiddle ? MiddleOf(item.x1, item.x2) : item.x1 - 1;
    int ySkip = MiddleOf(item.y1, item.y2);
    for (int x = item.x1; x <= item.x2; ++x) {
        double dfX = MappedX(m, x);
        for (int y = item.y1; y <= item.y2; ++y) {
            if (x == xSkip && y == ySkip) continue;
            *pdfX++ = dfX;
            *pdfY++ = MappedY(m, y);
        }
    }
}

void StartCounting(const std::vector<DrawItem>* pItems) {
    Pool& p = P();
    std::lock_guard<std::mutex> lock(p.shared.mutex);
    Drop(p);
    p.pItems = pItems;
    p.uQueuedTo = 0;
}

void DropCounts() {
    Pool& p = P();
    std::lock_guard<std::mutex> lock(p.shared.mutex);
    Drop(p);
    p.bHaveMapping = false;
}

namespace {

bool Holds(const JobPtr& job, size_t uItem) {
    return job && uItem >= job->uFirstItem && uItem < job->uFirstItem + job->items.size();
}

const uint32_t* CountsIn(const Job& job, size_t uItem) {
    return job.counts.data() + job.firstCounts[uItem - job.uFirstItem];
}

}  // namespace

const uint32_t* CountsOf(size_t uItem, const PlaneMapping& mapping) {
    Pool& p = P();
    // Most items are in the job of the item before, done: no lock is needed for them.
    if (Holds(p.current, uItem) && p.current->state.load(std::memory_order_acquire) == JOB_DONE &&
        SameMapping(p.mapping, mapping))
        return CountsIn(*p.current, uItem);
    SharedJobs& shared = p.shared;
    std::unique_lock<std::mutex> lock(shared.mutex);
    if (!p.pItems || uItem >= p.pItems->size()) return nullptr;
    // A job is stale once the mapping it copied is not the present one: the
    // queue is emptied and the generation moves on, so that a running job
    // stops and its counts are never looked at.
    if (!p.bHaveMapping || !SameMapping(p.mapping, mapping)) {
        Drop(p);
        p.mapping = mapping;
        p.bHaveMapping = true;
    }
    std::deque<JobPtr>& queue = shared.queue;
    while (!queue.empty() && queue.front()->uFirstItem + queue.front()->items.size() <= uItem) queue.pop_front();
    if (queue.empty() || queue.front()->uFirstItem > uItem) {
        Drop(p);
        p.uQueuedTo = uItem;
    }
    TopUp(p);
    if (queue.empty()) return nullptr;
    const JobPtr job = queue.front();
    while (job->state != JOB_DONE) {
        if (job->state == JOB_QUEUED) {
            CountJob(shared, lock, job);
        } else if (JobPtr other = FirstQueued(shared)) {
            CountJob(shared, lock, other);  // helps while it waits
        } else {
            shared.bProgramWaits = true;
            shared.cvDone.wait(lock);
            shared.bProgramWaits = false;
        }
    }
    p.current = job;
    return CountsIn(*job, uItem);
}

// Workers the system will not start (no thread or no memory left for one)
// are done without: those that start count, or the program's thread alone.
int SetCountingThreads(int iThreads) {
    Pool& p = P();
    StopWorkers(p);
    int iWanted = std::clamp(iThreads, 1, kMostCountingThreads);
    p.shared.ullJobNanoseconds = kWorthSharingNanoseconds;  // shared until jobs prove cheap
    for (int i = 1; i < iWanted; ++i) {
        try {
            StartWorker(p);
        } catch (const std::system_error&) {
        } catch (const std::bad_alloc&) {
        }
    }
    p.iThreads = static_cast<int>(p.workers.size()) + 1;
    return p.iThreads;
}

void RefuseThreadStarts(int iCount) { g_iThreadRefusals = iCount; }

void OnChunkCounted(void (*pfnChunkCounted)(int, int)) { g_pfnChunkCounted = pfnChunkCounted; }

int CountingThreads() { return P().iThreads; }

bool ParseCountingThreads(const char* psText, int* piThreads) {
    if (!psText || *psText < '0' || *psText > '9') return false;
    char* psEnd = nullptr;
    long lThreads = std::strtol(psText, &psEnd, 10);
    if (*psEnd != '\0' || lThreads < 1 || lThreads > kMostCountingThreads) return false;
    *piThreads = static_cast<int>(lThreads);
    return true;
}

int HardwareThreads() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

int ThreadsFromEnvironment(int* piThreads) {
    const char* psWanted = std::getenv("ORVANTA_THREADS");
    if (psWanted && ParseCountingThreads(psWanted, piThreads)) return 1;
    *piThreads = HardwareThreads();
    return psWanted == nullptr;
}
