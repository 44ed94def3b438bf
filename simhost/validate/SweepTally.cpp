#include "validate/SweepTally.h"

namespace simhost::validate {

using nlohmann::json;

namespace {

int Severity(Outcome o) {
    return o == Outcome::Crashed ? 3 : o == Outcome::TimedOut ? 2 : o == Outcome::Failed ? 1 : 0;
}

std::string Described(const std::string& name, const CheckResult& r) {
    return name + ": " + OutcomeText(r.outcome) + (r.signal.empty() ? "" : " (" + r.signal + ")") + " " +
           r.detail;
}

} // namespace

void SweepTally::Worse(const CheckResult& r) {
    if (Severity(r.outcome) <= rank)
        return;
    rank = Severity(r.outcome);
    worst.outcome = r.outcome;
    worst.signal = r.signal;
    worst.lastProgress = r.lastProgress;
}

Outcome SweepTally::Add(const std::string& name, CheckResult r, double seconds) {
    ++run;
    if (seconds > slowestSeconds) {
        slowestSeconds = seconds;
        slowestName = name;
    }
    if (r.outcome == Outcome::Skipped) {
        // Listed, not counted against the add-on: a faulty host may keep the palette from opening,
        // and an allocation made where no exception may leave cannot fail survivably.
        json entry = {{"name", name}, {"detail", r.detail}};
        if (r.data.is_object() && r.data.contains("frames"))
            entry["frames"] = r.data["frames"];
        if (skipped.size() < 200)
            skipped.push_back(entry);
        ++skippedCount;
        return Outcome::Skipped;
    }
    if (IsFault(r.outcome)) {
        faults.push_back(Described(name, r));
        faulty.push_back({{"name", name},
                          {"outcome", OutcomeText(r.outcome)},
                          {"signal", r.signal},
                          {"detail", r.detail.substr(0, 4000)},
                          {"seconds", seconds}});
        if (r.data.is_object() && r.data.contains("stderr"))
            faulty.back()["stderr"] = r.data["stderr"];
        Worse(r);
    }
    return r.outcome;
}

void SweepTally::AddFault(const std::string& what, const CheckResult& r) {
    faults.push_back(Described(what, r));
    Worse(r);
}

CheckResult SweepTally::Result(json data) const {
    CheckResult r = worst;
    data["variantsRun"] = run;
    data["slowestVariant"] =
        run == 0 ? json(nullptr) : json{{"name", slowestName}, {"seconds", slowestSeconds}};
    data["faulty"] = faulty;
    data["skipped"] = {{"count", skippedCount}, {"first", skipped}};
    r.data = data;
    if (faults.empty()) {
        r.detail = std::to_string(run) + " variants";
        if (skippedCount > 0)
            r.detail += " (" + std::to_string(skippedCount) + " skipped)";
    } else {
        r.detail = std::to_string(faults.size()) + " faults in " + std::to_string(run) + " variants";
        for (size_t i = 0; i < faults.size() && i < 5; ++i)
            r.detail += (i ? "; " : ": ") + faults[i].substr(0, 600);
    }
    return r;
}

void Count(nlohmann::json& counts, const std::string& key, int n) {
    const int before = counts.contains(key) ? counts.at(key).get<int>() : 0;
    counts[key] = before + n;
}

} // namespace simhost::validate
