#include "gs/MemoryManager.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

// Blocks carry their size in a header of 16 bytes, which keeps the data 16-byte aligned.
constexpr size_t kHeader = 16;
constexpr Int64 kLargestBlock = Int64(1) << 40;

std::atomic<UInt64> allocations{0};
std::atomic<Int64> liveBlocks{0};
std::atomic<UInt64> failSkip{0};
std::atomic<UInt64> failCount{0};

bool NextAllocationFails() {
    ++allocations;
    if (failCount == 0)
        return false;
    if (failSkip > 0) {
        --failSkip;
        return false;
    }
    --failCount;
    return true;
}

char* RawAllocate(Int64 size, Int32 flags) {
    if (size < 0 || size > kLargestBlock || NextAllocationFails())
        return nullptr;
    auto* raw = static_cast<char*>((flags & ALLOCATE_CLEAR) ? std::calloc(1, kHeader + size_t(size))
                                                            : std::malloc(kHeader + size_t(size)));
    if (raw == nullptr)
        return nullptr;
    std::memcpy(raw, &size, sizeof size);
    ++liveBlocks;
    return raw + kHeader;
}

void RawFree(char* ptr) {
    if (ptr == nullptr)
        return;
    --liveBlocks;
    std::free(ptr - kHeader);
}

Int64 RawSize(const char* ptr) {
    if (ptr == nullptr)
        return 0;
    Int64 size;
    std::memcpy(&size, ptr - kHeader, sizeof size);
    return size;
}

} // namespace

GSPtr BMAllocatePtr(Int64 size, Int32 flags, Int32) {
    return RawAllocate(size, flags);
}

void BMFreePtr(GSPtr ptr) {
    RawFree(ptr);
}

Int64 BMGetPtrSize(const char* ptr) {
    return RawSize(ptr);
}

GSHandle BMAllocateHandle(Int64 size, Int32 flags, Int32) {
    char* block = RawAllocate(size, flags);
    if (block == nullptr)
        return nullptr;
    auto* master = static_cast<char**>(std::malloc(sizeof(char*)));
    if (master == nullptr) {
        RawFree(block);
        return nullptr;
    }
    *master = block;
    return master;
}

GSHandle BMReallocHandle(GSHandle handle, Int64 newSize, Int32 flags, Int32) {
    if (handle == nullptr)
        return nullptr;
    char* fresh = RawAllocate(newSize, flags);
    if (fresh == nullptr)
        return nullptr;
    Int64 old = RawSize(*handle);
    Int64 keep = old < newSize ? old : newSize;
    if (keep > 0)
        std::memcpy(fresh, *handle, size_t(keep));
    RawFree(*handle);
    *handle = fresh;
    return handle;
}

void BMKillHandle(GSHandle* handle) {
    if (handle == nullptr || *handle == nullptr)
        return;
    RawFree(**handle);
    std::free(*handle);
    *handle = nullptr;
}

Int64 BMGetHandleSize(GSHandle handle) {
    return handle ? RawSize(*handle) : 0;
}

namespace BM {
void FailAllocations(UInt64 skip, UInt64 count) {
    failSkip = skip;
    failCount = count;
}
void ClearFailures() {
    failSkip = 0;
    failCount = 0;
}
UInt64 AllocationCount() {
    return allocations;
}
Int64 LiveBlocks() {
    return liveBlocks;
}
void ResetStatistics() {
    allocations = 0;
}
} // namespace BM
