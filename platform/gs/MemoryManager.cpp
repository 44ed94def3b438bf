#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"

#include "gs/AddOnCode.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace {

// Blocks carry their size in a header of 16 bytes, which keeps the data 16-byte aligned.
constexpr size_t kHeader = 16;
constexpr Int64 kLargestBlock = Int64(1) << 40;

std::atomic<UInt64> allocations{0};
std::atomic<Int64> liveBlocks{0};
std::atomic<UInt64> failSkip{0};
std::atomic<UInt64> failCount{0};

// The blocks and handles given out and not yet released, so that a release of one released
// before (or never given) is told, not carried out. Its own bookkeeping is the host's work, never
// counted or failed as the caller's allocation; it lives until the program ends.
struct Registry {
    std::mutex mutex;
    std::unordered_set<const void*> blocks;
    std::unordered_set<const void*> handles;
    std::function<void(const char*)> misuse;
};

Registry& Held() {
    static Registry* registry = new Registry;
    return *registry;
}

void Hold(std::unordered_set<const void*> Registry::*set, const void* p) {
    GS::AddOnCodeScope hostWork(false);
    std::lock_guard<std::mutex> lock(Held().mutex);
    (Held().*set).insert(p);
}

// Answers whether the memory manager held it (and holds it no more when `release`); tells the
// misuse handler when not.
bool Holds(std::unordered_set<const void*> Registry::*set, const void* p, bool release, const char* misuse) {
    std::function<void(const char*)> tell;
    {
        std::lock_guard<std::mutex> lock(Held().mutex);
        auto found = (Held().*set).find(p);
        if (found != (Held().*set).end()) {
            if (release)
                (Held().*set).erase(found);
            return true;
        }
        tell = Held().misuse;
    }
    if (tell)
        tell(misuse);
    return false;
}

constexpr const char* ReleasedAgain = "a block released twice, or never the memory manager's";
constexpr const char* HandleReleasedAgain = "a handle released twice, or never the memory manager's";
constexpr const char* HandleUsedAfterRelease =
    "a handle used after its release, or never the memory manager's";

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
    Hold(&Registry::blocks, raw + kHeader);
    return raw + kHeader;
}

void RawFree(char* ptr) {
    if (ptr == nullptr || !Holds(&Registry::blocks, ptr, true, ReleasedAgain))
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
    return ptr != nullptr && Holds(&Registry::blocks, ptr, false, ReleasedAgain) ? RawSize(ptr) : 0;
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
    Hold(&Registry::handles, master);
    return master;
}

GSHandle BMReallocHandle(GSHandle handle, Int64 newSize, Int32 flags, Int32) {
    if (handle == nullptr || !Holds(&Registry::handles, handle, false, HandleUsedAfterRelease))
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
    if (!Holds(&Registry::handles, *handle, true, HandleReleasedAgain)) {
        *handle = nullptr;
        return;
    }
    RawFree(**handle);
    std::free(*handle);
    *handle = nullptr;
}

Int64 BMGetHandleSize(GSHandle handle) {
    return handle != nullptr && Holds(&Registry::handles, handle, false, HandleUsedAfterRelease)
               ? RawSize(*handle)
               : 0;
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
void SetMisuseHandler(std::function<void(const char*)> handler) {
    std::lock_guard<std::mutex> lock(Held().mutex);
    Held().misuse = std::move(handler);
}
} // namespace BM
