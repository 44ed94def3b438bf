#pragma once

#include <nlohmann/json.hpp>

// The exporters' common base. Its one operation takes a JSON value and does nothing with it;
// each exporter builds its JSON with operations of its own. Exporters live for one call.
class BaseExporter {
public:
    virtual ~BaseExporter() = default;
    virtual void Export(nlohmann::json /*value*/) {}
};
