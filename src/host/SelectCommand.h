#pragma once

#include "api/HostApiRecords.h"
#include "gs/UniString.h"

// Asks for the element to be selected later: posts the add-on's own command 'SELE' to itself,
// which the host delivers from its event loop to OnSelectCommand.
void PostSelectCommand(const GS::UniString& guidText, Int32 modification);

// The handler of the add-on's own module command 'SELE': selects the element the list names,
// adding it to the selection when "modification" is non-zero.
GSErrCode OnSelectCommand(API_ModulParamsHandle params);
