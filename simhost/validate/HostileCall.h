#pragma once

#include "model/Project.h"
#include "validate/AddOnSession.h"

#include <nlohmann/json.hpp>

#include <string>

namespace simhost::validate {

// One script call with an input the page should never send, judged: it answers (a value or a
// script error) within the time and memory limits, a refused call leaves the project holding
// everything it held (additions only), the project stays one the host can save and read back,
// and no download lands outside the user's temporary folder.
// The project every hostile call starts from: each is judged on its own, against the same project,
// and the project does not grow with the catalogue.
struct ProjectBaseline {
    explicit ProjectBaseline(const Project& project);
    Project project;
    nlohmann::json text;
};

struct HostileCallResult {
    nlohmann::json line;
    double seconds = 0;
    bool refused = false; // answered a script error
};
HostileCallResult CallHostile(AddOnSession& session, const ProjectBaseline& baseline,
                              const std::string& function, const nlohmann::json& argument,
                              const std::string& label);

// Where `after` lost or altered something `before` held; empty when it holds all of it. Arrays
// may grow at their end, objects may gain members.
std::string FirstLoss(const nlohmann::json& before, const nlohmann::json& after,
                      const std::string& path = "");

// Gives every "name" and "Name" text in the product a suffix, so that an import under test
// cannot modify what an earlier one made.
void Uniquify(nlohmann::json& product, const std::string& suffix);

} // namespace simhost::validate
