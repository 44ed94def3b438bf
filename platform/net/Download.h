#pragma once

#include "gs/Types.h"

// The operating system's blocking download of one address to one file.
using HRESULT = Int32;
constexpr HRESULT S_OK = 0;
// The transfer failed (no connection, timeout, TLS failure, an HTTP error status).
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = HRESULT(0x800C0008u);
// The target file could not be written.
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);

// Downloads `url` (http or https; TLS certificates and host names verified) to `fileName`, a path
// in the host's form ("\" separates like "/"). Blocks until the transfer has ended. The data are
// written to a temporary file beside the target and renamed into place only when the whole
// transfer succeeded: on failure the target is untouched. HTTP statuses of 400 and above are
// failures. `caller`, `reserved` and `callback` are not used.
HRESULT URLDownloadToFileA(void* caller, const char* url, const char* fileName, UInt32 reserved,
                           void* callback);

namespace Net {
// Connect and total timeouts, in seconds.
constexpr long ConnectTimeoutSeconds = 15;
constexpr long TransferTimeoutSeconds = 300;
} // namespace Net
