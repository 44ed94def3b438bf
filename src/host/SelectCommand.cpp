#include "host/SelectCommand.h"

#include "gs/Debug.h"
#include "host/AddOnIdentity.h"
#include "host/AnswerTheHost.h"
#include "host/CommandParameters.h"
#include "host/HostApi.h"

#include <string>

namespace {
constexpr const char* GuidParameter = "elemGuid";
constexpr const char* ModificationParameter = "modification";
constexpr Int32 GuidBufferSize = 128;
} // namespace

void PostSelectCommand(const GS::UniString& guidText, Int32 modification) {
    std::string text = guidText.ToCStr(CC_Default);
    char buffer[GuidBufferSize] = {};
    (void)CHTruncate(text.c_str(), buffer, GuidBufferSize, CC_Default); // longer: no element's GUID

    // The post hands the list to the host whatever it answers: disposing of it is the host's.
    CommandParameters params(false);
    // Not examined: nothing is reported back to the page, and the handler answers 0 for a
    // list that lacks either parameter.
    (void)params.SetString(GuidParameter, buffer);
    (void)params.SetInteger(ModificationParameter, modification);
    // Not examined: a refused post selects nothing, and the page is told nothing either way.
    (void)HostApi::PostModuleCommand(&AddOnIdentifier, CommandSelect, SelectCommandVersion, params.Handle(),
                                     true, nullptr);
}

GSErrCode OnSelectCommand(API_ModulParamsHandle handle) {
    return AnswerTheHost([handle] {
        CommandParameters params(handle);
        auto guidText = params.GetString(GuidParameter);
        if (!guidText)
            return NoError;
        auto modification = params.GetInteger(ModificationParameter);
        if (!modification)
            return NoError;

        GS::Guid guid(*guidText);
        API_Neig neig{};
        neig.guid = guid;
        GS::Array<API_Neig> elements{neig};
        return HostApi::SelectElements(&elements, *modification != 0);
    });
}
