#pragma once

#include "gs/Types.h"

#include <cstddef>

// The host's memory manager: pointers and handles (a handle is a pointer to a pointer to the
// block, so the block can move when it is resized). Every block knows its size.

constexpr Int32 ALLOCATE_CLEAR = 2;

GSPtr BMAllocatePtr(Int64 size, Int32 flags, Int32 reserved);
void BMFreePtr(GSPtr ptr);
Int64 BMGetPtrSize(const char* ptr);

GSHandle BMAllocateHandle(Int64 size, Int32 flags, Int32 reserved);
// Resizes keeping the contents; new bytes are cleared when flags hold ALLOCATE_CLEAR.
// Answers null (and leaves the handle as it was) when memory runs out.
GSHandle BMReallocHandle(GSHandle handle, Int64 newSize, Int32 flags, Int32 reserved);
void BMKillHandle(GSHandle* handle);
Int64 BMGetHandleSize(GSHandle handle);
