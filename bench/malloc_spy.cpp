#include "bench/malloc_spy.h"

#include <objbase.h>

namespace {
// The allocator calls Pre and Post of one request on the same thread, one right after the other.
thread_local SIZE_T PendingSize = 0;
thread_local void* PendingOld = nullptr;
}  // namespace

TMallocSpy* TMallocSpy::Register()
{
    static TMallocSpy spy;
    return SUCCEEDED(CoRegisterMallocSpy(&spy)) ? &spy : nullptr;
}

TMallocSpy::TBalance TMallocSpy::Balance() const
{
    std::lock_guard lock(FLock);
    return {FBlocks.size(), FBytes, FTaken};
}

HRESULT STDMETHODCALLTYPE TMallocSpy::QueryInterface(REFIID riid, void** object)
{
    *object = riid == IID_IUnknown || riid == IID_IMallocSpy ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
}

SIZE_T STDMETHODCALLTYPE TMallocSpy::PreAlloc(SIZE_T size)
{
    PendingSize = size;
    return size;
}

void* STDMETHODCALLTYPE TMallocSpy::PostAlloc(void* block)
{
    if (block) {
        std::lock_guard lock(FLock);
        FBlocks[block] = PendingSize;
        FBytes += PendingSize;
        ++FTaken;
    }
    return block;
}

void* STDMETHODCALLTYPE TMallocSpy::PreFree(void* block, BOOL spied)
{
    if (spied) Forget(block);
    return block;
}

SIZE_T STDMETHODCALLTYPE TMallocSpy::PreRealloc(void* block, SIZE_T size, void** newRequest, BOOL spied)
{
    *newRequest = block;
    PendingOld = spied ? block : nullptr;
    PendingSize = size;
    return size;
}

// A block that moved is the old one freed and a new one taken; a failed move keeps the old one.
void* STDMETHODCALLTYPE TMallocSpy::PostRealloc(void* block, BOOL)
{
    if (block || PendingSize == 0) {
        if (PendingOld) Forget(PendingOld);
        if (block) PostAlloc(block);
    }
    return block;
}

void TMallocSpy::Forget(void* block)
{
    std::lock_guard lock(FLock);
    const auto found = FBlocks.find(block);
    if (found == FBlocks.end()) return;
    FBytes -= found->second;
    FBlocks.erase(found);
}
