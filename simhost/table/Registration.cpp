// Registration and events: what the add-on declares and installs, and the menu item flags.
#include "gs/Resources.h"
#include "table/Operations.h"

namespace simhost {

GSErrCode ops::RegisterModuleCommand(GSType command, Int32 version) {
    Host& host = CurrentHost();
    if (host.addOn.FindCommand(command, version) != nullptr)
        return ErrAlreadyRegistered;
    host.addOn.commands.push_back({command, version, nullptr});
    return NoError;
}

GSErrCode ops::RegisterMenu(Int16 menuResID, Int16 /*promptResID*/, Int32 /*menuCode*/, Int32 /*menuFlags*/) {
    Host& host = CurrentHost();
    if (host.addOn.FindMenu(menuResID) != nullptr)
        return ErrAlreadyRegistered;
    // The menu comes from the add-on's string list of the same id: its title, its prompt, then
    // one string per item. Text after the first '^' is a control suffix, not shown.
    Menu menu;
    menu.resourceId = menuResID;
    std::vector<std::string> strings;
    GS::UniString text;
    for (Int32 i = 1; RSGetIndString(&text, menuResID, i, host.addOn.resourceModule); ++i)
        strings.push_back(text.ToCStr(CC_UTF8));
    if (strings.size() < 3)
        return ErrNotFound;
    menu.title = strings[0];
    menu.prompt = strings[1];
    for (size_t i = 2; i < strings.size(); ++i)
        menu.items.push_back({strings[i].substr(0, strings[i].find('^')), 0});
    host.addOn.menus.push_back(std::move(menu));
    return NoError;
}

GSErrCode ops::InstallModuleCommandHandler(API_AddOnHandle, GSType command, Int32 version,
                                           APIModuleCommandProc handler) {
    ModuleCommand* declared = CurrentHost().addOn.FindCommand(command, version);
    if (declared == nullptr)
        return ErrNotRegistered;
    if (handler == nullptr)
        return ErrBadParameter;
    declared->handler = handler;
    return NoError;
}

GSErrCode ops::InstallMenuHandler(API_AddOnHandle, Int16 menuResID, APIMenuCommandProc handler) {
    Menu* menu = CurrentHost().addOn.FindMenu(menuResID);
    if (menu == nullptr)
        return ErrNotRegistered;
    if (handler == nullptr)
        return ErrBadParameter;
    menu->handler = handler;
    return NoError;
}

GSErrCode ops::RegisterPalette(API_AddOnHandle, Int32 referenceId, APIPaletteControlCallBackProc handler,
                               Int32 flags, const API_Guid* guid) {
    Host& host = CurrentHost();
    if (guid == nullptr || guid->IsNull() || handler == nullptr)
        return ErrBadParameter;
    for (const auto& p : host.addOn.palettes)
        if (p.guid == *guid)
            return ErrAlreadyRegistered;
    host.addOn.palettes.push_back({referenceId, handler, flags, *guid});
    return NoError;
}

GSErrCode ops::CatchProjectEvents(API_AddOnHandle, Int32 eventMask, APIProjectEventHandlerProc handler) {
    Host& host = CurrentHost();
    host.addOn.eventMask = handler ? eventMask : 0;
    host.addOn.eventHandler = handler;
    return NoError;
}

GSErrCode ops::KeepLoaded(API_AddOnHandle, bool keep) {
    CurrentHost().addOn.keepLoaded = keep;
    return NoError;
}

namespace {

MenuItem* FindItem(Host& host, const API_MenuItemRef* ref) {
    if (ref == nullptr)
        return nullptr;
    Menu* menu = host.addOn.FindMenu(ref->menuResID);
    if (menu == nullptr || ref->itemIndex < 1 || size_t(ref->itemIndex) > menu->items.size())
        return nullptr;
    return &menu->items[size_t(ref->itemIndex) - 1];
}

} // namespace

GSErrCode requests::GetMenuItemFlags(Host& host, const API_MenuItemRef* ref, UInt32* flags) {
    if (flags == nullptr)
        return ErrBadParameter;
    MenuItem* item = FindItem(host, ref);
    if (item == nullptr)
        return ErrNotFound;
    *flags = item->flags;
    return NoError;
}

GSErrCode requests::SetMenuItemFlags(Host& host, const API_MenuItemRef* ref, const UInt32* flags) {
    if (flags == nullptr)
        return ErrBadParameter;
    MenuItem* item = FindItem(host, ref);
    if (item == nullptr)
        return ErrNotFound;
    item->flags = *flags;
    return NoError;
}
} // namespace simhost
