#pragma once

#include "gs/Types.h"

// Codes the host answers. 0 is success.
constexpr GSErrCode NoError = 0;
// Entry point called before the host handed over its function table: the add-on's binding
// answers it, never the host.
constexpr GSErrCode ErrNotInitialised = GSErrCode(0x81060001u);
constexpr GSErrCode ErrOutOfMemory = GSErrCode(0x81060002u);
constexpr GSErrCode ErrBadParameter = GSErrCode(0x81060003u);
constexpr GSErrCode ErrBadIndex = GSErrCode(0x81060004u);
constexpr GSErrCode ErrBadHandle = GSErrCode(0x81060005u);
constexpr GSErrCode ErrNotFound = GSErrCode(0x81060006u);
constexpr GSErrCode ErrBadRecordKind = GSErrCode(0x81060007u);
constexpr GSErrCode ErrAlreadyRegistered = GSErrCode(0x81060008u);
constexpr GSErrCode ErrNotRegistered = GSErrCode(0x81060009u);
constexpr GSErrCode ErrBadSelector = GSErrCode(0x8106000Au);
constexpr GSErrCode ErrNoSection = GSErrCode(0x8106000Bu);
constexpr GSErrCode ErrBadFile = GSErrCode(0x8106000Cu);
// The index names an attribute that was deleted: its place stays, empty, and the indices of the
// others do not move.
constexpr GSErrCode ErrDeleted = GSErrCode(0x8106000Du);
// A failure the host names no more closely.
constexpr GSErrCode ErrGeneral = GSErrCode(0x8106000Eu);
constexpr GSErrCode ErrNameExists = GSErrCode(0x8106012Du);
// The host table has no entry for the operation.
constexpr GSErrCode ErrMissingEntry = GSErrCode(0x81060387u);
// File system: the folder to create exists already.
constexpr GSErrCode ErrFolderExists = GSErrCode(0x81010304u);
