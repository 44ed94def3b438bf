#pragma once

#include "api/HostApiRecords.h"
#include "import/PropertySets.h"

// Classifies the building material under "Quorvel Materials" and writes every property of the
// map onto it, creating missing groups and definitions. No host failure stops it.
void ApplyProperties(const API_Attribute& attribute, PropertySetMap sets);
// The group of that name, looked up or created; its GUID stays null when both failed.
API_PropertyGroup EnsurePropertyGroup(const GS::UniString& name);
// A new text-valued definition, not yet named, grouped or made available.
API_PropertyDefinition MakeDefaultDefinition();
