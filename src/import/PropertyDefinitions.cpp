#include "import/PropertyDefinitions.h"

#include "host/HostApi.h"
#include "import/Classification.h"

#include <string>
#include <unordered_map>

namespace {

GSErrCode FindOrCreateGroup(void* context) {
    auto* group = static_cast<API_PropertyGroup*>(context);
    if (HostApi::GetPropertyGroup(group) != NoError)
        return HostApi::CreatePropertyGroup(group);
    return HostApi::GetPropertyGroup(group);
}

GSErrCode CreateDefinition(void* context) {
    return HostApi::CreatePropertyDefinition(static_cast<API_PropertyDefinition*>(context));
}

void SetText(API_PropertyValue& value, const GS::UniString& text) {
    value.singleVariant.variant.type = PropertyValueText;
    value.singleVariant.variant.uniStringValue = text;
}

} // namespace

API_PropertyDefinition MakeDefaultDefinition() {
    API_PropertyDefinition d{};
    d.definitionType = PropertyDefinitionCustom;
    d.collectionType = PropertyCollectionSingle;
    d.valueType = PropertyValueText;
    d.measureType = PropertyMeasureDefault;
    SetText(d.defaultValue, GS::UniString());
    d.defaultValue.variantStatus = PropertyStatusNormal;
    d.expressionDefault = false;
    d.canValueBeEditable = false;
    return d;
}

API_PropertyGroup EnsurePropertyGroup(const GS::UniString& name) {
    API_PropertyGroup group{};
    group.groupType = PropertyGroupCustom;
    group.name = name;
    if (name.IsEmpty())
        return group; // the host makes no group without a name: its properties find none
    const GS::UniString command("Create Group");
    (void)HostApi::RunUndoableCommand(&command, FindOrCreateGroup, &group); // the GUID tells
    return group;
}

void ApplyProperties(const API_Attribute& attribute, PropertySetMap sets) {
    const API_AttributeHeader& header = attribute.header;
    const API_Guid item = EnsureClassificationItem(EnsureClassificationSystem());
    // Results ignored: an unclassified material still gets its values written.
    (void)HostApi::AddAttributeClassification(&header, &item);
    (void)HostApi::SetAttributeClassification(&header, &item);

    // Fetched once and kept current below: a list fetched per property made an import cost
    // the square of its property count. First definition of a name wins, as a search in order.
    std::unordered_map<std::u16string, API_PropertyDefinition> byName;
    {
        GS::Array<API_PropertyDefinition> definitions;
        // None read: each property is then created; one the host has already fails alone.
        (void)HostApi::GetAttributePropertyDefinitions(&header, PropertyFilterAvailable, &definitions);
        for (auto& d : definitions)
            byName.try_emplace(std::u16string(d.name.View()), std::move(d));
    }

    for (const auto& [setName, properties] : sets) {
        const API_PropertyGroup group = EnsurePropertyGroup(GS::UniString(setName, CC_UTF8));
        for (const auto& [propertyName, valueText] : properties) {
            const GS::UniString name(propertyName, CC_UTF8);
            std::u16string key(name.View());
            const auto found = byName.find(key);
            API_Property property{};
            if (found != byName.end()) {
                (void)HostApi::GetAttributePropertyValue(&header, &found->second.guid,
                                                         &property); // the value is replaced
                property.definition = found->second;
            } else {
                property.definition = MakeDefaultDefinition();
            }
            property.definition.groupGuid = group.guid;
            property.definition.name = name;
            property.definition.canValueBeEditable = true;
            property.definition.availability.Push(item);
            property.isDefault = false;
            SetText(property.value, GS::UniString("default"));
            if (found == byName.end()) {
                const GS::UniString command("CreateDefinition");
                // A failed creation leaves the null GUID; the value write below then fails too,
                // and the next property of that name tries to create it again.
                // Nor is one without a name asked for: the host makes none.
                if (!name.IsEmpty() &&
                    HostApi::RunUndoableCommand(&command, CreateDefinition, &property.definition) == NoError)
                    byName.emplace(std::move(key), property.definition);
            }
            SetText(property.value, GS::UniString(valueText, CC_UTF8));
            (void)HostApi::SetAttributePropertyValue(&header, &property); // ignored: nothing to fall back on
        }
    }
}
