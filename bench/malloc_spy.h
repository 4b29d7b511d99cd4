#pragma once
// A spy on the COM task allocator, which owns every item identifier list of
// the shell: it counts the blocks taken while it is registered and not yet
// freed. Blocks taken before it came are not its business.
#include <objidl.h>

#include <cstddef>
#include <mutex>
#include <unordered_map>

class TMallocSpy final : public IMallocSpy {
public:
    struct TBalance {
        size_t Blocks = 0, Bytes = 0;  // outstanding
        size_t Taken = 0;              // in all
    };
    // Registers the one spy of the process; it stays for the life of the process.
    static TMallocSpy* Register();
    TBalance Balance() const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override;
    void* STDMETHODCALLTYPE PostAlloc(void* block) override;
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL spied) override;
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newRequest, BOOL spied) override;
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL spied) override;
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int allocated) override { return allocated; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    TMallocSpy() = default;
    void Forget(void* block);

    mutable std::mutex FLock;
    std::unordered_map<void*, size_t> FBlocks;  // outstanding block, its size
    size_t FBytes = 0, FTaken = 0;
};
