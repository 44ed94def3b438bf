#include "import/LibraryParameters.h"

#include "gs/MemoryManager.h"
#include "host/HostApi.h"

#include <algorithm>
#include <cstring>

HostParameterList::~HostParameterList() {
    Dispose();
}

void HostParameterList::Dispose() {
    if (records != nullptr) {
        // Records past the handle's end are none of the list's, whatever the count said.
        const Int64 held =
            BMGetHandleSize(reinterpret_cast<GSHandle>(records)) / Int64(sizeof(API_AddParType));
        for (Int64 n = 0; n < held; ++n) {
            API_AddParType& record = (*records)[n];
            if (record.typeMod != ParamModifierArray)
                continue;
            if (record.value.array != nullptr)
                BMKillHandle(&record.value.array);
            if (record.arrayDescriptions != nullptr)
                BMKillHandle(&record.arrayDescriptions);
        }
        GSHandle list = reinterpret_cast<GSHandle>(records);
        BMKillHandle(&list);
    }
    records = nullptr;
    count = 0;
}

GSErrCode HostParameterList::Read(Int32 partIndex) {
    Dispose();
    Int32 read = 0;
    const GSErrCode code = HostApi::GetLibraryPartParameters(partIndex, &a, &b, &read, &records);
    if (code != NoError) {
        Dispose();
        return code;
    }
    const Int64 held = records == nullptr ? 0
                                          : BMGetHandleSize(reinterpret_cast<GSHandle>(records)) /
                                                Int64(sizeof(API_AddParType));
    // Never more records than the handle holds.
    count = read < 0 ? 0 : Int32(std::min<Int64>(read, held));
    return NoError;
}

std::string ParameterName(const API_AddParType& record) {
    return std::string(record.name, strnlen(record.name, sizeof record.name));
}

std::string ParameterText(const API_AddParType& record) {
    if (record.typeID != ParamTypeText || record.typeMod != ParamModifierSingle)
        return std::string();
    size_t n = 0;
    while (n < size_t(ParamTextUnits) && record.value.text[n] != 0)
        ++n;
    return GS::UniString(std::u16string_view(record.value.text, n)).ToCStr(CC_UTF8);
}
