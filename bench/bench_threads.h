// The counting threads' part of orvanta-bench.
#ifndef ORVANTA_BENCH_THREADS_H
#define ORVANTA_BENCH_THREADS_H

// Point colours per pixel, key latency and queue gaps at 1 thread and all,
// and whole orvanta-render runs at 1, 2 and all threads, RUNS each.
void BenchThreads(int iRuns);

#endif
