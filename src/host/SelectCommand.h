#pragma once

#include "api/HostApiRecords.h"

// The handler of the add-on's own module command 'SELE'.
GSErrCode OnSelectCommand(API_ModulParamsHandle params);
