#pragma once

// What the table's library operations share: the texts of fixed fields, the conversion of
// parameter records, and the bytes of library-part sections.
#include "table/Operations.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace simhost::library {

// A NUL-terminated text in a fixed field; nothing when the field holds no terminator.
std::optional<std::string> FieldText(const char16_t* units, size_t capacity);
std::optional<std::string> FieldText(const char* bytes, size_t capacity);

// Copies as much of the text as fits with its terminator.
template <size_t N> void PutField(char16_t (&field)[N], const std::string& text) {
    std::u16string units = GS::Utf8ToUtf16(text);
    size_t n = std::min(units.size(), N - 1);
    std::copy_n(units.begin(), n, field);
    field[n] = 0;
}

// A parameter of a record the add-on hands over; nothing when the record is not one the host takes.
std::optional<LibraryParameter> ParameterFromRecord(const API_AddParType& r);
// Fills every field the record defines; what it leaves open (reserved bytes, the fields after
// their texts, the value's bytes beyond a number) the host's variance fills.
void FillRecord(API_AddParType& r, const LibraryParameter& p, Int16 index);

// A new handle of the host's memory manager holding the bytes; null when memory runs out.
GSHandle HandleOf(const std::string& bytes);
// The bytes a handle holds; none for a null handle.
std::string BytesOf(GSHandle h);
// The parameter section's data: the host's own form, a JSON text.
std::string ParameterSectionBytes(double a, double b, const std::vector<LibraryParameter>& parameters);
bool ReadParameterSection(const std::string& bytes, LibraryPart& into);
// Puts a whole section into the part: parameters (the host's own form) into its parameter list,
// others by code, their bytes kept as they are.
GSErrCode PutSection(LibraryPart& part, const API_LibPartSection& header, const std::string& bytes);

} // namespace simhost::library
