#pragma once

#include "api/ErrorCodes.h"

#include <new>

// The host calls entry points and handlers as C functions: nothing may leave them. Work that runs
// out of memory answers the host's out-of-memory code; any other exception, the general error.
template <typename Work> GSErrCode AnswerTheHost(Work&& work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return ErrOutOfMemory;
    } catch (...) {
        return ErrGeneral;
    }
}
