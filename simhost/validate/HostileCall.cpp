#include "validate/HostileCall.h"

#include "model/Project.h"
#include "runtime/System.h"

#include <chrono>
#include <filesystem>

namespace simhost::validate {

using nlohmann::json;

namespace {

long PeakKiB() {
    return sys::PeakMemoryKiB();
}

// The processor time this process has used: what a call costs, which the machine's load does not
// inflate as it inflates the time on the clock.
double ProcessorSeconds() {
    return sys::ProcessorSeconds();
}

std::string Short(const std::string& text) {
    return text.size() > 160 ? text.substr(0, 160) + "…" : text;
}

// Files in the session's folder beside the served files, the downloads and the library.
std::vector<std::string> StrayFiles(const std::filesystem::path& folder) {
    std::vector<std::string> stray;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::string name = entry.path().filename().string();
        if (name != "served" && name != "downloads" && name != "library")
            stray.push_back(entry.path().string());
    }
    return stray;
}

} // namespace

std::string FirstLoss(const json& before, const json& after, const std::string& path) {
    if (before.is_object()) {
        if (!after.is_object())
            return path + " is no longer an object";
        for (const auto& [key, value] : before.items()) {
            if (!after.contains(key))
                return path + "/" + key + " is gone";
            if (std::string loss = FirstLoss(value, after.at(key), path + "/" + key); !loss.empty())
                return loss;
        }
        return {};
    }
    if (before.is_array()) {
        if (!after.is_array() || after.size() < before.size())
            return path + " lost entries";
        for (size_t i = 0; i < before.size(); ++i)
            if (std::string loss = FirstLoss(before[i], after[i], path + "/" + std::to_string(i));
                !loss.empty())
                return loss;
        return {};
    }
    if (before != after)
        return path + " changed from " + Short(before.dump()) + " to " + Short(after.dump());
    return {};
}

void Uniquify(json& product, const std::string& suffix) {
    if (product.is_object()) {
        for (auto& [key, value] : product.items()) {
            if ((key == "name" || key == "Name") && value.is_string() && key != "propertySets")
                value = value.get<std::string>() + suffix;
            else if (key != "propertySets" && key != "image")
                Uniquify(value, suffix);
        }
    } else if (product.is_array()) {
        for (auto& value : product)
            Uniquify(value, suffix);
    }
}

ProjectBaseline::ProjectBaseline(const Project& p) : project(p), text(ProjectToJson(p)) {}

HostileCallResult CallHostile(AddOnSession& s, const ProjectBaseline& baseline, const std::string& function,
                              const json& argument, const std::string& label) {
    const Options& o = s.Settings();
    s.host.project = baseline.project;
    const json& before = baseline.text;
    long peak = PeakKiB();
    size_t problemsBefore = s.problems.size();
    auto start = std::chrono::steady_clock::now();
    const double processorStart = ProcessorSeconds();
    HostileCallResult r;
    r.line = s.Call(function, argument);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double processorSeconds = ProcessorSeconds() - processorStart;
    std::string where = function + " (" + label + ")";
    for (size_t i = problemsBefore; i < s.problems.size(); ++i)
        s.problems[i] = where + ": " + s.problems[i];
    if (!r.line.contains("function")) {
        s.problems.push_back(where + ": the call could not be made: " + r.line.value("error", std::string()));
        return r;
    }
    r.refused = r.line.contains("error");
    if (processorSeconds > o.callLimit)
        s.problems.push_back(where + " took " + std::to_string(processorSeconds) + " s of processor time");
    long grown = PeakKiB() - peak;
    if (grown > long(o.memoryLimitMiB) * 1024)
        s.problems.push_back(where + " made the peak memory grow by " + std::to_string(grown / 1024) +
                             " MiB");
    json after = ProjectToJson(s.host.project);
    if (r.refused)
        if (std::string loss = FirstLoss(before, after); !loss.empty())
            s.problems.push_back(where + " answered a script error but the project's " + loss);
    try {
        (void)ProjectFromJson(after, "the project after " + where); // only whether it reads
    } catch (const std::exception& e) {
        s.problems.push_back(where + " left a project the host cannot read back: " + e.what());
    }
    for (const auto& stray : StrayFiles(s.Folder())) {
        s.problems.push_back(where + " wrote " + stray + " outside the user's temporary folder");
        std::error_code ignored;
        std::filesystem::remove_all(stray, ignored);
    }
    return r;
}

} // namespace simhost::validate
