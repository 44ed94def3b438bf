#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace simhost::validate {

struct SampleProduct {
    std::string kind; // what it stands for, for the report
    nlohmann::json product;
};

// One product of every kind the web application imports: a building material, a wall and a floor
// structure with layers, a family product with a library-part file, one with a library container,
// and a generated library part. The files they name are SampleFiles().
const std::vector<SampleProduct>& SampleProducts();

struct SampleFile {
    std::string uuid; // the file service serves it as /api/v1/files/<uuid>
    std::string bytes;
};
const std::vector<SampleFile>& SampleFiles();

// The sample building material's name: the standard session places a wall made of it.
extern const char* const SampleMaterialName;

} // namespace simhost::validate
