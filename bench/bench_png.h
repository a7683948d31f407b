// The PNG compression part of orvanta-bench.
#ifndef ORVANTA_BENCH_PNG_H
#define ORVANTA_BENCH_PNG_H

// The full-HD seahorse's PNG deflated by each compressor built, at 1 and 2
// threads, RUNS times each; and the size the bands' flush points cost.
void BenchPng(int iRuns);

#endif
