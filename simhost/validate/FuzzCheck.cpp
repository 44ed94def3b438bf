// Seeded, structure-aware fuzzing of product JSON: sample products mutated where the importers
// look, imported one after another in one session.
#include "validate/AddOnSession.h"
#include "validate/Checks.h"
#include "validate/HostileCall.h"
#include "validate/Samples.h"
#include "validate/StableHash.h"
#include "validate/Validator.h"

#include <functional>

namespace simhost::validate {

using nlohmann::json;

namespace {

using Random = std::mt19937_64;

size_t Pick(Random& random, size_t n) {
    return n == 0 ? 0 : size_t(random() % n);
}

std::string RandomText(Random& random) {
    static const std::vector<std::string> pieces = {"a",  "Z", "0",  " ",       "\"",   "\\", "/",
                                                    "..", "ü", "✓",  "\xff",    "\xc3", "\n", "%",
                                                    "{",  "}", "\t", "QV_UUID", "null", "GSM"};
    std::string text;
    size_t n = Pick(random, 12);
    for (size_t i = 0; i < n; ++i)
        text += pieces[Pick(random, pieces.size())];
    if (Pick(random, 20) == 0)
        text += std::string(4096 + Pick(random, 8192), 'x');
    return text;
}

json RandomValue(Random& random, int depth = 0) {
    switch (Pick(random, depth > 2 ? 7 : 9)) {
    case 0:
        return nullptr;
    case 1:
        return Pick(random, 2) == 1;
    case 2: {
        static const json numbers[] = {0,
                                       -1,
                                       1,
                                       17,
                                       2147483647,
                                       -2147483648LL,
                                       4294967297ull,
                                       9223372036854775807LL,
                                       18446744073709551615ull};
        return numbers[Pick(random, std::size(numbers))];
    }
    case 3: {
        static const double reals[] = {0.5, -3.5, 1e308, -1e308, 1e-308, -0.0, 12.9, 100.0};
        return reals[Pick(random, std::size(reals))];
    }
    case 4:
    case 5:
        return RandomText(random);
    case 6: {
        static const char* kinds[] = {"MATERIAL_IMPORT",
                                      "TYPE_IMPORT",
                                      "FAMILY_IMPORT",
                                      "GENERIC_GEOMETRY_IMPORT",
                                      "WALL",
                                      "Ceiling",
                                      "Range",
                                      "ValueList",
                                      "model/GSM",
                                      "x/lcf",
                                      "null"};
        return kinds[Pick(random, std::size(kinds))];
    }
    case 7: {
        json a = json::array();
        for (size_t i = Pick(random, 4); i > 0; --i)
            a.push_back(RandomValue(random, depth + 1));
        return a;
    }
    default: {
        json o = json::object();
        static const char* keys[] = {"name",    "value",      "type",      "uuid",
                                     "product", "layerstyle", "thickness", "unit"};
        for (size_t i = Pick(random, 4); i > 0; --i)
            o[keys[Pick(random, std::size(keys))]] = RandomValue(random, depth + 1);
        return o;
    }
    }
}

void AllPaths(const json& value, const json::json_pointer& at, std::vector<json::json_pointer>& out) {
    out.push_back(at);
    if (value.is_object())
        for (const auto& [key, member] : value.items())
            AllPaths(member, at / key, out);
    else if (value.is_array())
        for (size_t i = 0; i < value.size(); ++i)
            AllPaths(value[i], at / i, out);
}

// One mutation at a random place of the product.
void Mutate(json& product, Random& random) {
    std::vector<json::json_pointer> paths;
    AllPaths(product, json::json_pointer(), paths);
    json::json_pointer at = paths[Pick(random, paths.size())];
    json& target = product[at];
    bool root = at.empty();
    switch (Pick(random, 9)) {
    case 0: // remove it from its parent
        if (!root) {
            json& parent = product[at.parent_pointer()];
            if (parent.is_object())
                parent.erase(at.back());
            else
                parent.erase(parent.begin() + std::ptrdiff_t(std::stoul(at.back())));
            return;
        }
        [[fallthrough]];
    case 1: // another value, of any type
        if (!root)
            target = RandomValue(random);
        return;
    case 2: // a copy of a sibling element, or of itself, appended
        if (target.is_array() && !target.empty())
            target.push_back(target[Pick(random, target.size())]);
        else if (target.is_array())
            target.push_back(RandomValue(random));
        return;
    case 3: // emptied
        if (target.is_string())
            target = "";
        else if (target.is_array())
            target = json::array();
        else if (target.is_object() && !root)
            target = json::object();
        return;
    case 4: // wrapped
        if (!root)
            target = Pick(random, 2) ? json::array({target}) : json::object({{"value", target}});
        return;
    case 5: // a new member
        if (target.is_object())
            target[Pick(random, 2) ? RandomText(random) : "name"] = RandomValue(random);
        return;
    case 6: // a text edited
        if (target.is_string()) {
            std::string text = target.get<std::string>();
            if (Pick(random, 2) && !text.empty())
                text.resize(Pick(random, text.size()));
            else
                text += RandomText(random);
            target = text;
        }
        return;
    case 7: // deeply nested
        if (!root) {
            json deep = RandomValue(random);
            for (size_t d = 20 + Pick(random, 500); d > 0; --d)
                deep = json::array({std::move(deep)});
            target = std::move(deep);
        }
        return;
    default: // the dispatch keys swapped
        if (product.is_object()) {
            static const char* kinds[] = {"MATERIAL_IMPORT", "TYPE_IMPORT", "FAMILY_IMPORT",
                                          "GENERIC_GEOMETRY_IMPORT"};
            static const char* constructions[] = {"WALL",    "wall",     "Floor", "ROOF",
                                                  "Ceiling", "CEILING ", "Wall"};
            product["importType"] = kinds[Pick(random, std::size(kinds))];
            product["constructionType"] = constructions[Pick(random, std::size(constructions))];
        }
        return;
    }
}

} // namespace

CheckResult FuzzProducts(CheckContext& c) {
    AddOnSession s(c.options);
    if (auto stopped = s.StartWithPalette())
        return *stopped;
    s.keepLines = false;
    s.RunStandardSteps();
    ProjectBaseline baseline(s.host.project);
    const auto& samples = SampleProducts();
    std::uint64_t digest = Fnv1aOffsetBasis; // of every product sent, for replays
    int refused = 0;
    for (int i = 1; i <= c.options.iterations; ++i) {
        json product = samples[Pick(c.random, samples.size())].product;
        for (size_t m = 1 + Pick(c.random, 4); m > 0; --m)
            Mutate(product, c.random);
        Uniquify(product, " #fuzz" + std::to_string(i));
        std::string text = product.dump(-1, ' ', false, json::error_handler_t::replace);
        digest = Fnv1a(text, digest);
        c.Progress("iteration " + std::to_string(i) + " of " + std::to_string(c.options.iterations) +
                   " (seed " + std::to_string(c.options.seed) + "): " + text.substr(0, 300));
        HostileCallResult r = CallHostile(s, baseline, "import", text, "fuzz iteration " + std::to_string(i));
        refused += r.refused ? 1 : 0;
    }
    s.Finish();
    CheckResult r =
        FromProblems(s.problems, std::to_string(c.options.iterations) + " mutated products (seed " +
                                     std::to_string(c.options.seed) + ")");
    if (r.outcome == Outcome::Passed)
        r.detail = std::to_string(c.options.iterations) + " mutated products, " + std::to_string(refused) +
                   " refused with a script error";
    r.data["iterations"] = c.options.iterations;
    r.data["digest"] = digest;
    r.data["refused"] = refused;
    return r;
}

} // namespace simhost::validate
