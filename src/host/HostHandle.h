#pragma once

#include "api/HostApiRecords.h"
#include "gs/MemoryManager.h"

#include <memory>
#include <new>

// A zero-filled block of the host's memory manager, released on every path. Empty (false) when
// the memory manager could not give it.
class HostHandle {
public:
    explicit HostHandle(Int64 size) : handle(BMAllocateHandle(size, ALLOCATE_CLEAR, 0)) {}
    ~HostHandle() { Release(); }
    HostHandle(const HostHandle&) = delete;
    HostHandle& operator=(const HostHandle&) = delete;

    explicit operator bool() const { return handle != nullptr; }
    GSHandle Get() const { return handle; }
    template <typename T> T* As() const { return reinterpret_cast<T*>(*handle); }
    void Release() { BMKillHandle(&handle); }

private:
    GSHandle handle;
};

// A user-data block holding a product tag's two host strings. The strings live from the block's
// creation to its release, so whatever texts they hold, also ones the host wrote in, are freed.
class ProductTagHandle {
public:
    ProductTagHandle() : block(sizeof(ProductTagBlock)) {
        if (block)
            tag = new (block.As<void>()) ProductTagBlock{};
    }
    ~ProductTagHandle() {
        if (tag != nullptr)
            std::destroy_at(tag);
    }
    ProductTagHandle(const ProductTagHandle&) = delete;
    ProductTagHandle& operator=(const ProductTagHandle&) = delete;

    explicit operator bool() const { return tag != nullptr; }
    GSHandle Get() const { return block.Get(); }
    ProductTagBlock& Tag() const { return *tag; }

private:
    HostHandle block;
    ProductTagBlock* tag = nullptr;
};
