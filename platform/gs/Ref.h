#pragma once

#include "gs/Exceptions.h"

#include <memory>
#include <utility>

namespace GS {

// A counted reference. Dereferencing an empty one raises NullReferenceException.
template <typename T> class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    explicit Ref(T* object) : ptr(object) {}
    Ref(std::shared_ptr<T> object) noexcept : ptr(std::move(object)) {}
    template <typename U> Ref(const Ref<U>& other) noexcept : ptr(other.Shared()) {}

    T* operator->() const { return &operator*(); }
    T& operator*() const {
        if (!ptr)
            throw NullReferenceException();
        return *ptr;
    }
    T* Get() const noexcept { return ptr.get(); }
    bool IsNull() const noexcept { return ptr == nullptr; }
    explicit operator bool() const noexcept { return ptr != nullptr; }
    const std::shared_ptr<T>& Shared() const noexcept { return ptr; }
    long UseCount() const noexcept { return ptr.use_count(); }
    void Reset() noexcept { ptr.reset(); }

private:
    std::shared_ptr<T> ptr;
};

// A checked cast between counted references; raises ClassCastException when the object is of
// another kind.
template <typename To, typename From> Ref<To> DynamicCast(const Ref<From>& from) {
    if (from.IsNull())
        return Ref<To>();
    auto cast = std::dynamic_pointer_cast<To>(from.Shared());
    if (!cast)
        throw ClassCastException();
    return Ref<To>(cast);
}

} // namespace GS
