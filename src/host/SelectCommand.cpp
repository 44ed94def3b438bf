#include "host/SelectCommand.h"

GSErrCode OnSelectCommand(API_ModulParamsHandle /*params*/) {
    // Selecting from a posted command arrives with the selection exchange.
    return NoError;
}
