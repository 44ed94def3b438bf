#include "dg/Browser.h"

#include "gs/AddOnCode.h"

#include <algorithm>

namespace DG {

namespace {
std::vector<BrowserBase*>& BrowserRegister() {
    static std::vector<BrowserBase*> live;
    return live;
}
} // namespace

BrowserBase::BrowserBase() {
    BrowserRegister().push_back(this);
}

BrowserBase::~BrowserBase() {
    BrowserRegister().erase(std::remove(BrowserRegister().begin(), BrowserRegister().end(), this),
                            BrowserRegister().end());
}

void BrowserBase::LoadURL(const GS::UniString& address) {
    url = address;
    ++loads;
}

bool BrowserBase::RegisterJSObject(GS::Ref<JSObject> object) {
    if (object.IsNull())
        return false;
    for (const auto& o : objects)
        if (o->GetName() == object->GetName())
            return false;
    objects.push_back(std::move(object));
    return true;
}

void BrowserBase::AddBeforeDownloadHandler(BeforeDownloadHandler handler) {
    beforeDownload.push_back(std::move(handler));
}

JSCallResult BrowserBase::CallFunction(const std::string& objectName, const std::string& functionName,
                                       GS::Ref<JSBase> argument) {
    JSCallResult result;
    for (const auto& o : objects) {
        if (o->GetName().ToCStr(CC_UTF8) != objectName)
            continue;
        GS::Ref<JSFunction> function = o->FindFunction(GS::UniString(functionName, CC_UTF8));
        if (function.IsNull())
            break;
        try {
            GS::AddOnCodeScope addOn(true);
            result.value = function->Call(std::move(argument));
        } catch (const std::exception& e) {
            result.error = e.what();
        } catch (...) {
            result.error = "unknown exception";
        }
        return result;
    }
    result.error = objectName + "." + functionName + " is not a function";
    return result;
}

std::pair<bool, GS::UniString> BrowserBase::RequestDownload(const GS::UniString& address) {
    BrowserBeforeDownloadArg arg;
    arg.source = this;
    arg.url = address;
    bool allowed = false;
    GS::AddOnCodeScope addOn(true);
    for (auto& handler : beforeDownload)
        allowed = handler(*this, arg) || allowed;
    return {allowed, arg.text};
}

std::vector<BrowserBase*> BrowserBase::LiveBrowsers() {
    return BrowserRegister();
}

} // namespace DG
