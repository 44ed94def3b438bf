#pragma once

#include "gs/Ref.h"
#include "gs/UniString.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace DG {

// A script value, function or object exchanged with the page. Reference-counted.
class JSBase {
public:
    virtual ~JSBase() = default;
};

class JSValue : public JSBase {
public:
    enum ValueType { UNDEFINED = 0, NULLTYPE = 1, BOOLEAN = 2, INTEGER = 3, DOUBLE = 4, STRING = 5 };

    JSValue() = default;
    explicit JSValue(bool value) : type(BOOLEAN), boolean(value) {}
    explicit JSValue(double value) : type(DOUBLE), number(value) {}
    explicit JSValue(const GS::UniString& value) : type(STRING), text(value) {}
    static GS::Ref<JSValue> Null();
    static GS::Ref<JSValue> Integer(Int32 value);

    ValueType GetType() const { return type; }
    bool GetBool() const { return boolean; }
    double GetDouble() const { return number; }
    const GS::UniString& GetString() const { return text; }

private:
    ValueType type = UNDEFINED;
    bool boolean = false;
    double number = 0.0;
    GS::UniString text;
};

class JSFunction : public JSBase {
public:
    using Callable = std::function<GS::Ref<JSBase>(GS::Ref<JSBase>)>;
    JSFunction(const GS::UniString& name, Callable callable) : name(name), callable(std::move(callable)) {}
    const GS::UniString& GetName() const { return name; }
    GS::Ref<JSBase> Call(GS::Ref<JSBase> argument) const { return callable(std::move(argument)); }

private:
    GS::UniString name;
    Callable callable;
};

class JSObject : public JSBase {
public:
    explicit JSObject(const GS::UniString& name) : name(name) {}
    const GS::UniString& GetName() const { return name; }
    bool AddItem(GS::Ref<JSBase> item);
    const std::vector<GS::Ref<JSBase>>& GetItems() const { return items; }
    GS::Ref<JSFunction> FindFunction(const GS::UniString& functionName) const;

private:
    GS::UniString name;
    std::vector<GS::Ref<JSBase>> items;
};

} // namespace DG
