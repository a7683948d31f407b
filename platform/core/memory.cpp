// Local and global memory blocks: a handle names a block that is locked to
// reach its bytes; the core keeps the blocks so that handles can be checked.
#include "core.h"

#include <cstdlib>
#include <cstring>
#include <map>

namespace {

struct Block {
    std::unique_ptr<char[]> pBytes;
    size_t uSize;
    int iLocks;
};

std::map<uintptr_t, Block>& Blocks() {
    static std::map<uintptr_t, Block> blocks;
    return blocks;
}

int g_iRefusals = 0;  // allocations still to refuse, as when memory is short

}  // namespace

namespace platform {
bool AllocationRefused() {
    if (g_iRefusals <= 0) return false;
    --g_iRefusals;
    return true;
}
}  // namespace platform

namespace {

HANDLE Allocate(UINT uFlags, SIZE_T uBytes) {
    static uintptr_t uNext = 0x10000;
    if (platform::AllocationRefused()) return nullptr;
    Block block{std::unique_ptr<char[]>(new (std::nothrow) char[uBytes ? uBytes : 1]), uBytes, 0};
    if (!block.pBytes) return nullptr;
    // Blocks are zero-filled whether asked or not: no stale bytes leak out.
    (void)uFlags;
    std::memset(block.pBytes.get(), 0, uBytes ? uBytes : 1);
    uNext += 0x10;
    Blocks().emplace(uNext, std::move(block));
    return reinterpret_cast<HANDLE>(uNext);
}

LPVOID Lock(HANDLE hMem) {
    auto it = Blocks().find(reinterpret_cast<uintptr_t>(hMem));
    if (it == Blocks().end()) return nullptr;
    ++it->second.iLocks;
    return it->second.pBytes.get();
}

BOOL Unlock(HANDLE hMem) {
    auto it = Blocks().find(reinterpret_cast<uintptr_t>(hMem));
    if (it == Blocks().end() || it->second.iLocks == 0) return FALSE;
    return --it->second.iLocks > 0;
}

HANDLE Free(HANDLE hMem) {
    return Blocks().erase(reinterpret_cast<uintptr_t>(hMem)) ? nullptr : hMem;
}

}  // namespace

namespace platform {
size_t MemoryBlockSize(HANDLE hMem) {
    auto it = Blocks().find(reinterpret_cast<uintptr_t>(hMem));
    return it == Blocks().end() ? 0 : it->second.uSize;
}
int LiveMemoryBlocks() { return static_cast<int>(Blocks().size()); }
void RefuseAllocations(int iCount) { g_iRefusals = iCount; }
}  // namespace platform

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) { return Allocate(uFlags, uBytes); }
LPVOID WINAPI LocalLock(HLOCAL hMem) { return Lock(hMem); }
BOOL WINAPI LocalUnlock(HLOCAL hMem) { return Unlock(hMem); }
HLOCAL WINAPI LocalFree(HLOCAL hMem) { return Free(hMem); }
HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return Allocate(uFlags, dwBytes); }
LPVOID WINAPI GlobalLock(HGLOBAL hMem) { return Lock(hMem); }
BOOL WINAPI GlobalUnlock(HGLOBAL hMem) { return Unlock(hMem); }
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) { return Free(hMem); }
