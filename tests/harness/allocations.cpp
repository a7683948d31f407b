// Allocations that fail on purpose: operator new throws std::bad_alloc at the
// n-th call after arming, as when memory runs out midway through a run.
#include "harness.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_lToFailure{0};  // calls left before the failing one; 0: none fails
std::atomic<long> g_lCalls{0};

void* Allocate(std::size_t cbSize) {
    g_lCalls.fetch_add(1, std::memory_order_relaxed);
    if (g_lToFailure.load(std::memory_order_relaxed) > 0 && g_lToFailure.fetch_sub(1) == 1) throw std::bad_alloc();
    void* p = std::malloc(cbSize ? cbSize : 1);
    return p ? p : throw std::bad_alloc();
}

}  // namespace

void harness::FailNthAllocation(long lNth) { g_lToFailure = lNth, g_lCalls = 0; }
long harness::AllocationsSinceArmed() { return g_lCalls; }

// Every form the program's code and the libraries use, freed as allocated.
void* operator new(std::size_t cbSize) { return Allocate(cbSize); }
void* operator new[](std::size_t cbSize) { return Allocate(cbSize); }
void* operator new(std::size_t cbSize, const std::nothrow_t&) noexcept {
    try { return Allocate(cbSize); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new[](std::size_t cbSize, const std::nothrow_t& tag) noexcept { return operator new(cbSize, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
