#include "net/Download.h"

#include "gs/AddOnCode.h"
#include "gs/UniString.h"
#include "io/File.h"
#include "io/Location.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

} // namespace

HRESULT URLDownloadToFileA(void*, const char* url, const char* fileName, UInt32, void*) {
    if (url == nullptr || fileName == nullptr || *url == 0 || *fileName == 0)
        return E_INVALIDARG;
    GS::AddOnCodeScope system(false); // the operating system's work from here on, not the add-on's
    InitialiseOnce();
    std::string target = IO::HostPathToNative(fileName);
    std::string temporary;
    std::FILE* file = IO::CreateFileBeside(target, temporary);
    if (file == nullptr)
        return E_FAIL;

    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        std::fclose(file);
        IO::Discard(temporary);
        return E_FAIL;
    }
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, Net::ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, Net::TransferTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    bool written = !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    bool transferred = result == CURLE_OK && status < 400;
    if (!transferred || !written) {
        IO::Discard(temporary);
        return transferred ? E_FAIL : INET_E_DOWNLOAD_FAILURE;
    }
    return IO::PutInPlace(temporary, target) == 0 ? S_OK : E_FAIL;
}

HRESULT URLDownloadToFileW(void* caller, const wchar_t* url, const wchar_t* fileName, UInt32 reserved,
                           void* callback) {
    if (url == nullptr || fileName == nullptr)
        return E_INVALIDARG;
    return URLDownloadToFileA(caller, GS::WideToUtf8(url).c_str(), GS::WideToUtf8(fileName).c_str(), reserved,
                              callback);
}
