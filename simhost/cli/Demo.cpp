#include "cli/Demo.h"
#include "cli/Script.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>
#include <vector>

namespace simhost {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

json ParseOrNull(const json& text) {
    if (!text.is_string())
        return nullptr;
    return json::parse(text.get<std::string>(), nullptr, false);
}

std::string Text(const json& j, const char* key) {
    if (j.is_object() && j.contains(key) && j.at(key).is_string())
        return j.at(key).get<std::string>();
    return {};
}

struct CatalogueProduct {
    std::string kind;
    std::string name; // composites spell it "Name"
};

json ReadCatalogueFile(const fs::path& file) {
    std::ifstream in(file);
    return json::parse(in, nullptr, false);
}

std::string ProductName(const json& product) {
    std::string name = Text(product, "name");
    return name.empty() ? Text(product, "Name") : name;
}

CatalogueProduct ReadCatalogueProduct(const fs::path& file) {
    json product = ReadCatalogueFile(file);
    return {Text(product, "importType"), ProductName(product)};
}

// The uuid as the add-on tags it: a text as it stands, a composite's number as a 32-bit integer
// in decimal. Empty when the product has none.
std::string TaggedUuid(const json& product) {
    if (!product.is_object() || !product.contains("uuid"))
        return {};
    const json& uuid = product["uuid"];
    if (uuid.is_string())
        return uuid.get<std::string>();
    if (uuid.is_number())
        return std::to_string(uuid.get<std::int32_t>());
    return {};
}

// The catalogue's product names by the uuid that export reports: each product's, and those of the
// layer products of composites.
std::map<std::string, std::string> NamesByUuid(const std::vector<fs::path>& files) {
    std::map<std::string, std::string> names;
    auto add = [&names](const json& product) {
        if (std::string uuid = TaggedUuid(product); !uuid.empty())
            names.emplace(uuid, ProductName(product));
    };
    for (const auto& file : files) {
        json product = ReadCatalogueFile(file);
        add(product);
        if (product.is_object() && product.contains("layers") && product["layers"].is_array())
            for (const auto& layer : product["layers"])
                if (layer.is_object() && layer.contains("product"))
                    add(layer["product"]);
    }
    return names;
}

void PrintSelection(std::ostream& out, const json& selection) {
    if (!selection.is_array() || selection.empty()) {
        out << "    (nothing selected)\n";
        return;
    }
    for (const auto& e : selection)
        out << "    " << std::left << std::setw(8) << Text(e, "type") << Text(e, "title") << "\n";
}

class Summary {
public:
    Summary(std::ostream& out, const fs::path& folder) : out(out), folder(folder) {}

    void Line(const json& line) {
        std::string step = Text(line, "step");
        if (line.contains("error")) {
            ++errors;
            out << "  ! " << step << " " << Text(line, "function") << ": " << line["error"].dump() << "\n";
        }
        if (step == "call")
            Call(line);
        else if (step == "place" && line.contains("guid"))
            ++placed;
        else if (step == "reports" && line.contains("lines"))
            reports = line["lines"];
        else if (step == "idle" && line.contains("delivered"))
            delivered += line["delivered"].size();
    }

    void Print(const std::string& savedTo) {
        out << "\nImported products (\"import\")\n";
        std::vector<fs::path> files;
        for (const auto& [file, result] : imports) {
            files.push_back(file);
            json r = ParseOrNull(result);
            bool ok = r.is_object() && r.value("Success", false);
            const CatalogueProduct product = ReadCatalogueProduct(file);
            out << "  " << (ok ? "ok    " : "FAILED") << " " << std::left << std::setw(24) << product.kind
                << product.name << "\n";
        }
        out << "\nPlaced elements: " << placed << "\n";
        const auto names = NamesByUuid(files);

        out << "\nImported products in use (\"export\" \"PROJECT_INFO\")\n";
        json info = ParseOrNull(projectInfo);
        if (info.is_object()) {
            const json& overview = info["Overview"];
            out << "  Project " << Text(overview, "name") << " (" << Text(overview, "number") << "), "
                << Text(overview, "organization") << "; identity " << Text(overview, "project_guid") << "\n";
            out << "  " << std::left << std::setw(11) << "Category" << std::setw(34) << "Product"
                << std::setw(40) << "Product uuid" << std::right << std::setw(9) << "Elements"
                << std::setw(12) << "Area"
                << "\n";
            for (const char* category : {"Materials", "Types", "Families"})
                for (const auto& u : info["ImportedData"][category]) {
                    const auto name = names.find(Text(u, "Uuid"));
                    out << "  " << std::left << std::setw(11) << category << std::setw(34)
                        << (name != names.end() ? name->second : "(not in the catalogue)") << std::setw(40)
                        << Text(u, "Uuid") << std::right << std::setw(9) << u.value("NumOfElements", 0)
                        << std::setw(12) << std::fixed << std::setprecision(2) << u.value("TotalArea", 0.0)
                        << "\n";
                }
        } else {
            out << "  (no answer)\n";
        }

        out << "\nSelection (\"getRevitSelection\")\n";
        for (size_t i = 0; i < selections.size(); ++i) {
            out << (i == 0 ? "  selected by the user:\n"
                           : "  after \"AddElementToSelection\" and the event loop (" +
                                 std::to_string(delivered) + " command delivered):\n");
            PrintSelection(out, ParseOrNull(selections[i]));
        }

        out << "\nAfter a project load (\"getNewlyLoadedProjectOverview\")\n";
        for (const auto& o : overviews)
            out << "  " << (o.empty() ? "(empty: already answered)" : o) << "\n";
        if (!reports.empty())
            out << "\nReport window\n";
        for (const auto& r : reports)
            out << "  " << r.get<std::string>() << "\n";
        out << "\nProject saved to " << savedTo << "\n";
        if (errors)
            out << errors << " step(s) failed\n";
    }

    int errors = 0;

private:
    void Call(const json& line) {
        std::string function = Text(line, "function");
        const json value = line.value("value", json());
        if (function == "getPluginVersion")
            out << "Add-on version: " << Text(line, "value") << "\n";
        else if (function == "import")
            imports.emplace_back(folder / catalogue.at(imports.size()), value);
        else if (function == "export")
            projectInfo = value;
        else if (function == "getRevitSelection")
            selections.push_back(value);
        else if (function == "getNewlyLoadedProjectOverview")
            overviews.push_back(value.is_string() ? value.get<std::string>() : "");
    }

public:
    std::vector<std::string> catalogue; // the argFile of each import, in script order

private:
    std::ostream& out;
    fs::path folder;
    std::vector<std::pair<fs::path, json>> imports;
    json projectInfo;
    std::vector<json> selections;
    std::vector<std::string> overviews;
    json reports = json::array();
    size_t placed = 0;
    size_t delivered = 0;
};

} // namespace

int RunDemo(const DemoOptions& options, std::ostream& out, std::ostream& err) {
    fs::path folder = options.demoFolder;
    RunOptions run;
    run.script = (folder / "demo.jsonl").string();
    run.project = (folder / "sample-project.json").string();
    run.filesFolder = (folder / "files").string();
    run.addOn = options.addOn;
    run.save = options.save;

    std::ostringstream lines;
    int code = RunScript(run, lines, err);

    Summary summary(out, folder);
    {
        std::ifstream script(run.script);
        for (std::string line; std::getline(script, line);) {
            json step = json::parse(line, nullptr, false);
            if (step.is_object() && step.value("function", "") == "import" && step.contains("argFile"))
                summary.catalogue.push_back(step["argFile"].get<std::string>());
        }
    }
    if (!options.json)
        out << "Quorvel demo: " << run.project << " with the catalogue of " << (folder / "catalogue").string()
            << "\n";
    std::istringstream printed(lines.str());
    for (std::string line; std::getline(printed, line);) {
        if (options.json) {
            out << line << "\n";
            json j = json::parse(line, nullptr, false);
            summary.errors += j.is_object() && j.contains("error");
            continue;
        }
        summary.Line(json::parse(line, nullptr, false));
    }
    if (!options.json && code == 0)
        summary.Print(run.save);
    if (code != 0)
        return code;
    return summary.errors ? 1 : 0;
}

} // namespace simhost
