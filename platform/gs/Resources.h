#pragma once

#include "gs/Types.h"
#include "gs/UniString.h"

#include <vector>

// The host's resource library. A module's resources live in a binary image:
//   "QVRS", UInt32 count, then per resource: UInt32 type, Int32 id, UInt32 language,
//   UInt32 byte size, the bytes; all integers little-endian.
// A string list is a UInt32 byte count followed by that many bytes of NUL-terminated strings,
// numbered from 1. An identifier pair is the UInt32 count 8 followed by two UInt32 values.

constexpr GSType RT_StringList = FourCC("STR#");
constexpr GSType RT_IdentifierPair = FourCC("IDPR");
constexpr GSType RT_Dialog = FourCC("PDLG");
constexpr GSType RT_DialogHelp = FourCC("PDHL");
constexpr UInt32 RS_DefaultLanguage = 1033;
// The section of a module's file that holds the module's resource image, where the host reads it.
constexpr const char* RS_ModuleSection = ".qvres";

// Opens a cache over a module's image (the image must outlive the cache). Answers -1 when the
// image is not a resource image.
GSResModule RSInitModuleImageCache(const void* image, UInt64 size);
void RSRemoveModuleImageCache(GSResModule module);
// The caches now open, in opening order (the host learns a module's cache this way and checks
// that modules remove theirs).
std::vector<GSResModule> RSOpenModules();

// A copy of the resource's bytes in a new handle the caller disposes of; null when missing.
GSHandle RSLoadResource(GSType type, GSResModule module, GSResID id, UInt32 language = RS_DefaultLanguage);
// String `index` (from 1) of string list `id`; false when the list or the string is missing.
bool RSGetIndString(GS::UniString* text, GSResID id, Int32 index, GSResModule module);
// The two values of identifier-pair resource `id`.
bool RSGetIdentifierPair(GSResID id, GSResModule module, UInt32* first, UInt32* second);
