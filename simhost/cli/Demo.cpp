#include "cli/Demo.h"
#include "cli/Script.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iomanip>
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

CatalogueProduct ReadCatalogueProduct(const fs::path& file) {
    std::ifstream in(file);
    json product = json::parse(in, nullptr, false);
    std::string name = Text(product, "name");
    return {Text(product, "importType"), name.empty() ? Text(product, "Name") : name};
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
        for (const auto& [file, result] : imports) {
            json r = ParseOrNull(result);
            bool ok = r.is_object() && r.value("Success", false);
            const CatalogueProduct product = ReadCatalogueProduct(file);
            out << "  " << (ok ? "ok    " : "FAILED") << " " << std::left << std::setw(24) << product.kind
                << product.name << "\n";
        }
        out << "\nPlaced elements: " << placed << "\n";

        out << "\nImported products in use (\"export\" \"PROJECT_INFO\")\n";
        json info = ParseOrNull(projectInfo);
        if (info.is_object()) {
            const json& overview = info["Overview"];
            out << "  Project " << Text(overview, "name") << " (" << Text(overview, "number") << "), "
                << Text(overview, "organization") << "; identity " << Text(overview, "project_guid") << "\n";
            out << "  " << std::left << std::setw(11) << "Category" << std::setw(40) << "Product uuid"
                << std::right << std::setw(9) << "Elements" << std::setw(12) << "Area"
                << "\n";
            for (const char* category : {"Materials", "Types", "Families"})
                for (const auto& u : info["ImportedData"][category])
                    out << "  " << std::left << std::setw(11) << category << std::setw(40) << Text(u, "Uuid")
                        << std::right << std::setw(9) << u.value("NumOfElements", 0) << std::setw(12)
                        << std::fixed << std::setprecision(2) << u.value("TotalArea", 0.0) << "\n";
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
