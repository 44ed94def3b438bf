#pragma once

#include "gs/Guid.h"

// The palette's identity towards the host.
inline const GS::Guid paletteGuid{"766cab9a-f04e-4a1d-bb79-5987b4dc8320"};
