#pragma once

#include "dg/Browser.h"
#include "runtime/Host.h"

namespace simhost {

// The add-on's palette: the live palette whose guid the add-on registered; null when none.
DG::Palette* FindAddOnPalette(const Host& host);
// The browser on that palette; null when none.
DG::BrowserBase* FindPaletteBrowser(DG::Palette* palette);

} // namespace simhost
