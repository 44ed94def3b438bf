#pragma once

#include "dg/Browser.h"
#include "dg/Panel.h"
#include "gs/Ref.h"

// The add-on's one window: a modeless palette holding the browser with the web application.
class BrowserPalette : public DG::Palette, public DG::PanelObserver {
public:
    BrowserPalette();
    ~BrowserPalette() override;

    DG::Browser& GetBrowser() { return browser; }

    void HandleCloseRequest(const DG::PanelCloseRequestEvent& event, bool* accepted) override;
    void HandleResize(const DG::PanelResizeEvent& event) override;

private:
    DG::Browser browser;
};

// The web application's address: scheme and host name.
extern const char* const webAppAddress;
constexpr GSResID PaletteResourceId = 32500;
constexpr Int16 BrowserItem = 1;

bool HasPalette();
// Raises GS::NullReferenceException ("Null reference.") when there is no palette.
BrowserPalette& GetPalette();
// Builds the palette and stores it as the palette instance; does not show it.
void CreatePalette();
void ShowPalette(BrowserPalette& palette);
// Builds the palette when there is none, then shows it (unless it could not be built).
void OpenPalette();
void HidePalette(BrowserPalette& palette);
bool OnBeforeDownload(DG::BrowserBase& browser, DG::BrowserBeforeDownloadArg& argument);
// At unload: the palette instance is released.
void ReleasePalette();
