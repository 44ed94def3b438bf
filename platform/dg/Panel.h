#pragma once

#include "gs/Guid.h"
#include "gs/Types.h"
#include "gs/UniString.h"

#include <string>
#include <vector>

// The host's dialog toolkit: panels, their items and observers, modeless palettes.
namespace DG {

class Panel;

class Item {
public:
    Item(Panel& panel, Int16 index) : panel(panel), index(index) {}
    virtual ~Item() = default;
    Int16 GetIndex() const { return index; }
    Panel& GetPanel() const { return panel; }
    void Resize(Int32 dx, Int32 dy);
    void Invalidate();
    Int32 GetWidth() const;
    Int32 GetHeight() const;

private:
    Panel& panel;
    Int16 index;
};

class PanelCloseRequestEvent {};

class PanelResizeEvent {
public:
    PanelResizeEvent(Int32 dx, Int32 dy) : dx(dx), dy(dy) {}
    Int32 GetHorizontalChange() const { return dx; }
    Int32 GetVerticalChange() const { return dy; }

private:
    Int32 dx;
    Int32 dy;
};

// Receives a panel's notifications; every one does nothing unless overridden.
class PanelObserver {
public:
    virtual ~PanelObserver() = default;
    virtual void PanelOpened() {}
    virtual void PanelClosed() {}
    virtual void HandleCloseRequest(const PanelCloseRequestEvent&, bool* /*accepted*/) {}
    virtual void PanelResizing() {}
    virtual void HandleResize(const PanelResizeEvent&) {}
    virtual void PanelResizeExited() {}
};

struct ItemState {
    Int16 index = 0;
    std::string kind;
    Int32 x = 0, y = 0, width = 0, height = 0;
    bool enabled = true;
    Int32 invalidations = 0;
    std::vector<std::string> helpTexts;
};

// A panel built from a dialog resource of a module.
class Panel {
public:
    Panel(GSResModule module, GSResID resourceId);
    virtual ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    void Attach(PanelObserver& observer);
    void Detach(PanelObserver& observer);
    void DisableItems();
    void EnableItems();

    const std::string& GetTitle() const { return title; }
    Int32 GetWidth() const { return width; }
    Int32 GetHeight() const { return height; }
    const std::string& GetHelpName() const { return helpName; }
    ItemState* FindItem(Int16 index);
    const std::vector<ItemState>& Items() const { return items; }

protected:
    std::vector<PanelObserver*> observers;
    std::string title;
    Int32 width = 0;
    Int32 height = 0;
    std::string helpName;
    std::vector<ItemState> items;
};

class Dialog : public Panel {
public:
    using Panel::Panel;
    void BeginMoveResizeItems();
    void EndMoveResizeItems();
    bool IsMovingItems() const { return movingItems; }

private:
    bool movingItems = false;
};

class ModelessBase : public Dialog {
public:
    using Dialog::Dialog;
    void Show(Int32 where = 0);
    void Hide();
    bool IsVisible() const { return visible; }
    void BeginEventProcessing();
    void EndEventProcessing();
    bool IsProcessingEvents() const { return processing; }
    Int32 LastShowValue() const { return lastShowValue; }

private:
    bool visible = false;
    bool processing = false;
    Int32 lastShowValue = 0;
};

// A modeless palette registered under a guid. The host reaches the live palettes to play the
// user's part: closing the window and resizing it.
class Palette : public ModelessBase {
public:
    Palette(GSResModule module, GSResID resourceId, GSResModule iconModule, const GS::Guid& guid);
    ~Palette() override;

    const GS::Guid& GetGuid() const { return guid; }

    // The user's close control: the palette closes (hides) when an observer accepts the request.
    void UserClose();
    // The user drags the palette's size by dx, dy.
    void UserResize(Int32 dx, Int32 dy);

    static std::vector<Palette*> LivePalettes();

private:
    GS::Guid guid;
};

} // namespace DG
