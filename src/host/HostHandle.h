#pragma once

#include "api/HostApiRecords.h"
#include "gs/MemoryManager.h"

// A handle of the host's memory manager that the add-on owns, killed on every path. Empty
// (false) when there is none, as when the memory manager could not give it.
class HostHandle {
public:
    HostHandle() = default;
    // A zero-filled block of `size` bytes.
    explicit HostHandle(Int64 size) : handle(BMAllocateHandle(size, ALLOCATE_CLEAR, 0)) {}
    ~HostHandle() { Reset(); }
    HostHandle(const HostHandle&) = delete;
    HostHandle& operator=(const HostHandle&) = delete;

    explicit operator bool() const { return handle != nullptr; }
    GSHandle Get() const { return handle; }
    template <typename T> T* As() const { return reinterpret_cast<T*>(*handle); }
    // Where the host writes a new handle; an earlier one is killed first.
    GSHandle* Out() {
        Reset();
        return &handle;
    }
    void Reset() {
        if (handle != nullptr)
            BMKillHandle(&handle);
        handle = nullptr;
    }

private:
    GSHandle handle = nullptr;
};
