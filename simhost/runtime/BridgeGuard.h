#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace simhost {

// The checks every request to `simhost serve` passes before it reaches the host: a page of
// another site must not drive the add-on, and neither may one that rebinds its own host name to
// 127.0.0.1 (it then sends its own name as Host and Origin).
class BridgeGuard {
public:
    BridgeGuard(std::string token, int port);

    const std::string& Token() const { return token; }

    // The Host header names this server: 127.0.0.1 or localhost with its port.
    bool IsOwnHost(std::string_view host) const;
    // No Origin (a top-level navigation or a non-browser client), or this server's own origin.
    bool IsOwnOrigin(const std::optional<std::string>& origin) const;
    // Compares in time independent of where the texts differ.
    bool IsToken(std::string_view candidate) const;
    // The token that leads the path ("/<token>/..."); nothing when the path has no such segment.
    static std::optional<std::string_view> TokenOfPath(std::string_view path);

private:
    std::string token;
    std::string port;
};

// A fresh token of 32 hexadecimal digits from /dev/urandom; throws std::runtime_error when the
// system's random source cannot be read.
std::string NewBridgeToken();

} // namespace simhost
