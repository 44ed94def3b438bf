#pragma once

#include "dg/JS.h"
#include "dg/Panel.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace DG {

class BrowserBase;

// What a before-download handler receives; the handler writes its answer into `text`.
struct BrowserBeforeDownloadArg {
    BrowserBase* source = nullptr;
    GS::UniString url;
    Int64 reserved = 0;
    GS::UniString text;
};
static_assert(offsetof(BrowserBeforeDownloadArg, text) == 32, "the text member sits at byte 32");

// The answer of a script call made on the page's behalf: the returned value, or the message of
// what left the function.
struct JSCallResult {
    GS::Ref<JSBase> value;
    std::optional<std::string> error;
};

class BrowserBase {
public:
    using BeforeDownloadHandler = std::function<bool(BrowserBase&, BrowserBeforeDownloadArg&)>;

    BrowserBase();
    virtual ~BrowserBase();
    BrowserBase(const BrowserBase&) = delete;
    BrowserBase& operator=(const BrowserBase&) = delete;

    void LoadURL(const GS::UniString& url);
    bool RegisterJSObject(GS::Ref<JSObject> object);
    void AddBeforeDownloadHandler(BeforeDownloadHandler handler);

    const GS::UniString& GetURL() const { return url; }
    Int32 LoadCount() const { return loads; }
    const std::vector<GS::Ref<JSObject>>& RegisteredObjects() const { return objects; }

    // The page calls a function of a registered object; whatever leaves the function is caught
    // and handed back as the script error's message.
    JSCallResult CallFunction(const std::string& objectName, const std::string& functionName,
                              GS::Ref<JSBase> argument);
    // The page asks to download `address`; answers whether a handler allowed it, and the text
    // the handlers wrote.
    std::pair<bool, GS::UniString> RequestDownload(const GS::UniString& address);

    static std::vector<BrowserBase*> LiveBrowsers();

private:
    GS::UniString url;
    Int32 loads = 0;
    std::vector<GS::Ref<JSObject>> objects;
    std::vector<BeforeDownloadHandler> beforeDownload;
};

// A browser on an item of a panel.
class Browser : public BrowserBase, public Item {
public:
    Browser(Panel& panel, Int16 item) : Item(panel, item) {}
};

} // namespace DG
