// Elements and the selection: the selection itself, element headers, type names and the
// elements' identifying texts.
#include "gs/MemoryManager.h"
#include "table/Operations.h"

#include <limits>

namespace simhost {

namespace {

// GetSelection's summary kinds.
constexpr Int32 SelectionNone = 0;
constexpr Int32 SelectionElements = 1;

GSErrCode GetTypeName(Host&, const RequestArgs& args) {
    auto* name = static_cast<GS::UniString*>(args.p[1]);
    if (name == nullptr)
        return ErrBadParameter;
    // The code travels by value in a pointer-sized argument, sign-extended.
    GSIntPtr raw = reinterpret_cast<GSIntPtr>(args.p[0]);
    if (raw < std::numeric_limits<Int32>::min() || raw > std::numeric_limits<Int32>::max())
        return ErrBadParameter;
    auto text = ElementTypeName(Int32(raw));
    if (!text)
        return ErrBadParameter;
    *name = GS::UniString(*text);
    return NoError;
}

GSErrCode GetIdentifyingText(Host& host, const RequestArgs& args) {
    const auto* guid = static_cast<const API_Guid*>(args.p[0]);
    auto* text = static_cast<GS::UniString*>(args.p[1]);
    if (guid == nullptr || text == nullptr)
        return ErrBadParameter;
    const Element* element = host.project.elements.Find(*guid);
    if (element == nullptr)
        return ErrNotFound;
    *text = GS::UniString(element->id);
    return NoError;
}

const bool selectionRegistered = RegisterRequest(HostOp::UtilityRequest, Selector::GETN, GetTypeName) &&
                                 RegisterRequest(HostOp::ElementRequest, Selector::GEIS, GetIdentifyingText);

} // namespace

GSErrCode ops::GetSelection(API_AddOnHandle, API_SelectionInfo* info, GS::Array<API_Neig>* elements,
                            bool /*onlyEditable*/, bool /*onlyVisible*/, Int32 /*reserved*/) {
    Host& host = CurrentHost();
    if (info == nullptr || elements == nullptr)
        return ErrBadParameter;
    // The marquee is empty: elements are selected one by one, never by an area.
    GSHandle marquee = BMAllocateHandle(0, ALLOCATE_CLEAR, 0);
    if (marquee == nullptr)
        return ErrOutOfMemory;
    const auto& selected = host.project.selection.guids;
    *info = API_SelectionInfo{};
    info->typeID = selected.empty() ? SelectionNone : SelectionElements;
    info->count = Int32(selected.size());
    info->marquee = marquee;
    elements->Clear();
    for (const auto& guid : selected) {
        API_Neig neig{};
        neig.guid = guid;
        elements->Push(neig);
    }
    return NoError;
}

GSErrCode ops::SelectElements(API_AddOnHandle, const GS::Array<API_Neig>* elements, bool add) {
    Host& host = CurrentHost();
    if (elements == nullptr)
        return ErrBadParameter;
    std::vector<GS::Guid> guids;
    for (const auto& neig : *elements) {
        if (host.project.elements.Find(neig.guid) == nullptr)
            return ErrNotFound; // checked before any change: all or nothing
        guids.push_back(neig.guid);
    }
    if (add)
        host.project.selection.Add(guids);
    else
        host.project.selection.Replace(guids);
    return NoError;
}

GSErrCode ops::GetElementHeader(API_AddOnHandle, API_ElemHead* header, Int32 /*mask*/) {
    Host& host = CurrentHost();
    if (header == nullptr)
        return ErrBadParameter;
    const Element* element = host.project.elements.Find(header->guid);
    if (element == nullptr)
        return ErrNotFound;
    header->typeID = element->type;
    header->variation = 0;
    header->layer = 1;
    header->floor = 0;
    return NoError;
}

} // namespace simhost
