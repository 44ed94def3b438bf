#include "validate/Samples.h"

namespace simhost::validate {

using nlohmann::json;

const char* const SampleMaterialName = "Validate Mineral Wool";

namespace {

const char* const ChairFile = "6b1f0c52-2f4e-4d33-9d0a-7a3f5e1c0001";
const char* const PictureFile = "6b1f0c52-2f4e-4d33-9d0a-7a3f5e1c0002";
const char* const ContainerFile = "6b1f0c52-2f4e-4d33-9d0a-7a3f5e1c0003";
const char* const BlockFile = "6b1f0c52-2f4e-4d33-9d0a-7a3f5e1c0004";

json Properties() {
    return json::parse(R"([
      {"name": "Thermal", "properties": [
        {"name": "Conductivity", "type": "Range", "unit": "W/mK",
         "ranges": [{"max": {"value": 0.04}, "min": {"value": 0.035}}]},
        {"name": "Fire class", "type": "ValueList", "values": [{"value": "A1"}, {"value": "A2"}]},
        {"name": "Note", "type": "Text", "unit": null}]},
      {"name": "Acoustics", "properties": [
        {"name": "Absorption", "type": "ValueList", "unit": "dB", "values": [{"value": 35}]}]}])");
}

json Layer(const char* style, double thickness, const char* name) {
    return {{"layerstyle", style},
            {"thickness", thickness},
            {"product", {{"name", name}, {"layerstyle", nullptr}}}};
}

} // namespace

const std::vector<SampleProduct>& SampleProducts() {
    static const std::vector<SampleProduct> samples = [] {
        std::vector<SampleProduct> s;
        s.push_back({"building material",
                     {{"importType", "MATERIAL_IMPORT"},
                      {"uuid", "0c7d1a2e-5b7f-4a59-9e55-1f2a3b4c5d01"},
                      {"name", SampleMaterialName},
                      {"layerstyle", "Thermal"},
                      {"supplier", {{"name", "Validate Supplies"}}},
                      {"propertySets", Properties()}}});
        s.push_back({"wall structure",
                     {{"importType", "TYPE_IMPORT"},
                      {"constructionType", "WALL"},
                      {"uuid", 4711},
                      {"Name", "Validate Wall 300"},
                      {"layers",
                       {Layer("Finish", 15, "Validate Plaster"), Layer("Thermal", 120, SampleMaterialName),
                        Layer("Structure", 175, "Validate Brick")}}}});
        s.push_back(
            {"floor structure",
             {{"importType", "TYPE_IMPORT"},
              {"constructionType", "Floor"},
              {"uuid", 4712.9},
              {"Name", "Validate Floor 250"},
              {"layers",
               {Layer("Membrane Layer", 2, "Validate Foil"), Layer("Substrate", 248, "Validate Screed")}}}});
        s.push_back({"family with a library-part file",
                     {{"importType", "FAMILY_IMPORT"},
                      {"uuid", "0c7d1a2e-5b7f-4a59-9e55-1f2a3b4c5d02"},
                      {"name", "Validate Chair"},
                      {"fileForImportUuid", ChairFile},
                      {"fileForImportContentType", "model/GSM"},
                      {"image", {{"name", "chair.png"}, {"uuid", PictureFile}}},
                      {"propertySets", Properties()}}});
        s.push_back({"family with a library container",
                     {{"importType", "FAMILY_IMPORT"},
                      {"uuid", "0c7d1a2e-5b7f-4a59-9e55-1f2a3b4c5d03"},
                      {"name", "Validate Lamps"},
                      {"fileForImportUuid", ContainerFile},
                      {"fileForImportContentType", "application/lcf"},
                      {"image", nullptr}}});
        s.push_back({"generated library part",
                     {{"importType", "GENERIC_GEOMETRY_IMPORT"},
                      {"uuid", "0c7d1a2e-5b7f-4a59-9e55-1f2a3b4c5d04"},
                      {"name", "Validate Block"},
                      {"fileForImportUuid", BlockFile},
                      {"fileForImportContentType", "model/GSM"},
                      {"image", {{"name", "block.png"}, {"uuid", PictureFile}}},
                      {"propertySets", json::array()}}});
        return s;
    }();
    return samples;
}

const std::vector<SampleFile>& SampleFiles() {
    static const std::vector<SampleFile> files = [] {
        json chair = {
            {"format", "simhost-libpart"},
            {"version", 1},
            {"name", "Validate Chair"},
            {"a", 0.5},
            {"b", 0.5},
            {"parameters", {{{"type", 2}, {"name", "Height"}, {"description", "Height"}, {"value", 0.9}}}},
            {"sections", {{{"code", "3DSC"}, {"subIdent", 0}, {"text", "BLOCK a, b, 0.9\n"}}}}};
        json block = {{"format", "simhost-libpart"},
                      {"version", 1},
                      {"name", "Validate Block source"},
                      {"a", 1.0},
                      {"b", 1.0}};
        json container = {
            {"format", "simhost-container"},
            {"version", 1},
            {"parts",
             {{{"name", "Validate Lamp"}, {"sections", json::array()}}, {{"name", "Validate Desk Lamp"}}}}};
        // The first bytes of a PNG picture: enough for a preview section.
        std::string picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);
        return std::vector<SampleFile>{{ChairFile, chair.dump()},
                                       {PictureFile, picture},
                                       {ContainerFile, container.dump()},
                                       {BlockFile, block.dump()}};
    }();
    return files;
}

} // namespace simhost::validate
