#include "model/Libraries.h"

#include "api/LibraryRecords.h"
#include "io/File.h"
#include "model/CodeText.h"
#include "model/HexText.h"
#include "model/Project.h"
#include "runtime/System.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace simhost {

using nlohmann::json;

namespace {

// A parameter's name fills the record's name field with its terminating NUL.
constexpr size_t MaxParameterNameBytes = ParamNameSize - 1;

GSType CodeFromText(const std::string& text) {
    if (text.size() != 4)
        throw std::runtime_error("section code \"" + text + "\" is not four characters");
    GSType code = 0;
    for (char c : text)
        code = (code << 8) | UInt8(c);
    return code;
}

bool IsUtf8Text(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        UInt8 c = UInt8(bytes[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (c == 0 || extra == 9 || i + extra >= bytes.size() + (extra == 0 ? 1 : 0))
            return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((UInt8(bytes[i + k]) >> 6) != 2)
                return false;
        i += extra + 1;
    }
    return true;
}

json ParameterToJson(const LibraryParameter& p) {
    json j = {{"type", p.type}, {"name", p.name}, {"description", p.description}, {"flags", p.flags}};
    if (p.values)
        j["values"] = *p.values;
    else if (p.text)
        j["value"] = *p.text;
    else
        j["value"] = p.real;
    return j;
}

LibraryParameter ParameterFromJson(const json& j) {
    LibraryParameter p;
    p.type = j.at("type").get<Int32>();
    p.name = j.at("name").get<std::string>();
    if (p.name.empty() || p.name.size() > MaxParameterNameBytes)
        throw std::runtime_error("parameter name \"" + p.name + "\" is empty or longer than " +
                                 std::to_string(MaxParameterNameBytes) + " bytes");
    p.description = j.value("description", "");
    p.flags = j.value("flags", Int16(0));
    if (j.contains("values"))
        p.values = j.at("values").get<std::vector<std::string>>();
    else if (j.contains("value") && j.at("value").is_string())
        p.text = j.at("value").get<std::string>();
    else if (j.contains("value"))
        p.real = j.at("value").get<double>();
    return p;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(sys::PathFromUtf8(path), std::ios::binary);
    if (!in)
        return std::string();
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<json> ReadDocument(const std::string& path, const char* format) {
    json document = json::parse(ReadWhole(path), nullptr, false);
    if (document.is_discarded() || !document.is_object() || document.value("format", "") != format ||
        document.value("version", 0) != 1)
        return std::nullopt;
    return document;
}

} // namespace

const char* const EmbeddedLibraryName = "Embedded Library";

const LibraryPartSection* LibraryPart::FindSection(GSType code) const {
    for (const auto& s : sections)
        if (s.code == code)
            return &s;
    return nullptr;
}

LibraryPartSection* LibraryPart::FindSection(GSType code) {
    return const_cast<LibraryPartSection*>(static_cast<const LibraryPart*>(this)->FindSection(code));
}

std::vector<const LibraryPart*> Libraries::AllParts() const {
    std::vector<const LibraryPart*> all;
    for (const auto& p : parts)
        all.push_back(&p);
    for (const auto& entry : list)
        for (const auto& p : entry.parts)
            all.push_back(&p);
    return all;
}

Int32 Libraries::IndexOfPart(const std::string& name) const {
    const auto all = AllParts();
    for (size_t n = 0; n < all.size(); ++n)
        if (all[n]->name == name)
            return Int32(n + 1);
    return 0;
}

LibraryPart* Libraries::OwnPart(Int32 index) {
    if (index < 1 || size_t(index) > parts.size())
        return nullptr;
    return &parts[size_t(index) - 1];
}

json LibraryPartToJson(const LibraryPart& part) {
    json sections = json::array();
    for (const auto& s : part.sections) {
        json j = {{"code", CodeText(s.code)}, {"subIdent", s.subIdent}};
        if (IsUtf8Text(s.bytes))
            j["text"] = s.bytes;
        else
            j["hex"] = ToHex(s.bytes);
        sections.push_back(j);
    }
    json j = {
        {"name", part.name}, {"a", part.a}, {"b", part.b}, {"flags", part.flags}, {"sections", sections}};
    if (part.parameters) {
        json list = json::array();
        for (const auto& p : *part.parameters)
            list.push_back(ParameterToJson(p));
        j["parameters"] = list;
    }
    return j;
}

LibraryPart LibraryPartFromJson(const json& j) {
    if (!j.is_object())
        throw std::runtime_error("a library part is not an object");
    LibraryPart part;
    part.name = j.value("name", "");
    part.a = j.value("a", 1.0);
    part.b = j.value("b", 1.0);
    part.flags = j.value("flags", UInt16(0));
    if (j.contains("parameters")) {
        part.parameters.emplace();
        for (const auto& p : j.at("parameters"))
            part.parameters->push_back(ParameterFromJson(p));
    }
    for (const auto& s : j.value("sections", json::array())) {
        LibraryPartSection section;
        section.code = CodeFromText(s.at("code").get<std::string>());
        section.subIdent = s.value("subIdent", Int16(0));
        section.bytes =
            s.contains("hex") ? FromHex(s.at("hex").get<std::string>()) : s.at("text").get<std::string>();
        part.sections.push_back(std::move(section));
    }
    return part;
}

std::optional<LibraryPart> ReadLibraryPartFile(const std::string& path) {
    auto document = ReadDocument(path, "simhost-libpart");
    if (!document)
        return std::nullopt;
    try {
        LibraryPart part = LibraryPartFromJson(*document);
        part.file = path;
        return part;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::vector<LibraryPart>> ReadContainerFile(const std::string& path) {
    auto document = ReadDocument(path, "simhost-container");
    if (!document)
        return std::nullopt;
    try {
        std::vector<LibraryPart> parts;
        for (const auto& p : document->value("parts", json::array())) {
            parts.push_back(LibraryPartFromJson(p));
            parts.back().origin = "container";
        }
        return parts;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool WriteLibraryPartFile(const LibraryPart& part, const std::string& path) {
    json document = LibraryPartToJson(part);
    document["format"] = "simhost-libpart";
    document["version"] = 1;
    std::string temporary;
    std::FILE* out = IO::CreateFileBeside(path, temporary);
    if (out == nullptr)
        return false;
    const std::string text = document.dump(2) + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        IO::Discard(temporary);
        return false;
    }
    return IO::PutInPlace(temporary, path) == 0;
}

json LibrariesToJson(const Libraries& libraries) {
    json list = json::array();
    for (const auto& e : libraries.list)
        list.push_back({{"path", e.path}, {"name", e.name}, {"container", e.container}});
    json parts = json::array();
    for (const auto& p : libraries.parts) {
        json j = LibraryPartToJson(p);
        j["file"] = p.file;
        j["origin"] = p.origin;
        parts.push_back(j);
    }
    return {{"list", list},
            {"embeddedFolder", libraries.embeddedFolder},
            {"overwrite", libraries.overwrite},
            {"parts", parts}};
}

Libraries LibrariesFromJson(const json& j, const std::string& source) {
    auto refuse = [&source](const std::string& fault) {
        throw ProjectFileError(source + ": libraries: " + fault);
    };
    if (!j.is_object())
        refuse("not an object");
    Libraries libraries;
    try {
        libraries.embeddedFolder = j.value("embeddedFolder", "");
        libraries.overwrite = j.value("overwrite", false);
        // Files of before kept the session's special folders too ("specialFolders"): they are
        // the host's, not the project's, and are not read.
        for (const auto& e : j.value("list", json::array())) {
            LibraryEntry entry{
                e.at("path").get<std::string>(), e.value("name", ""), e.value("container", false), {}};
            // A container whose file is gone stays listed, without parts, as a host shows a
            // missing library.
            if (entry.container)
                entry.parts = ReadContainerFile(entry.path).value_or(std::vector<LibraryPart>{});
            libraries.list.push_back(std::move(entry));
        }
        for (const auto& p : j.value("parts", json::array())) {
            LibraryPart part = LibraryPartFromJson(p);
            part.file = p.value("file", "");
            part.origin = p.value("origin", "registered");
            libraries.parts.push_back(std::move(part));
        }
    } catch (const ProjectFileError&) {
        throw;
    } catch (const std::exception& e) {
        refuse(e.what());
    }
    return libraries;
}

bool IsInsideFolder(const std::string& file, const std::string& folder) {
    // In the system's own form: on Windows either separator may name the same folder, and a name
    // outside the ANSI code page stays whole.
    const auto native = [](const std::string& path) {
        return sys::PathFromUtf8(path).make_preferred().lexically_normal().native();
    };
    const auto f = native(file);
    auto d = native(folder);
    if (d.empty())
        return false;
    if (d.back() != std::filesystem::path::preferred_separator)
        d += std::filesystem::path::preferred_separator;
    return f.size() > d.size() && f.compare(0, d.size(), d) == 0;
}

bool LibrariesLieIn(const Libraries& libraries, const std::string& folder) {
    if (IsInsideFolder(libraries.embeddedFolder, folder))
        return true;
    for (const auto& e : libraries.list)
        if (IsInsideFolder(e.path, folder))
            return true;
    for (const auto& p : libraries.parts)
        if (IsInsideFolder(p.file, folder))
            return true;
    return false;
}

std::string SafeFileName(const std::string& name) {
    std::string safe;
    for (char c : name) {
        UInt8 u = UInt8(c);
        bool unsafe = u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
                      c == '"' || c == '<' || c == '>' || c == '|';
        safe.push_back(unsafe ? '_' : c);
    }
    if (safe.find_first_not_of('.') == std::string::npos)
        safe = "_" + safe;
    // File names hold at most 255 bytes: long names are cut, with room for an extension, never
    // inside a UTF-8 sequence.
    if (safe.size() > MaxSafeFileNameBytes) {
        size_t cut = MaxSafeFileNameBytes;
        while (cut > 0 && (UInt8(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe.resize(cut);
    }
    return safe;
}

} // namespace simhost
