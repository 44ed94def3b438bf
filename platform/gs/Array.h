#pragma once

#include "gs/Types.h"

#include <initializer_list>
#include <vector>

namespace GS {

// The host's growable array.
template <typename T> class Array {
public:
    Array() = default;
    Array(std::initializer_list<T> items) : items(items) {}

    UInt32 GetSize() const noexcept { return UInt32(items.size()); }
    bool IsEmpty() const noexcept { return items.empty(); }
    void Push(const T& item) { items.push_back(item); }
    void Push(T&& item) { items.push_back(std::move(item)); }
    void Clear() noexcept { items.clear(); }
    T& operator[](UInt32 i) { return items[i]; }
    const T& operator[](UInt32 i) const { return items[i]; }
    T& GetLast() { return items.back(); }

    auto begin() noexcept { return items.begin(); }
    auto end() noexcept { return items.end(); }
    auto begin() const noexcept { return items.begin(); }
    auto end() const noexcept { return items.end(); }

private:
    std::vector<T> items;
};

} // namespace GS
