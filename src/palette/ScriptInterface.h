#pragma once

#include "dg/JS.h"

class BrowserPalette;

// Builds the script object "jsQuorvelInterface" with its seven functions and registers it with
// the palette's browser.
void RegisterScriptInterface(BrowserPalette& palette);

// The text of a script argument: a string value's text, the empty text for any other value or
// none; raises GS::ClassCastException ("Bad cast.") for something that is not a value.
GS::UniString ArgumentText(const GS::Ref<DG::JSBase>& argument);
