// Child-process supervision where the system cannot fork (Windows): simhost validate runs each
// check in a fresh simhost process of its own (Runner.cpp), and what a check isolates inside it
// runs in that same process, one after the other. A crash there ends the check's process, which
// the validator reports as the check's crash.
#include "validate/ChildProcess.h"

#include "runtime/HostCosts.h"
#include "runtime/System.h"
#include "validate/Report.h"

#include <deque>
#include <iostream>
#include <stdexcept>

namespace simhost::validate {

namespace {

bool reportsToParent = false;

CheckResult Guarded(const std::function<CheckResult()>& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        return {Outcome::Failed, std::string("the check stopped on an exception: ") + e.what(), {}, {}, {}};
    } catch (...) {
        return {Outcome::Failed, "the check stopped on an exception of unknown type", {}, {}, {}};
    }
}

// Results of bodies Spawn ran, in the order WaitAny hands them out.
std::deque<std::pair<int, CheckResult>>& Finished(const Children* owner) {
    static std::map<const Children*, std::deque<std::pair<int, CheckResult>>> finished;
    return finished[owner];
}

} // namespace

bool CanFork() {
    return false;
}

void ReportToParent() {
    reportsToParent = true;
}

void ReportProgress(const std::string& what) {
    if (reportsToParent)
        std::cout << "P " << OneLine(what) << std::endl;
}

std::filesystem::path MakeSessionFolder(const std::string& kind) {
    return sys::MakeUniqueFolder(std::filesystem::temp_directory_path(),
                                 "simhost-validate-" + std::to_string(sys::ProcessId()) + "-" + kind);
}

struct Children::Child {};

Children::Children() : owner(0) {}

Children::~Children() {
    Finished(this).clear();
}

int Children::Fork(bool) {
    throw std::runtime_error("this system cannot fork");
}

int Children::Spawn(const std::function<CheckResult()>& body, bool) {
    Finished(this).emplace_back(next, Guarded(body));
    return next++;
}

size_t Children::Running() const {
    return Finished(this).size();
}

std::pair<int, CheckResult> Children::WaitAny(double, const std::function<void(int, const std::string&)>&) {
    auto& finished = Finished(this);
    if (finished.empty())
        throw std::logic_error("no child to wait for");
    auto first = std::move(finished.front());
    finished.pop_front();
    return first;
}

void AnswerAndExit(const CheckResult& result) {
    nlohmann::json answer = ResultToJson(result);
    answer["hostCostSpent"] = CostAccountJson(HostCosts::SpentInProcess());
    std::cout << "R " << answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
    std::exit(0);
}

CheckResult RunInChild(const std::function<CheckResult()>& body, double, bool,
                       const std::function<void(const std::string&)>&) {
    return Guarded(body);
}

} // namespace simhost::validate
