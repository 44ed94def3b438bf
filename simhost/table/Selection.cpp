// Elements and the selection: the selection itself, element headers, type names and the
// elements' identifying texts.
#include "gs/MemoryManager.h"
#include "table/Operations.h"

namespace simhost {

namespace {

// GetSelection's summary kinds.
constexpr Int32 SelectionNone = 0;
constexpr Int32 SelectionElements = 1;

} // namespace

GSErrCode requests::GetElementTypeName(Host&, Int32 typeID, GS::UniString* name) {
    if (name == nullptr)
        return ErrBadParameter;
    auto text = ElementTypeName(typeID);
    if (!text)
        return ErrBadParameter;
    *name = GS::UniString(*text, CC_UTF8);
    return NoError;
}

GSErrCode requests::GetElementIdentifyingText(Host& host, const API_Guid* guid, GS::UniString* text) {
    if (guid == nullptr || text == nullptr)
        return ErrBadParameter;
    const Element* element = host.project.elements.Find(*guid);
    if (element == nullptr)
        return ErrNotFound;
    *text = GS::UniString(element->id, CC_UTF8);
    return NoError;
}

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
    host.variance.NoiseField(info->reserved0);
    host.variance.NoiseField(info->reserved1);
    info->typeID = selected.empty() ? SelectionNone : SelectionElements;
    info->count = Int32(selected.size());
    info->marquee = marquee;
    elements->Clear();
    for (const auto& guid : selected) {
        API_Neig neig{};
        host.variance.NoiseField(neig.reserved);
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
    host.variance.NoiseField(header->reserved0);
    host.variance.NoiseField(header->reserved);
    header->typeID = element->type;
    header->variation = 0;
    header->layer = 1;
    header->floor = 0;
    return NoError;
}

} // namespace simhost
