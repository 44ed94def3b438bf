#include "export/ProjectIdentity.h"

#include "gs/Debug.h"
#include "host/HostApi.h"

namespace {
constexpr const char* IdentityName = "QV_GUID";
constexpr Int32 AutotextFilter = 7;
} // namespace

std::string GetProjectGuid() {
    API_AutotextList autotexts;
    if (HostApi::GetAutotexts(&autotexts, AutotextFilter) != NoError) {
        // Creating an identity now would give the project a second one beside the one it may
        // already have; without a listing the identity is unknown.
        DBPrintf("APIAny_GetAutoTextsID function failed.\n");
        return std::string();
    }

    std::string result;
    bool matched = false;
    for (const auto& entry : autotexts) {
        if (entry.GetSize() <= AutotextValueIndex)
            continue;
        if (entry[AutotextNameIndex].ToCStr() == IdentityName) {
            result = entry[AutotextValueIndex].ToCStr(CC_UTF8); // the last one listed wins
            matched = true;
        }
    }
    if (matched)
        return result;

    GS::Guid identity = GS::Guid::Generate();
    if (HostApi::CreateAutotext(&identity, IdentityName) != NoError) {
        DBPrintf("APIAny_CreateAnAutoTextID function failed.\n");
        return std::string();
    }
    GS::UniString key = GS::UniString("autotext-") + identity.ToUniString();
    GS::UniString value = identity.ToUniString();
    if (HostApi::SetAutotextValue(&key, &value) != NoError) {
        // The project holds the identity with the value it was created with; this GUID, never
        // stored, would be answered once and then change.
        DBPrintf("APIAny_SetAnAutoTextID function failed.\n");
        return std::string();
    }
    return value.ToCStr(CC_UTF8);
}
