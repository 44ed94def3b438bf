#include "runtime/BridgeGuard.h"

#include <gtest/gtest.h>

#include <set>

using simhost::BridgeGuard;

namespace {

const std::string Token = "0123456789abcdef0123456789abcdef";

TEST(SimhostBridgeGuard, OnlyThisServersOwnHostAndOriginPass) {
    BridgeGuard guard(Token, 41234);
    const std::pair<const char*, bool> hosts[] = {
        {"127.0.0.1:41234", true},       {"localhost:41234", true},   {"127.0.0.1", false},
        {"127.0.0.1:4123", false},       {"127.0.0.1:412345", false}, {"evil.example:41234", false},
        {"localhost.evil:41234", false}, {"LOCALHOST:41234", false},  {"", false},
        {"127.0.0.2:41234", false},      {"[::1]:41234", false},
    };
    for (const auto& [host, own] : hosts)
        EXPECT_EQ(guard.IsOwnHost(host), own) << host;

    const std::pair<std::optional<std::string>, bool> origins[] = {
        {std::nullopt, true},
        {"http://127.0.0.1:41234", true},
        {"http://localhost:41234", true},
        {"https://127.0.0.1:41234", false},
        {"http://127.0.0.1:41234/", false},
        {"http://127.0.0.1", false},
        {"http://evil.example:41234", false},
        {"null", false},
        {"", false},
    };
    for (const auto& [origin, own] : origins)
        EXPECT_EQ(guard.IsOwnOrigin(origin), own) << origin.value_or("(none)");
}

TEST(SimhostBridgeGuard, TheTokenMustMatchWholly) {
    BridgeGuard guard(Token, 1);
    EXPECT_TRUE(guard.IsToken(Token));
    for (std::string other :
         {std::string(), Token.substr(0, 31), Token + "0", std::string(32, '0'),
          std::string("1123456789abcdef0123456789abcdef"), std::string("0123456789abcdef0123456789abcdeF")})
        EXPECT_FALSE(guard.IsToken(other)) << other;
    EXPECT_FALSE(BridgeGuard("", 1).IsToken("")) << "an empty token admits nobody";
}

TEST(SimhostBridgeGuard, TheTokenLeadsThePath) {
    const std::pair<const char*, std::optional<std::string>> paths[] = {
        {"/abc/bridge/call", "abc"}, {"/abc/", "abc"}, {"/abc", std::nullopt},  {"/", std::nullopt},
        {"", std::nullopt},          {"//x", ""},      {"abc/x", std::nullopt},
    };
    for (const auto& [path, token] : paths) {
        auto found = BridgeGuard::TokenOfPath(path);
        ASSERT_EQ(found.has_value(), token.has_value()) << path;
        if (token) {
            EXPECT_EQ(std::string(*found), *token) << path;
        }
    }
}

TEST(SimhostBridgeGuard, EveryRunDrawsItsOwnToken) {
    std::set<std::string> tokens;
    for (int i = 0; i < 20; ++i) {
        std::string t = simhost::NewBridgeToken();
        ASSERT_EQ(t.size(), 32u);
        EXPECT_EQ(t.find_first_not_of("0123456789abcdef"), std::string::npos) << t;
        tokens.insert(t);
    }
    EXPECT_EQ(tokens.size(), 20u);
}

} // namespace
