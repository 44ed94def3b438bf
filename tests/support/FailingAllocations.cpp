#include "support/FailingAllocations.h"

#include "gs/AddOnCode.h"
#include "runtime/AllocationFaults.h"
#include "validate/ChildProcess.h"

#include <exception>
#include <new>

namespace testing_support {

using namespace simhost::validate;
namespace allocations = simhost::allocations;

namespace {

[[noreturn]] void Unfailable() {
    try {
        if (auto e = std::current_exception())
            std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        AnswerAndExit({Outcome::Skipped, "unfailable", {}, {}, {}});
    } catch (...) {
    }
    std::abort();
}

} // namespace

AllocationFailures FailEachAllocation(const std::function<void()>& attempt, bool mayThrow,
                                      const std::function<std::string()>& check) {
    AllocationFailures found;
    if (!allocations::Seen()) {
        found.faults.push_back("this program does not see its allocations");
        return found;
    }
    for (UInt64 k = 1;; ++k) {
        Children children;
        if (children.Fork(false) < 0) {
            std::set_terminate(Unfailable);
            std::string problem;
            allocations::Start([k](UInt64 n) { return n == k; });
            try {
                attempt();
            } catch (const std::exception& e) {
                if (!mayThrow)
                    problem = std::string("an exception left: ") + e.what();
            }
            bool met = allocations::Count() >= k;
            allocations::Stop();
            try {
                if (problem.empty() && check)
                    problem = check();
            } catch (const std::exception& e) {
                problem = std::string("an exception left the check: ") + e.what();
            }
            AnswerAndExit(
                {problem.empty() ? Outcome::Passed : Outcome::Failed, problem, {}, {}, {{"met", met}}});
        }
        CheckResult r = children.WaitAny(60, nullptr).second;
        if (r.outcome == Outcome::Passed && !r.data.at("met").get<bool>()) {
            found.allocations = k - 1;
            return found;
        }
        if (r.outcome == Outcome::Skipped)
            ++found.unfailable;
        else if (r.outcome != Outcome::Passed)
            found.faults.push_back("allocation " + std::to_string(k) + ": " + OutcomeText(r.outcome) + " " +
                                   r.detail);
        if (found.faults.size() > 20)
            return found;
    }
}

} // namespace testing_support
