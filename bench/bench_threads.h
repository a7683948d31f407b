// The counting threads' part of orvanta-bench.
#ifndef ORVANTA_BENCH_THREADS_H
#define ORVANTA_BENCH_THREADS_H

#include <functional>
#include <vector>

struct RenderOptions;

// The middle value (the upper middle of an even count).
double Median(std::vector<double> values);
// The options' window rendered through the program's render loop on the
// offscreen platform, setUp run once it is measured and onPeek at every
// queue check, until the picture is finished or a quit is posted.
void RenderWatchingPeeks(const RenderOptions& options, const std::function<void()>& setUp,
                         const std::function<void()>& onPeek);

// Point colours per pixel, key latency and queue gaps at 1 thread and all,
// and whole orvanta-render runs at 1, 2 and all threads and two 1-thread runs
// at once, RUNS each.
void BenchThreads(int iRuns);
// The direct path against --progressive at 1 thread, RUNS each, and the time
// and peak memory of posters.
void BenchPosters(int iRuns);

#endif
