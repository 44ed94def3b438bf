#pragma once

#include "gs/Types.h"

#include <string>
#include <string_view>

// The operating system's blocking download of one address to one file: on Windows urlmon's own
// functions, elsewhere a stand-in of them over libcurl.
#ifdef _WIN32
using HRESULT = long;
extern "C" {
__declspec(dllimport) HRESULT
    __stdcall URLDownloadToFileA(void* caller, const char* url, const char* fileName, unsigned long reserved,
                                 void* callback);
__declspec(dllimport) HRESULT
    __stdcall URLDownloadToFileW(void* caller, const wchar_t* url, const wchar_t* fileName,
                                 unsigned long reserved, void* callback);
}
#ifndef S_OK
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = HRESULT(0x80004005L);
#endif
#else
using HRESULT = Int32;
constexpr HRESULT S_OK = 0;
// The transfer failed (no connection, timeout, TLS failure, an HTTP error status).
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = HRESULT(0x800C0008u);
// The target file could not be written.
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);

// Downloads `url` (http or https; TLS certificates and host names verified) to `fileName`, a path
// in the host's form ("\" separates like "/") in UTF-8. Blocks until the transfer has ended. The
// data are written to a temporary file beside the target and put in its place only when the
// whole transfer succeeded: on failure the target is untouched. HTTP statuses of 400 and above
// are failures. `caller`, `reserved` and `callback` are not used.
HRESULT URLDownloadToFileA(void* caller, const char* url, const char* fileName, UInt32 reserved,
                           void* callback);
// The same, with the texts in wide characters.
HRESULT URLDownloadToFileW(void* caller, const wchar_t* url, const wchar_t* fileName, UInt32 reserved,
                           void* callback);

namespace Net {
// Connect and total timeouts, in seconds.
constexpr long ConnectTimeoutSeconds = 15;
constexpr long TransferTimeoutSeconds = 300;
} // namespace Net
#endif
