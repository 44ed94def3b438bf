#include "dg/JS.h"

namespace DG {

GS::Ref<JSValue> JSValue::Null() {
    GS::Ref<JSValue> v(new JSValue());
    v->type = NULLTYPE;
    return v;
}

GS::Ref<JSValue> JSValue::Integer(Int32 value) {
    GS::Ref<JSValue> v(new JSValue(double(value)));
    v->type = INTEGER;
    return v;
}

bool JSObject::AddItem(GS::Ref<JSBase> item) {
    if (item.IsNull())
        return false;
    items.push_back(std::move(item));
    return true;
}

GS::Ref<JSFunction> JSObject::FindFunction(const GS::UniString& functionName) const {
    for (const auto& item : items) {
        auto function = std::dynamic_pointer_cast<JSFunction>(item.Shared());
        if (function && function->GetName() == functionName)
            return GS::Ref<JSFunction>(function);
    }
    return GS::Ref<JSFunction>();
}

} // namespace DG
