// The program's global operator new and malloc, replaced so that `simhost validate` can count the
// allocations an add-on makes and fail one of them. Each asks first, then hands the allocation on
// to the function it replaces: the sanitizer's in a sanitizer build, else the C++ library's and the
// C library's. operator delete and free are not replaced: they stay those of the allocator that
// made the block.
#include "runtime/AllocationFaults.h"

#include <cerrno>
#include <cstddef>
#include <dlfcn.h>
#include <new>

extern "C" {
// The allocator beneath: the sanitizer's interceptors when it is there, else the C library's.
void* __interceptor_malloc(size_t size) __attribute__((weak));
void* __interceptor_calloc(size_t count, size_t size) __attribute__((weak));
void* __interceptor_realloc(void* block, size_t size) __attribute__((weak));
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {

namespace allocations = simhost::allocations;

const bool marked = (allocations::MarkSeen(), true);

// The replaced operator new of the given mangled name: the next definition after this program's.
template <typename Fn> Fn Next(Fn& cached, const char* name) {
    if (cached == nullptr)
        cached = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
    return cached;
}

using New = void* (*)(std::size_t);
using NewNoThrow = void* (*)(std::size_t, const std::nothrow_t&);
using NewAligned = void* (*)(std::size_t, std::align_val_t);
using NewAlignedNoThrow = void* (*)(std::size_t, std::align_val_t, const std::nothrow_t&);

New newPlain, newArray;
NewNoThrow newNoThrow, newArrayNoThrow;
NewAligned newAligned, newArrayAligned;
NewAlignedNoThrow newAlignedNoThrow, newArrayAlignedNoThrow;

template <typename Fn, typename... A> void* Throwing(Fn& cached, const char* name, A... args) {
    if (!allocations::counting.load(std::memory_order_relaxed))
        return Next(cached, name)(args...);
    if (allocations::CountedAllocationFails())
        throw std::bad_alloc();
    allocations::Uncounted beneath; // what the replaced function allocates in turn
    return Next(cached, name)(args...);
}

template <typename Fn, typename... A> void* NoThrow(Fn& cached, const char* name, A... args) {
    if (!allocations::counting.load(std::memory_order_relaxed))
        return Next(cached, name)(args...);
    if (allocations::CountedAllocationFails())
        return nullptr;
    allocations::Uncounted beneath;
    return Next(cached, name)(args...);
}

// The plain operator new. Without the sanitizer it is the C++ library's own, over the C library's
// malloc, without the detour through that library and this program's malloc: most allocations
// are these.
void* Plain(New& cached, const char* name, std::size_t size) {
    if (__interceptor_malloc != nullptr)
        return Throwing(cached, name, size);
    if (allocations::NextAllocationFails())
        throw std::bad_alloc();
    for (;;) {
        if (void* block = __libc_malloc(size == 0 ? 1 : size))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

} // namespace

void* operator new(std::size_t size) {
    return Plain(newPlain, "_Znwm", size);
}
void* operator new[](std::size_t size) {
    return Plain(newArray, "_Znam", size);
}
void* operator new(std::size_t size, const std::nothrow_t& t) noexcept {
    return NoThrow(newNoThrow, "_ZnwmRKSt9nothrow_t", size, std::cref(t).get());
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept {
    return NoThrow(newArrayNoThrow, "_ZnamRKSt9nothrow_t", size, std::cref(t).get());
}
void* operator new(std::size_t size, std::align_val_t align) {
    return Throwing(newAligned, "_ZnwmSt11align_val_t", size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return Throwing(newArrayAligned, "_ZnamSt11align_val_t", size, align);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t& t) noexcept {
    return NoThrow(newAlignedNoThrow, "_ZnwmSt11align_val_tRKSt9nothrow_t", size, align, std::cref(t).get());
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t& t) noexcept {
    return NoThrow(newArrayAlignedNoThrow, "_ZnamSt11align_val_tRKSt9nothrow_t", size, align,
                   std::cref(t).get());
}

extern "C" void* malloc(size_t size) {
    if (allocations::NextAllocationFails()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __interceptor_malloc ? __interceptor_malloc(size) : __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
    if (allocations::NextAllocationFails()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __interceptor_calloc ? __interceptor_calloc(count, size) : __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) {
    if (size != 0 && allocations::NextAllocationFails()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __interceptor_realloc ? __interceptor_realloc(block, size) : __libc_realloc(block, size);
}
