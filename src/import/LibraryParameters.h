#pragma once

#include "api/LibraryRecords.h"

#include <string>

// The additional parameters of a library part as the host hands them out, disposed of as the
// host's rule says: for each array record (modifier 2) the value handle and, when set, the
// descriptions handle, then the list itself.
class HostParameterList {
public:
    HostParameterList() = default;
    ~HostParameterList();
    HostParameterList(const HostParameterList&) = delete;
    HostParameterList& operator=(const HostParameterList&) = delete;

    // GetLibraryPartParameters of the part. On a failure the list is empty (a handle the host
    // handed out anyway is freed) and the code is answered.
    GSErrCode Read(Int32 partIndex);

    Int32 Count() const noexcept { return count; }
    const API_AddParType& operator[](Int32 n) const { return (*records)[n]; }
    double a = 0.0;
    double b = 0.0;

private:
    void Dispose();

    API_AddParType** records = nullptr;
    Int32 count = 0;
};

// What the names of the parameters made of a product's property sets and properties begin with.
inline const std::string ParameterNamePrefix = "Q7_";

// The record's NUL-terminated name (at most the 32-byte field).
std::string ParameterName(const API_AddParType& record);
// The record's text value as 8-bit text: empty for other than single text records.
std::string ParameterText(const API_AddParType& record);
