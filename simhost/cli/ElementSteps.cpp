// Steps that draw elements into the project as a user would.
#include "cli/LibrarySteps.h"
#include "cli/Script.h"
#include "model/Project.h"

#include <cmath>
#include <map>

namespace simhost {

using nlohmann::json;

namespace {

Int32 ElementTypeOf(const std::string& type) {
    static const std::map<std::string, Int32> types = {
        {"wall", ElemTypeWall}, {"slab", ElemTypeSlab}, {"roof", ElemTypeRoof}, {"object", ElemTypeObject}};
    auto t = types.find(type);
    if (t == types.end())
        throw ScriptError("field \"type\" must be wall, slab, roof or object, not \"" + type + "\"");
    return t->second;
}

// The element uses a building material: its reference names the material, the others stay 0.
void UseMaterial(StepContext& c, Element& e, const std::string& name) {
    Int32 index = c.host.project.attributes.MaterialIndexOf(name);
    if (index == 0)
        throw StepError("no building material is named \"" + name + "\"");
    OwnReference(e) = index;
}

// The structure kind a composite needs to be drawn as this element.
Int16 StructureKindFor(Int32 type) {
    switch (type) {
    case ElemTypeWall:
        return 1;
    case ElemTypeSlab:
        return 2;
    default:
        return 4;
    }
}

// The element uses a composite: its reference names the composite, whose skins its quantities
// follow.
void UseComposite(StepContext& c, Element& e, const std::string& name) {
    AttributeStore& store = c.host.project.attributes;
    Int32 index = store.CompositeIndexOf(name);
    if (index == 0)
        throw StepError("no composite is named \"" + name + "\"");
    const Composite& composite = *store.CompositeAt(index);
    if ((composite.structureKind & StructureKindFor(e.type)) == 0)
        throw StepError("composite \"" + name + "\" is not made for " + ElementTypeName(e.type).value_or("") +
                        " elements");
    if (composite.skins.empty())
        throw StepError("composite \"" + name + "\" has no skins to draw");
    OwnReference(e) = index;
    e.structure = Structure::Composite;
}

using AttributeUse = void (*)(StepContext&, Element&, const std::string&);
const std::map<std::string, AttributeUse>& AttributeKinds() {
    static const std::map<std::string, AttributeUse> kinds = {{"material", UseMaterial},
                                                              {"composite", UseComposite}};
    return kinds;
}

json Place(StepContext& c, const json& step) {
    Element e;
    e.type = ElementTypeOf(TextField(step, "type"));
    const json& area = Field(step, "area");
    if (!area.is_number())
        throw ScriptError("field \"area\" must be a number");
    e.area = area.get<double>();
    if (!std::isfinite(e.area) || e.area < 0)
        throw StepError("an element's area cannot be negative");
    if (step.contains("id"))
        e.id = TextField(step, "id");
    if (step.contains("quantitiesFail")) {
        if (!step.at("quantitiesFail").is_boolean())
            throw ScriptError("field \"quantitiesFail\" must be a boolean");
        e.quantitiesFail = step.at("quantitiesFail").get<bool>();
    }
    if (step.contains("libraryPart")) {
        std::string part = TextField(step, "libraryPart");
        if (e.type != ElemTypeObject)
            throw StepError("only objects place library parts");
        GS::Guid guid = PlaceLibraryPartObject(c.host, part, e.area, e.id);
        if (e.quantitiesFail)
            c.host.project.elements.Find(guid)->quantitiesFail = true;
        return {{"guid", guid.ToString()}};
    }
    if (e.type == ElemTypeObject)
        throw ScriptError("an object needs field \"libraryPart\"");
    std::string name = TextField(step, "attribute");
    std::string kind = TextField(step, "kind");
    auto use = AttributeKinds().find(kind);
    if (use == AttributeKinds().end())
        throw ScriptError("field \"kind\" must be material or composite, not \"" + kind + "\"");
    use->second(c, e, name);

    ElementStore& store = c.host.project.elements;
    if (e.id.empty())
        e.id = store.NextId(e.type);
    e.guid = GS::Guid::Generate();
    store.elements.push_back(e);
    return {{"guid", e.guid.ToString()}};
}

const bool elementStepsRegistered = RegisterStep("place", Place);

} // namespace

} // namespace simhost
