#include "runtime/BridgeGuard.h"

#include "gs/System.h"

#include <fstream>
#include <stdexcept>

namespace simhost {

BridgeGuard::BridgeGuard(std::string t, int p) : token(std::move(t)), port(std::to_string(p)) {}

bool BridgeGuard::IsOwnHost(std::string_view host) const {
    return host == "127.0.0.1:" + port || host == "localhost:" + port;
}

bool BridgeGuard::IsOwnOrigin(const std::optional<std::string>& origin) const {
    if (!origin)
        return true;
    return *origin == "http://127.0.0.1:" + port || *origin == "http://localhost:" + port;
}

bool BridgeGuard::IsToken(std::string_view candidate) const {
    if (token.empty() || candidate.size() != token.size())
        return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < token.size(); ++i)
        difference |= static_cast<unsigned char>(token[i] ^ candidate[i]);
    return difference == 0;
}

std::optional<std::string_view> BridgeGuard::TokenOfPath(std::string_view path) {
    if (path.size() < 2 || path[0] != '/')
        return std::nullopt;
    size_t end = path.find('/', 1);
    if (end == std::string_view::npos)
        return std::nullopt;
    return path.substr(1, end - 1);
}

std::string NewBridgeToken() {
    unsigned char bytes[16];
    GS::RandomBytes(bytes, sizeof bytes);
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token.push_back(digits[b >> 4]);
        token.push_back(digits[b & 15]);
    }
    return token;
}

} // namespace simhost
