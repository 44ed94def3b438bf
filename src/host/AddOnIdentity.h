#pragma once

#include "api/RegistrationRecords.h"

// The add-on's identifier pair, also stored as its identifier-pair resource.
constexpr API_ModulID AddOnIdentifier{1365918322u, 2009312553u};
constexpr GSResID AddOnResourceId = 32500;
constexpr GSResID AddOnNameStrings = 32000;
constexpr Int16 AddOnMenuId = 32500;
constexpr Int32 SelectCommandVersion = 1;
