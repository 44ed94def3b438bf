#pragma once

#include <cstdint>

using Int8 = std::int8_t;
using UInt8 = std::uint8_t;
using Int16 = std::int16_t;
using UInt16 = std::uint16_t;
using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using GSErrCode = Int32;
using GSType = UInt32;
using GSPtr = char*;
using GSHandle = char**;
using GSResModule = Int32;
using GSResID = Int16;
using GSCharCode = Int32;

// The host's default character code: UTF-8 on Linux; on Windows the system's ANSI code page, as
// on a real Windows host, so that only ASCII is sure to survive it there.
constexpr GSCharCode CC_Default = 0;
// UTF-8 on every system: the code of text that is JSON.
constexpr GSCharCode CC_UTF8 = 65001;

// A four-character code, the first character in the most significant byte.
constexpr GSType FourCC(const char (&code)[5]) {
    return (GSType(UInt8(code[0])) << 24) | (GSType(UInt8(code[1])) << 16) | (GSType(UInt8(code[2])) << 8) |
           GSType(UInt8(code[3]));
}
static_assert(FourCC("SELE") == 0x53454C45);
