// The bad-input catalogue: every script function handed what the page should never send.
#include "validate/AddOnSession.h"
#include "validate/Checks.h"
#include "validate/HostileCall.h"
#include "validate/Samples.h"
#include "validate/Validator.h"

#include <functional>

namespace simhost::validate {

using nlohmann::json;

namespace {

struct Input {
    std::string label;
    json argument; // the page's argument: a text (any bytes), number, boolean, or null for none
};

const size_t MiB = 1024 * 1024;

std::string Nested(size_t depth, char open, char close) {
    return std::string(depth, open) + std::string(depth, close);
}

// The product's text with the string value "@@deep@@" replaced by arrays nested `depth` deep.
// Spliced as text: a JSON value that deep cannot be copied or written out without recursing as
// deep, which is the add-on's test, not the validator's.
const char* const DeepMarker = "@@deep@@";
std::string WithDeepValue(const json& product, size_t depth) {
    std::string text = product.dump();
    std::string marker = json(DeepMarker).dump();
    text.replace(text.find(marker), marker.size(), Nested(depth, '[', ']'));
    return text;
}

// Texts that are not JSON, or not whole.
std::vector<Input> MalformedTexts() {
    std::vector<Input> inputs;
    const char* texts[] = {"",
                           " ",
                           "{",
                           "}",
                           "[",
                           "{\"importType\":",
                           "{\"importType\":\"MATERIAL_IMPORT\",}",
                           "nul",
                           "tru",
                           "{'name':1}",
                           "{\"a\" 1}",
                           "\"unterminated",
                           "{\"a\":1}}",
                           "12abc",
                           "[1,2",
                           "{\"a\":NaN}",
                           "{\"a\":01}",
                           "/*c*/{}",
                           "{\"a\":\"\\x41\"}",
                           "{\"a\":\"\\ud800\"}",
                           "\xef\xbb\xbf{}"};
    for (const char* t : texts)
        inputs.push_back(
            {"malformed " + json(std::string(t)).dump(-1, ' ', false, json::error_handler_t::replace), t});
    inputs.push_back({"a NUL byte", std::string("{\"a\":1}\0{", 9)});
    for (const char* t : {"null", "true", "0", "-1", "1e400", "\"text\"", "[]", "[{}]", "{}"})
        inputs.push_back({std::string("the JSON ") + t, t});
    return inputs;
}

std::vector<Input> HostileTexts() {
    std::vector<Input> inputs = MalformedTexts();
    inputs.push_back({"no argument", nullptr});
    inputs.push_back({"the boolean true", true});
    inputs.push_back({"the number 0", 0});
    inputs.push_back({"the number -1e308", -1e308});
    inputs.push_back({"a text of 1 MiB", std::string(MiB, 'x')});
    inputs.push_back({"1 MiB of blanks then {}", std::string(MiB, ' ') + "{}"});
    inputs.push_back({"arrays nested 10,000 deep", Nested(10000, '[', ']')});
    inputs.push_back({"objects nested 10,000 deep", [] {
                          std::string t;
                          for (int i = 0; i < 10000; ++i)
                              t += "{\"a\":";
                          return t + "1" + std::string(10000, '}');
                      }()});
    for (const char* t :
         {"\xff\xfe\xfd", "\xc3\x28", "\xc0\xaf", "\xed\xa0\x80", "\xe2\x82", "PROJECT_INFO\xff"})
        inputs.push_back(
            {"invalid UTF-8 " + json(std::string(t)).dump(-1, ' ', false, json::error_handler_t::replace),
             t});
    for (const char* t :
         {"PROJECT_INFO", "project_info", " PROJECT_INFO", "../../etc/passwd", "C:\\Windows\\x", "con",
          "a\nb", "%00", "{00000000-0000-0000-0000-000000000000}", "00000000-0000-0000-0000-000000000000",
          "not-a-guid", "ffffffff-ffff-ffff-ffff-ffffffffffff", "{766CAB9A-F04E-4A1D-BB79-5987B4DC8320}",
          "üñí©ødé ✓"})
        inputs.push_back({json(std::string(t)).dump(), t});
    return inputs;
}

const json WrongValues[] = {nullptr,
                            true,
                            0,
                            -7,
                            2.5,
                            4294967297ull,
                            "",
                            "x",
                            json::array(),
                            json::array({1}),
                            json::object(),
                            json::object({{"k", 1}})};

// Every value of `product` (and the keys "name" and "Name" where absent), by path.
void Paths(const json& value, const json::json_pointer& at, std::vector<json::json_pointer>& out) {
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            out.push_back(at / key);
            Paths(member, at / key, out);
        }
    } else if (value.is_array() && !value.empty()) {
        out.push_back(at / 0);
        Paths(value[0], at / 0, out);
    }
}

std::vector<Input> ImportInputs(const Options& options) {
    std::vector<Input> inputs = MalformedTexts();
    int n = 0;
    auto add = [&](const std::string& label, json product) {
        Uniquify(product, " #" + std::to_string(++n));
        inputs.push_back({label, product.dump(-1, ' ', false, json::error_handler_t::replace)});
    };
    auto addText = [&](const std::string& label, std::string text) {
        inputs.push_back({label, std::move(text)});
    };
    inputs.push_back({"no argument", nullptr});
    inputs.push_back({"the number 7", 7});
    for (const auto& sample : SampleProducts()) {
        std::string text = sample.product.dump();
        for (int part = 1; part < 10; part += options.full ? 1 : 2)
            addText(sample.kind + " truncated at " + std::to_string(part * 10) + "%",
                    text.substr(0, text.size() * part / 10));
        std::vector<json::json_pointer> paths;
        Paths(sample.product, json::json_pointer(), paths);
        for (const char* key : {"name", "Name"})
            if (!sample.product.contains(key))
                paths.push_back(json::json_pointer("/" + std::string(key)));
        for (const auto& path : paths) {
            json original = sample.product.contains(path) ? sample.product.at(path) : json();
            int perType = 0;
            for (const json& wrong : WrongValues) {
                if (wrong.type() == original.type() && !options.full)
                    continue;
                // One wrong value of each JSON type; --full tries every one of the list.
                if (!options.full && perType++ >= 7)
                    break;
                json product = sample.product;
                product[path] = wrong;
                add(sample.kind + " with " + path.to_string() + " = " + wrong.dump(), product);
            }
        }
        for (const char* key : {"name", "uuid", "layerstyle", "Name", "fileForImportUuid"}) {
            if (!sample.product.contains(key) && !options.full)
                continue;
            json product = sample.product;
            product[key] = std::string(MiB, 'n');
            add(sample.kind + " with a " + key + " of 1 MiB", product);
        }
    }
    const json& material = SampleProducts().front().product;
    {
        json product = material;
        product["supplier"]["name"] = std::string(MiB, 's');
        product["propertySets"][0]["properties"][0] = {
            {"name", "Long"}, {"type", "ValueList"}, {"values", {{{"value", std::string(MiB, 'v')}}}}};
        add("a building material with a supplier and a property value of 1 MiB", product);
    }
    addText("arrays nested 10,000 deep", Nested(10000, '[', ']'));
    {
        json product = material;
        product["propertySets"][0]["properties"][0] = {
            {"name", "Deep"}, {"type", "ValueList"}, {"values", {{{"value", DeepMarker}}}}};
        Uniquify(product, " #deep");
        addText("a property value nested 10,000 deep", WithDeepValue(product, 10000));
        json unread = material;
        unread["extra"] = DeepMarker;
        Uniquify(unread, " #unread");
        addText("an unread member nested 10,000 deep", WithDeepValue(unread, 10000));
    }
    const char* hostileNames[] = {"../escaped", "..",  ".",        "a/b/c",   "C:\\Windows\\escaped",
                                  "name\nline", "con", "ümlaut ✓", "*?<>|\"", " ",
                                  "\t"};
    for (size_t f = 3; f <= 5; ++f) {
        const json& sample = SampleProducts()[f].product;
        for (const char* name : hostileNames) {
            json product = sample;
            product["name"] = name;
            inputs.push_back({"a file name " + json(std::string(name)).dump(), product.dump()});
        }
        json product = sample;
        product["name"] = std::string(300, 'n');
        inputs.push_back({"a file name of 300 characters", product.dump()});
        product["name"] = std::string("nul\0byte", 8);
        inputs.push_back({"a file name with a NUL", product.dump()});
        for (const char* uuid : {"../../../etc/passwd", "%2e%2e%2f", "a b", "?x=1#y", "\r\nHost: elsewhere",
                                 "", "ü", "../served/6b1f0c52-2f4e-4d33-9d0a-7a3f5e1c0001"}) {
            json hostile = sample;
            hostile["fileForImportUuid"] = uuid;
            hostile["image"] = {{"name", "p.png"}, {"uuid", uuid}};
            add("a file uuid " + json(std::string(uuid)).dump(), hostile);
            json tagged = sample;
            tagged["uuid"] = uuid;
            add("a product uuid " + json(std::string(uuid)).dump(), tagged);
        }
    }
    for (const char* bad : {"\xff\xfe", "\xc3\x28", "\xc0\xaf", "\xed\xa0\x80", "\xe2\x82"}) {
        std::string printable = json(std::string(bad)).dump(-1, ' ', false, json::error_handler_t::replace);
        addText("invalid UTF-8 " + printable + " as the whole argument", bad);
        // Raw bytes inside a JSON string: the dump keeps them as they are.
        std::string name = "Validate \"" + std::string(bad) + "\"";
        json product = material;
        product["name"] = "@@@";
        std::string text = product.dump();
        text.replace(text.find("@@@"), 3, std::string("Validate ") + bad);
        addText("invalid UTF-8 " + printable + " in a name", text);
    }
    {
        json wall = SampleProducts()[1].product;
        json layers = json::array();
        for (int i = 0; i < 40000; ++i)
            layers.push_back(
                {{"layerstyle", "Thermal"}, {"thickness", 1}, {"product", {{"name", "Validate Layer"}}}});
        wall["layers"] = std::move(layers);
        add("40,000 layers", wall);
    }
    {
        json product = material;
        json properties = json::array();
        for (int i = 0; i < 100000; ++i)
            properties.push_back(
                {{"name", "P" + std::to_string(i)}, {"type", "ValueList"}, {"values", {{{"value", i}}}}});
        product["propertySets"] = {{{"name", "Many"}, {"properties", std::move(properties)}}};
        add("100,000 properties", product);
    }
    return inputs;
}

using InputCatalogue = std::function<std::vector<Input>(const Options&)>;

CheckResult BadInput(CheckContext& c, const std::string& function, const InputCatalogue& catalogue) {
    AddOnSession s(c.options);
    if (auto stopped = s.StartWithPalette())
        return *stopped;
    s.keepLines = false;
    s.RunStandardSteps();
    ProjectBaseline baseline(s.host.project); // a project with something in it to keep
    std::vector<Input> inputs = catalogue(c.options);
    int refused = 0, answered = 0;
    double slowest = 0;
    std::string slowestLabel;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const Input& input = inputs[i];
        c.Progress(function + ": input " + std::to_string(i + 1) + " of " + std::to_string(inputs.size()) +
                   ": " + input.label);
        HostileCallResult r = CallHostile(s, baseline, function, input.argument, input.label);
        (r.refused ? refused : answered) += 1;
        if (r.seconds > slowest) {
            slowest = r.seconds;
            slowestLabel = input.label;
        }
        if (function == "AddElementToSelection")
            s.Step({{"step", "idle"}}); // the select command it posted meets the text at idle
    }
    s.Finish();
    CheckResult r = FromProblems(s.problems, std::to_string(inputs.size()) + " inputs");
    if (r.outcome == Outcome::Passed)
        r.detail = std::to_string(inputs.size()) + " inputs: " + std::to_string(answered) +
                   " answered a value, " + std::to_string(refused) + " a script error";
    r.data["inputs"] = inputs.size();
    r.data["refused"] = refused;
    r.data["slowest"] = {{"input", slowestLabel}, {"seconds", slowest}};
    return r;
}

} // namespace

CheckResult BadInputImport(CheckContext& c) {
    return BadInput(c, "import", ImportInputs);
}

CheckResult BadInputText(CheckContext& c, const std::string& function) {
    return BadInput(c, function, [](const Options&) { return HostileTexts(); });
}

} // namespace simhost::validate
