#include "dg/Panel.h"

#include "gs/AddOnCode.h"
#include "gs/Exceptions.h"
#include "gs/MemoryManager.h"
#include "gs/Resources.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <memory>

namespace DG {

namespace {

nlohmann::json ReadJsonResource(GSType type, GSResModule module, GSResID id) {
    // The resource's handle is released on every path, also when its text finds no memory.
    std::unique_ptr<char*, void (*)(GSHandle)> handle(RSLoadResource(type, module, id),
                                                      [](GSHandle h) { BMKillHandle(&h); });
    if (handle == nullptr)
        return nullptr;
    std::string text(*handle, size_t(BMGetHandleSize(handle.get())));
    handle.reset();
    return nlohmann::json::parse(text, nullptr, false);
}

std::vector<Palette*>& PaletteRegister() {
    static std::vector<Palette*> live;
    return live;
}

} // namespace

void Item::Resize(Int32 dx, Int32 dy) {
    if (ItemState* s = panel.FindItem(index)) {
        s->width = std::max(0, s->width + dx);
        s->height = std::max(0, s->height + dy);
    }
}

void Item::Invalidate() {
    if (ItemState* s = panel.FindItem(index))
        ++s->invalidations;
}

Int32 Item::GetWidth() const {
    ItemState* s = panel.FindItem(index);
    return s ? s->width : 0;
}

Int32 Item::GetHeight() const {
    ItemState* s = panel.FindItem(index);
    return s ? s->height : 0;
}

Panel::Panel(GSResModule module, GSResID resourceId) {
    nlohmann::json dialog = ReadJsonResource(RT_Dialog, module, resourceId);
    if (!dialog.is_object())
        throw GS::Exception("no dialog resource " + std::to_string(resourceId));
    title = dialog.value("title", "");
    width = dialog.value("width", 0);
    height = dialog.value("height", 0);
    for (const auto& item : dialog.value("items", nlohmann::json::array()))
        items.push_back({item.value("index", Int16(0)),
                         item.value("kind", ""),
                         item.value("x", 0),
                         item.value("y", 0),
                         item.value("width", 0),
                         item.value("height", 0),
                         true,
                         0,
                         {}});
    nlohmann::json help = ReadJsonResource(RT_DialogHelp, module, resourceId);
    if (help.is_object()) {
        helpName = help.value("name", "");
        for (const auto& h : help.value("items", nlohmann::json::array()))
            if (ItemState* s = FindItem(h.value("index", Int16(0))))
                s->helpTexts = h.value("texts", std::vector<std::string>{});
    }
}

Panel::~Panel() = default;

void Panel::Attach(PanelObserver& observer) {
    observers.push_back(&observer);
}

void Panel::Detach(PanelObserver& observer) {
    observers.erase(std::remove(observers.begin(), observers.end(), &observer), observers.end());
}

void Panel::DisableItems() {
    for (auto& i : items)
        i.enabled = false;
}

void Panel::EnableItems() {
    for (auto& i : items)
        i.enabled = true;
}

ItemState* Panel::FindItem(Int16 index) {
    for (auto& i : items)
        if (i.index == index)
            return &i;
    return nullptr;
}

void Dialog::BeginMoveResizeItems() {
    movingItems = true;
}
void Dialog::EndMoveResizeItems() {
    movingItems = false;
}

void ModelessBase::Show(Int32 where) {
    lastShowValue = where;
    visible = true;
}
void ModelessBase::Hide() {
    visible = false;
}
void ModelessBase::BeginEventProcessing() {
    processing = true;
}
void ModelessBase::EndEventProcessing() {
    processing = false;
}

Palette::Palette(GSResModule module, GSResID resourceId, GSResModule /*iconModule*/, const GS::Guid& guid)
    : ModelessBase(module, resourceId), guid(guid) {
    PaletteRegister().push_back(this);
}

Palette::~Palette() {
    PaletteRegister().erase(std::remove(PaletteRegister().begin(), PaletteRegister().end(), this),
                            PaletteRegister().end());
}

void Palette::UserClose() {
    bool accepted = false;
    if (IsProcessingEvents()) {
        auto current = observers;
        GS::AddOnCodeScope addOn(true);
        for (PanelObserver* o : current)
            o->HandleCloseRequest(PanelCloseRequestEvent{}, &accepted);
    }
    if (accepted)
        Hide();
}

void Palette::UserResize(Int32 dx, Int32 dy) {
    width = std::max(0, width + dx);
    height = std::max(0, height + dy);
    if (!IsProcessingEvents())
        return;
    auto current = observers;
    GS::AddOnCodeScope addOn(true);
    for (PanelObserver* o : current)
        o->PanelResizing();
    for (PanelObserver* o : current)
        o->HandleResize(PanelResizeEvent(dx, dy));
    for (PanelObserver* o : current)
        o->PanelResizeExited();
}

std::vector<Palette*> Palette::LivePalettes() {
    return PaletteRegister();
}

} // namespace DG
