#include "export/ProductUsage.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "import/ImportDispatcher.h"
#include "import/LibPartImporter.h"
#include "import/ProductPayload.h"
#include "model/Project.h"
#include "runtime/Faults.h"
#include "support/LibraryImportHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace library_part_importer_test {

using nlohmann::json;
using namespace nlohmann::literals;
using testing_support::LibraryImportHost;
using testing_support::LibraryPartFile;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

const std::string PictureBytes = std::string("\x89PNG\r\n\x1a\n", 8) + std::string("\0pixels\xff", 8);
const std::string ExistingParameters =
    R"([{"type":2,"name":"Height","description":"Height","value":0.8},
        {"type":12,"name":"Maker","description":"Maker","flags":4,"value":"ACME"}])";

json PropertySets() {
    return R"([{"name":"Fire","properties":[{"name":"class","type":"ValueList","unit":"h","values":[{"value":1}]}]},
               {"name":"Acoustics","properties":[
                  {"name":"rw","type":"Range","unit":"dB","ranges":[[{"value":50},{"value":52}]]}]}])"_json;
}

json FamilyProduct(const std::string& name = "Chair", const std::string& contentType = "model/GSM") {
    return {{"importType", "FAMILY_IMPORT"},
            {"name", name},
            {"uuid", "prod-1"},
            {"fileForImportUuid", "f-1"},
            {"fileForImportContentType", contentType},
            {"image", {{"name", "photo.png"}, {"uuid", "img-1"}}},
            {"propertySets", PropertySets()}};
}

json GenericProduct(const std::string& name = "Crate") {
    return {{"importType", "GENERIC_GEOMETRY_IMPORT"},
            {"name", name},
            {"uuid", "gen-1"},
            {"fileForImportUuid", "g-1"},
            {"fileForImportContentType", "model/obj"},
            {"image", {{"name", "render.jpg"}, {"uuid", "img-2"}}}};
}

json Import(const json& product) {
    RunImport(GS::UniString(product.dump(), CC_UTF8));
    return json::parse(LastImportResultText.ToCStr(CC_UTF8));
}

// "type name|description|value|flags" per parameter, values only for text records.
std::vector<std::string> Describe(const std::vector<simhost::LibraryParameter>& parameters) {
    std::vector<std::string> lines;
    for (const auto& p : parameters) {
        std::string line = std::to_string(p.type) + " " + p.name + "|" + p.description;
        if (p.text)
            line += "|" + *p.text + "|" + std::to_string(p.flags);
        lines.push_back(line);
    }
    return lines;
}

const std::vector<std::string> ProductRecords(const std::string& uuid) {
    return {"15 Q7_Acoustics|Acoustics", "12 Q7_rw|rw|50/52 dB|1", "15 Q7_Fire|Fire",
            "12 Q7_class|class|1 h|1",   "15 Q7_QV_UUID|QV_UUID",  "12 Q7_QV_UUID|QV_UUID|" + uuid + "|1"};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string CodeText(GSType code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text.push_back(char((code >> shift) & 0xFF));
    return text;
}

std::vector<std::string> SectionCodes(const simhost::LibraryPart& part) {
    std::vector<std::string> codes;
    for (const auto& s : part.sections)
        codes.push_back(CodeText(s.code));
    return codes;
}

void SetFault(LibraryImportHost& f, const char* operation, GSErrCode code) {
    f.h.host.faults.Set(*simhost::ParseOperationName(operation), code);
}

} // namespace

// ---- Family products

TEST(FamilyImporter, AGsmProductIsDownloadedRegisteredTaggedAndGetsItsPreview) {
    LibraryImportHost f;
    const std::string partFile = LibraryPartFile(ExistingParameters);
    f.Serve("f-1", partFile);
    f.Serve("img-1", PictureBytes);

    EXPECT_EQ(Import(FamilyProduct())["Success"], true);

    EXPECT_EQ(f.service.Requests(), (std::vector<std::string>{"/api/v1/files/f-1", "/api/v1/files/img-1"}));
    EXPECT_EQ(ReadFile(f.temp / "Chair.GSM"), partFile);
    EXPECT_EQ(ReadFile(f.temp / "photo.png"), PictureBytes);
    ASSERT_EQ(f.Libraries().parts.size(), 1u);
    const simhost::LibraryPart& part = f.Libraries().parts[0];
    EXPECT_EQ(part.origin, "registered");
    EXPECT_EQ(part.name, "Chair");
    EXPECT_EQ(part.file, f.LibraryFolder("Chair.GSM"));
    EXPECT_EQ(part.a, 0.5) << "the part keeps its sizes";
    ASSERT_TRUE(part.parameters.has_value());
    EXPECT_EQ(Describe(*part.parameters),
              Concat({"2 Height|Height", "12 Maker|Maker|ACME|4"}, ProductRecords("prod-1")));
    EXPECT_EQ((*part.parameters)[0].real, 0.8) << "existing records are copied byte for byte";
    const simhost::LibraryPartSection* preview = part.FindSection(FourCC("GIFF"));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->bytes, std::string("image/png") + '\0' + PictureBytes);
    ASSERT_EQ(f.Libraries().list.size(), 1u) << "the user library folder is listed";
    EXPECT_EQ(f.Libraries().list[0].path, f.LibraryFolder());
    EXPECT_EQ(f.h.host.project.libraries.overwrite, false);
}

TEST(FamilyImporter, ReimportReplacesThePartWithoutPilingUpParameters) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile("[]"));
    f.Serve("img-1", PictureBytes);
    ASSERT_EQ(Import(FamilyProduct())["Success"], true);
    ASSERT_EQ(Import(FamilyProduct())["Success"], true);
    ASSERT_EQ(f.Libraries().parts.size(), 1u);
    EXPECT_EQ(Describe(*f.Libraries().parts[0].parameters), ProductRecords("prod-1"));
    EXPECT_EQ(f.Libraries().list.size(), 1u) << "the library folder is listed once";
}

TEST(FamilyImporter, OnlyExactlyGsmAndLcfAct) {
    const char* const contentTypes[] = {"model/gsm", "model/Gsm", "model/xyz", "GSM ", "application/lcF"};
    for (const char* contentType : contentTypes) {
        LibraryImportHost f;
        f.Serve("f-1", LibraryPartFile());
        f.Serve("img-1", PictureBytes);
        EXPECT_EQ(Import(FamilyProduct("Chair", contentType))["Success"], true) << contentType;
        EXPECT_TRUE(f.Libraries().parts.empty()) << contentType;
        EXPECT_TRUE(f.Libraries().list.empty()) << contentType;
        EXPECT_FALSE(std::filesystem::exists(f.LibraryFolder())) << contentType;
    }
    LibraryImportHost f;
    EXPECT_EQ(Import(FamilyProduct("Chair", "model/gsm"))["Success"], true)
        << "a file that would not be used is not missed";
}

// Imported again, a container is read again: a part only the new file holds can be placed.
TEST(FamilyImporter, AContainerIsListedOnceAndReadAgainOnEveryImport) {
    LibraryImportHost f;
    f.Serve("f-1", R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"Desk"}]})");
    f.Serve("img-1", PictureBytes);
    json product = FamilyProduct("Lights", "application/lcf");
    ASSERT_EQ(Import(product)["Success"], true);
    f.Serve("f-1", R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"Desk"},
                        {"name":"Shelf"}]})");
    ASSERT_EQ(Import(product)["Success"], true);
    const std::string container = f.temp / "Lights.lcf";
    ASSERT_EQ(f.Libraries().list.size(), 1u);
    EXPECT_EQ(f.Libraries().list[0].path, container);
    EXPECT_NE(ReadFile(container).find("Shelf"), std::string::npos) << "the download refreshed the file";
    EXPECT_TRUE(f.Libraries().parts.empty()) << "a container gets no parameters and no preview";
    std::vector<std::string> parts;
    for (const auto& part : f.Libraries().AllParts())
        parts.push_back(part->name);
    EXPECT_EQ(parts, (std::vector<std::string>{"Lamp", "Desk", "Shelf"}))
        << "each part once, the new one too";
    EXPECT_EQ(f.h.host.counters.Of("EnvironmentRequest.SLIB"), 2u);
    EXPECT_FALSE(std::filesystem::exists(f.LibraryFolder())) << "a container needs no library folder";
}

TEST(FamilyImporter, AProductWithoutANameDownloadsNothing) {
    for (json name : {json(), json("")}) {
        LibraryImportHost f;
        f.Serve("f-1", LibraryPartFile());
        json product = FamilyProduct();
        product["name"] = name;
        EXPECT_EQ(Import(product)["Success"], true);
        EXPECT_TRUE(f.service.Requests().empty());
        EXPECT_TRUE(f.Libraries().parts.empty());
    }
}

// ---- Generic products

TEST(GenericImporter, CreatesAPartWithTheSixSectionsAndTheirTexts) {
    LibraryImportHost f;
    f.Serve("g-1", "OBJ-BYTES");
    json product = GenericProduct();
    product.erase("image");
    ASSERT_EQ(Import(product)["Success"], true);
    ASSERT_EQ(f.Libraries().parts.size(), 1u);
    const simhost::LibraryPart& part = f.Libraries().parts[0];
    EXPECT_EQ(part.origin, "created");
    EXPECT_EQ(part.name, "Crate");
    EXPECT_EQ(part.flags, 0x0100);
    EXPECT_EQ(part.file, f.LibraryFolder("Crate.gsm"));
    EXPECT_EQ(SectionCodes(part), (std::vector<std::string>{"CTXT", "KWRD", "CPYR", "1DSC", "3DSC", "2DSC"}));
    const std::vector<std::string> texts = {
        "Crate",
        "Quorvel LibPart",
        "Crate",
        "",
        "MATERIAL mat\n\nBLOCK a, b, 1\nADD a * 1, b* 1, 1\nADDZ zzyzx - 3\n",
        "PROJECT2 3, 270, 2\n"};
    for (size_t n = 0; n < texts.size(); ++n)
        EXPECT_EQ(part.sections[n].bytes, texts[n]) << SectionCodes(part)[n];
    ASSERT_TRUE(part.parameters.has_value());
    EXPECT_EQ(Describe(*part.parameters),
              (std::vector<std::string>{"15 Q7_QV_UUID|QV_UUID", "12 Q7_QV_UUID|QV_UUID|gen-1|1"}))
        << "a product without property sets gets the tag alone";
    EXPECT_TRUE(std::filesystem::is_regular_file(part.file));
}

namespace {
std::vector<bool> overwriteAtCreate;
GSErrCode RecordingCreate(API_AddOnHandle handle, API_LibPart* part) {
    overwriteAtCreate.push_back(simhost::CurrentHost().project.libraries.overwrite);
    return reinterpret_cast<HostFn::CreateLibraryPart>(
        simhost::CurrentHost().table.entries[HostOps[int(HostOp::CreateLibraryPart)].slot])(handle, part);
}
} // namespace

TEST(GenericImporter, OverwritingIsOnOnlyAroundTheCreateCall) {
    LibraryImportHost f;
    f.Serve("g-1", "OBJ-BYTES");
    overwriteAtCreate.clear();
    f.ReplaceSlot(HostOp::CreateLibraryPart, &RecordingCreate);
    ASSERT_EQ(Import(GenericProduct())["Success"], true);
    ASSERT_EQ(Import(GenericProduct())["Success"], true);
    EXPECT_EQ(overwriteAtCreate, (std::vector<bool>{true, true}));
    EXPECT_FALSE(f.Libraries().overwrite);
    EXPECT_EQ(f.Libraries().parts.size(), 1u) << "the second generation replaces the first";
    EXPECT_EQ(f.h.host.counters.Of("EnvironmentRequest.OWLP"), 4u);

    SetFault(f, "CreateLibraryPart", ErrNameExists);
    ASSERT_EQ(Import(GenericProduct())["Success"], true) << "a failed create is no failed import";
    EXPECT_EQ(f.h.host.counters.Of("EnvironmentRequest.OWLP"), 6u);
    EXPECT_FALSE(f.Libraries().overwrite) << "switched off after a failed create too";
    EXPECT_EQ(f.h.host.counters.Of("BeginLibraryPartSection"), 12u) << "no section after a failed create";
}

TEST(GenericImporter, ThePreviewIsMadeOfTheProductFileAndTypedByThePicture) {
    LibraryImportHost f;
    f.Serve("g-1", std::string("OBJ\0BYTES", 9));
    f.Serve("img-2", PictureBytes);
    ASSERT_EQ(Import(GenericProduct())["Success"], true);
    ASSERT_EQ(f.Libraries().parts.size(), 1u);
    const simhost::LibraryPart& part = f.Libraries().parts[0];
    EXPECT_EQ(SectionCodes(part).back(), "GIFF");
    EXPECT_EQ(part.FindSection(FourCC("GIFF"))->bytes, std::string("image/jpg\0OBJ\0BYTES", 19));
}

TEST(GenericImporter, WithoutANameTheUserIsToldAndNothingIsDownloaded) {
    LibraryImportHost f;
    f.Serve("g-1", "OBJ-BYTES");
    json product = GenericProduct();
    product.erase("name");
    EXPECT_EQ(Import(product)["Success"], true);
    EXPECT_EQ(f.h.host.reports, std::vector<std::string>{"Name is not defined"});
    EXPECT_TRUE(f.service.Requests().empty());
    EXPECT_TRUE(f.Libraries().parts.empty());
}

// ---- Reading the product

TEST(ReadProduct, ExtensionRulesAreAppliedBlindly) {
    struct Case {
        std::string pictureName;
        std::string imageName, imageExtension;
        bool pictureDownloaded;
    } cases[] = {
        {"photo.png", "photo", "png", true},
        {"photo.jpeg", "photo.", "peg", true},
        {"png", "png", "png", true},
        {".png", "", "png", false},
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        f.Serve("f-1", "file");
        f.Serve("img-1", "picture");
        json product = FamilyProduct("Chair", "model/GSM");
        product["image"]["name"] = c.pictureName;
        const ProductRecord record = ReadProduct(product);
        EXPECT_EQ(record.file.extension, "GSM");
        EXPECT_EQ(record.image.name, c.imageName) << c.pictureName;
        EXPECT_EQ(record.image.extension, c.imageExtension) << c.pictureName;
        EXPECT_EQ(record.localFolder, f.temp.Path());
        EXPECT_EQ(f.service.Requests().size(), c.pictureDownloaded ? 2u : 1u) << c.pictureName;
        EXPECT_EQ(record.image.downloaded, c.pictureDownloaded) << c.pictureName;
        if (c.pictureDownloaded) {
            EXPECT_EQ(ReadFile(f.temp / *LocalFileName(record.image)), "picture") << c.pictureName;
        }
    }
}

TEST(ReadProduct, ShortContentTypesAndPictureNamesStopBeforeAnyDownload) {
    struct Case {
        const char* key;
        json value;
    } cases[] = {
        {"fileForImportContentType", "GS"}, {"fileForImportContentType", ""}, {"image", {{"name", "ab"}}}};
    for (const auto& c : cases) {
        LibraryImportHost f;
        f.Serve("f-1", LibraryPartFile());
        json product = FamilyProduct();
        product[c.key] = c.value;
        EXPECT_THROW(RunImport(GS::UniString(product.dump(), CC_UTF8)), std::out_of_range) << c.value;
        EXPECT_TRUE(f.service.Requests().empty()) << c.value;
        EXPECT_TRUE(f.Libraries().parts.empty());
    }
    LibraryImportHost f;
    json product = FamilyProduct();
    product["fileForImportContentType"] = nullptr;
    product["image"] = nullptr;
    const ProductRecord record = ReadProduct(product);
    EXPECT_EQ(record.file.extension, "");
    EXPECT_EQ(record.image.name, "");
    EXPECT_EQ(record.image.extension, "");
    EXPECT_EQ(f.service.Requests(), std::vector<std::string>{"/api/v1/files/f-1"});
}

TEST(ReadProduct, WithoutTempFilesGoToTmp) {
    LibraryImportHost f;
    testing_support::ScopedEnvironment noTemp("TEMP", nullptr);
    const std::string name = "quorvel-libparts-test-" + std::to_string(::getpid());
    f.Serve("f-1", "file");
    json product = FamilyProduct(name, "model/xyz");
    product.erase("image");
    const ProductRecord record = ReadProduct(product);
    EXPECT_EQ(record.localFolder, "/tmp");
    EXPECT_EQ(ReadFile("/tmp/" + name + ".xyz"), "file");
    std::filesystem::remove("/tmp/" + name + ".xyz");
}

// ---- Unsafe texts

TEST(ReadProduct, NamesBecomeSafeFileNamesInsideTheDownloadFolder) {
    struct Case {
        std::string name, contentType;
        std::string file; // as it lands in the download folder
    } cases[] = {
        {"Chair", "model/GSM", "Chair.GSM"},
        {"../../evil", "model/GSM", ".._.._evil~b0432885.GSM"},
        {"a/b\\c:d*e?f\"g<h>i|j", "model/GSM", "a_b_c_d_e_f_g_h_i_j~3bf4c24e.GSM"},
        {std::string("nul\0x\x01\x1f\x7f", 8), "model/GSM", "nul_x___~1e14c059.GSM"},
        {"St\xC3\xBChl", "x/../", "St\xC3\xBChl~efecce16..._"},
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        f.Serve("f-1", "file");
        json product = FamilyProduct(c.name, c.contentType);
        product.erase("image");
        const ProductRecord record = ReadProduct(product);
        EXPECT_TRUE(record.file.downloaded) << c.file;
        EXPECT_EQ(ReadFile(f.temp / c.file), "file") << c.file;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.temp.path), {}), 1) << c.file;
        EXPECT_EQ(record.file.name, c.name) << "the product keeps its name";
    }
}

namespace {
std::vector<std::string> registeredFileNames;
GSErrCode RecordingRegister(API_AddOnHandle handle, API_LibPart* part) {
    registeredFileNames.push_back(GS::Utf16ToUtf8(part->fileName));
    return reinterpret_cast<HostFn::RegisterLibraryPart>(
        simhost::CurrentHost().table.entries[HostOps[int(HostOp::RegisterLibraryPart)].slot])(handle, part);
}
} // namespace

// The host makes files of a generated part's document name and of a registered part's file name:
// the add-on hands them over safe, as it makes the names of its downloads.
TEST(LibPartImporters, NamesTheHostMakesFilesOfAreSafe) {
    const struct {
        std::string name, safe;
    } cases[] = {{"a/b:c", "a_b_c~379e35e6"}, {"..", "__~a3d4a70d"},
                 {".", "_~2b0c98f1"},         {"Chair", "Chair"},
                 {"CON", "_CON~3367e86b"},    {std::string("Nul\0Evil", 8), "Nul_Evil~0782fe1e"}};
    for (const auto& c : cases) {
        LibraryImportHost f;
        f.Serve("f-1", LibraryPartFile());
        f.Serve("g-1", "OBJ");
        registeredFileNames.clear();
        f.ReplaceSlot(HostOp::RegisterLibraryPart, &RecordingRegister);
        json family = FamilyProduct(c.name);
        family.erase("image");
        ASSERT_EQ(Import(family)["Success"], true) << c.name;
        EXPECT_EQ(registeredFileNames, std::vector<std::string>{c.safe}) << c.name;
        json generic = GenericProduct(c.name);
        generic["fileForImportContentType"] = "...";
        generic["image"]["name"] = c.name + "....";
        ASSERT_EQ(Import(generic)["Success"], true) << c.name;
        ASSERT_FALSE(f.Libraries().parts.empty()) << c.name;
        EXPECT_EQ(f.Libraries().parts.back().name, c.safe) << "the generated part's document name";
    }
}

// The longest names fit the file system whole; longer ones are cut, never inside a character,
// and marked, so that the downloaded file and the registered copy are written.
TEST(ReadProduct, NamesUpToTheFileSystemsLimitDownloadAndLongerOnesAreCut) {
    const std::string u = "\xC3\xBC"; // two bytes
    auto repeat = [](const std::string& piece, size_t times) {
        std::string text;
        for (size_t i = 0; i < times; ++i)
            text += piece;
        return text;
    };
    const struct {
        std::string name;
        std::string file; // as downloaded and registered
    } cases[] = {
        {std::string(251, 'n'), std::string(251, 'n') + ".GSM"},
        {std::string(252, 'n'), std::string(242, 'n') + "~90c474f5.GSM"},
        {std::string(240, 'n'), std::string(240, 'n') + ".GSM"},
        {"a" + repeat(u, 130),
         "a" + repeat(u, 120) + "~c44bd024.GSM"},           // the cut falls between two characters
        {repeat(u, 200), repeat(u, 121) + "~34363e05.GSM"}, // the cut would fall inside the 122nd
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        f.Serve("f-1", LibraryPartFile());
        json product = FamilyProduct(c.name);
        product.erase("image");
        ASSERT_EQ(Import(product)["Success"], true) << c.name.size();
        EXPECT_EQ(ReadFile(f.temp / c.file), LibraryPartFile()) << c.name.size();
        ASSERT_EQ(f.Libraries().parts.size(), 1u) << c.name.size();
        EXPECT_EQ(f.Libraries().parts[0].file, f.LibraryFolder(c.file));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.temp.path), {}), 1)
            << "no temporary file is left";
    }
}

// One rule makes every name a file name: valid UTF-8, no device name Windows would open instead,
// no trailing dot or space Windows would drop, no more than 255 bytes. A name it changes carries
// a stable mark of the original, so that two products never share a file; a name already safe
// keeps its plain file name.
TEST(SafeFileNames, EveryNameIsOneWindowsHoldsAndNoTwoProductsShareOne) {
    const struct {
        std::string name, extension, file;
    } cases[] = {
        {"Chair", "GSM", "Chair.GSM"},
        {"Door 1/2", "GSM", "Door 1_2~0b0bbdd3.GSM"},
        {"Door 1:2", "GSM", "Door 1_2~213b3eaa.GSM"},
        {std::string(252, 'n'), "GSM", std::string(242, 'n') + "~90c474f5.GSM"},
        {std::string(251, 'n') + "m", "GSM", std::string(242, 'n') + "~8dc4703c.GSM"},
        {std::string(251, 'n'), "GSM", std::string(251, 'n') + ".GSM"},
        {"CON", "GSM", "_CON~3367e86b.GSM"},
        {"aux", "GSM", "_aux~2563d0d9.GSM"},
        {"NUL.txt", "GSM", "_NUL.txt~22d7f156.GSM"},
        {"com1", "GSM", "_com1~31430e3d.GSM"},
        {"lpt9", "GSM", "_lpt9~eb2e9ac2.GSM"},
        {"LPT\xC2\xB9", "GSM", "_LPT\xC2\xB9~013a4fea.GSM"},
        {"CON .x", "GSM", "_CON .x~90b1bccf.GSM"},
        {"COM10", "GSM", "COM10.GSM"},
        {"CONSOLE", "GSM", "CONSOLE.GSM"},
        {"Door.", "GSM", "Door_~ceca6c25.GSM"},
        {"Door ", "GSM", "Door_~d0ca6f4b.GSM"},
        {"photo.", "peg", "photo_~1d88e4b7.peg"},
        {std::string("Nul\0Evil", 8), "GSM", "Nul_Evil~0782fe1e.GSM"},
        {"\xE2\x80\xAE"
         "evil",
         "GSM", "_evil~760e5e49.GSM"},
        {"x\xC3", "abc", "x_~9e625b0c.abc"},
        {"Chair",
         "\xA4"
         "bc",
         "Chair~0efc6bb7._bc"},
        {"St\xC3\xBChl \xE2\x80\x94 Ei\xC3\x9F", "GSM", "St\xC3\xBChl \xE2\x80\x94 Ei\xC3\x9F.GSM"},
        {"Door~0123abcd", "GSM", "Door~0123abcd~166c2ae1.GSM"},
        {"Door~0123abcg", "GSM", "Door~0123abcg.GSM"},
    };
    std::set<std::string> files;
    for (const auto& c : cases) {
        const auto file = LocalFileName(c.name, c.extension);
        ASSERT_TRUE(file.has_value()) << c.file;
        EXPECT_EQ(*file, c.file);
        EXPECT_LE(file->size(), 255u) << c.file;
        EXPECT_EQ(GS::Utf16ToUtf8(GS::Utf8ToUtf16(*file)), *file) << "valid UTF-8: " << c.file;
        EXPECT_TRUE(files.insert(*file).second) << "shared: " << c.file;
        if (c.extension == "GSM") {
            EXPECT_EQ(SafeHostFileBase(c.name, 3) + ".GSM", *file) << "one rule: " << c.file;
        }
        EXPECT_EQ(LocalFileName(c.name, c.extension), file) << "stable: " << c.file;
    }
}

// Names that became one file name before are two products, two files, two parts, two tags.
TEST(LibPartImporters, TwoProductsNeverShareAFile) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile());
    f.Serve("f-2", LibraryPartFile(ExistingParameters));
    f.Serve("g-1", "OBJ");
    for (const char* name : {"Door 1/2", "Door 1:2"}) {
        const std::string n = name[6] == '/' ? "1" : "2";
        json family = FamilyProduct(name);
        family.erase("image");
        family["uuid"] = "family-" + n;
        family["fileForImportUuid"] = "f-" + n;
        ASSERT_EQ(Import(family)["Success"], true) << name;
        json generic = GenericProduct(name);
        generic.erase("image");
        generic["uuid"] = "generic-" + n;
        ASSERT_EQ(Import(generic)["Success"], true) << name;
    }
    std::set<std::string> uuids, partFiles;
    for (const auto& item : FindTaggedLibraryParts())
        uuids.insert(item.uuid);
    for (const auto& part : f.Libraries().parts)
        partFiles.insert(part.file);
    EXPECT_EQ(uuids, (std::set<std::string>{"family-1", "family-2", "generic-1", "generic-2"}));
    EXPECT_EQ(partFiles.size(), 4u);
    EXPECT_EQ(ReadFile(f.temp / "Door 1_2~0b0bbdd3.GSM"), LibraryPartFile());
    EXPECT_EQ(ReadFile(f.temp / "Door 1_2~213b3eaa.GSM"), LibraryPartFile(ExistingParameters));
}

// A library part holds 255 units of the identifier: a longer one would tag another product.
TEST(LibPartImporters, AnIdentifierLongerThanTheTagHoldsIsRefusedBeforeAnythingIsMade) {
    const struct {
        json product;
        size_t units;
        bool refused;
    } cases[] = {
        {FamilyProduct(), 255, false},
        {FamilyProduct(), 256, true},
        {GenericProduct(), 255, false},
        {GenericProduct(), 256, true},
        {FamilyProduct("Lights", "application/lcf"), 256, false}, // a container is not tagged
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        f.Serve("f-1", R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"}]})");
        f.Serve("g-1", "OBJ");
        json product = c.product;
        product["uuid"] = "\xE2\x82\xAC" + std::string(c.units - 1, 'u'); // one unit, three bytes
        if (product["fileForImportContentType"] == "model/GSM")
            f.Serve("f-1", LibraryPartFile());
        const json result = Import(product);
        EXPECT_EQ(result["Success"], !c.refused) << product["importType"] << " " << c.units;
        const auto tagged = FindTaggedLibraryParts();
        if (c.refused) {
            EXPECT_EQ(result, json::parse(R"({"Success":false})"));
            EXPECT_TRUE(f.Libraries().parts.empty());
            EXPECT_EQ(f.h.host.counters.Of("RegisterLibraryPart") + f.h.host.counters.Of("CreateLibraryPart"),
                      0u);
            const auto lines = f.h.TakeDebugLines();
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
                return l.find("identifier is longer") != std::string::npos;
            }));
        } else if (!f.Libraries().parts.empty()) {
            ASSERT_EQ(tagged.size(), 1u);
            EXPECT_EQ(tagged[0].uuid, product["uuid"].get<std::string>()) << "whole";
        }
    }
}

TEST(ReadProduct, TheUuidIsPercentEncodedInTheAddress) {
    testing_support::ScopedEnvironment service(FileServiceVariable, "http://127.0.0.1:1");
    EXPECT_EQ(FileServiceAddress("3f2b9c1e-0d4a-4b7e-9f00-aa11bb22cc33"),
              "http://127.0.0.1:1/api/v1/files/3f2b9c1e-0d4a-4b7e-9f00-aa11bb22cc33");
    EXPECT_EQ(FileServiceAddress("A-z_0.9~"), "http://127.0.0.1:1/api/v1/files/A-z_0.9~");
    EXPECT_EQ(FileServiceAddress("."), "http://127.0.0.1:1/api/v1/files/%2E") << "not resolved away";
    EXPECT_EQ(FileServiceAddress(".."), "http://127.0.0.1:1/api/v1/files/%2E%2E");
    EXPECT_EQ(FileServiceAddress("..."), "http://127.0.0.1:1/api/v1/files/...");
    EXPECT_EQ(FileServiceAddress("a b/c?d#e%f&\xC3\xBC"),
              "http://127.0.0.1:1/api/v1/files/a%20b%2Fc%3Fd%23e%25f%26%C3%BC");

    LibraryImportHost f;
    f.Serve("x#y z", "the right one");
    f.Serve("x", "the wrong one");
    json product = FamilyProduct("Chair", "model/xyz");
    product["fileForImportUuid"] = "x#y z";
    product.erase("image");
    const ProductRecord record = ReadProduct(product);
    EXPECT_TRUE(record.file.downloaded);
    EXPECT_EQ(ReadFile(f.temp / "Chair.xyz"), "the right one");
}

// ---- Failed downloads

// A file at the download's target may be one the project uses: a container imported before is
// listed at that very path. A failed download keeps it; a family product whose file did not
// arrive fails.
TEST(FamilyImporter, AFailedDownloadKeepsTheFileThereAndFailsTheImport) {
    const std::string container =
        R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"Desk"}]})";
    // The file service no longer has the file, or answers nothing (as Windows' download reports
    // an error answer: success, and an empty file).
    for (const bool empty : {false, true}) {
        LibraryImportHost f;
        f.Serve("f-1", container);
        json lights = FamilyProduct("Lights", "application/lcf");
        ASSERT_EQ(Import(lights)["Success"], true);
        WriteFile(f.temp / "Chair.GSM", LibraryPartFile()); // from an earlier import
        std::filesystem::remove(f.served / "f-1");
        if (empty)
            f.Serve("f-1", "");

        EXPECT_EQ(Import(FamilyProduct()), json::parse(R"({"Success":false})")) << empty;
        EXPECT_EQ(ReadFile(f.temp / "Chair.GSM"), LibraryPartFile()) << empty;
        EXPECT_TRUE(f.Libraries().parts.empty()) << "a file that did not arrive is not registered";
        const auto lines = f.h.TakeDebugLines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.find("download of") != std::string::npos &&
                   l.find("/api/v1/files/f-1") != std::string::npos;
        })) << empty;

        EXPECT_EQ(Import(lights), json::parse(R"({"Success":false})")) << empty;
        EXPECT_EQ(ReadFile(f.temp / "Lights.lcf"), container) << "the listed container stays";
        ASSERT_EQ(f.Libraries().list.size(), 1u);
        EXPECT_EQ(f.Libraries().AllParts().size(), 2u);
        EXPECT_EQ(simhost::ProjectFromJson(simhost::ProjectToJson(f.h.host.project), "saved")
                      .libraries.AllParts()
                      .size(),
                  2u)
            << "reopened, its parts can still be placed";
    }
}

// The generated part is made of fixed scripts; the product file only gives the preview.
TEST(GenericImporter, AGenericProductIsGeneratedWhetherOrNotItsFileArrives) {
    const struct {
        const char* what;
        json uuid; // fileForImportUuid; absent when discarded
        bool served;
        size_t requests;
    } cases[] = {
        {"the file is served", "g-1", true, 2},
        {"the file is not available", "g-1", false, 2},
        {"no file: null", nullptr, false, 1},
        {"no file: absent", json::value_t::discarded, false, 1},
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        WriteFile(f.temp / "Crate.obj", "stale");
        f.Serve("img-2", PictureBytes);
        if (c.served)
            f.Serve("g-1", "OBJ");
        json product = GenericProduct();
        if (c.uuid.is_discarded())
            product.erase("fileForImportUuid");
        else
            product["fileForImportUuid"] = c.uuid;
        ASSERT_EQ(Import(product)["Success"], true) << c.what;
        ASSERT_EQ(f.Libraries().parts.size(), 1u) << c.what;
        const simhost::LibraryPart& part = f.Libraries().parts[0];
        EXPECT_EQ(part.name, "Crate");
        EXPECT_EQ(part.FindSection(FourCC("3DSC")) != nullptr, true) << c.what;
        EXPECT_EQ(part.FindSection(FourCC("GIFF")) != nullptr, c.served) << "a preview only of a new file";
        EXPECT_EQ(Describe(*part.parameters).back(), "12 Q7_QV_UUID|QV_UUID|gen-1|1") << c.what;
        EXPECT_EQ(f.service.Requests().size(), c.requests) << "a null uuid requests nothing: " << c.what;
        EXPECT_EQ(ReadFile(f.temp / "Crate.obj"), c.served ? "OBJ" : "stale") << c.what;
    }
}

TEST(LibPartImporters, AFailedPictureLeavesThePartWithoutPreview) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile());
    f.Serve("g-1", "OBJ");
    WriteFile(f.temp / "photo.png", "stale picture");
    ASSERT_EQ(Import(FamilyProduct())["Success"], true);
    ASSERT_EQ(Import(GenericProduct())["Success"], true);
    ASSERT_EQ(f.Libraries().parts.size(), 2u);
    for (const auto& part : f.Libraries().parts) {
        EXPECT_EQ(part.FindSection(FourCC("GIFF")), nullptr) << part.name;
        EXPECT_EQ(Describe(*part.parameters).back(),
                  "12 Q7_QV_UUID|QV_UUID|" + std::string(part.name == "Chair" ? "prod-1" : "gen-1") + "|1");
    }
    EXPECT_EQ(ReadFile(f.temp / "photo.png"), "stale picture") << "kept, and not used";
}

// ---- Fixed-size fields

TEST(LibPartImporters, LongTextsAreCutToTheirFields) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile());
    const std::string longSet(300, 'A');
    const std::string longProperty = "p" + std::string(39, 'x'); // 40 characters
    const std::string longValue(600, 'v');
    json product = FamilyProduct();
    product.erase("image");
    product["propertySets"] = json::array({{{"name", longSet},
                                            {"properties",
                                             {{{"name", longProperty},
                                               {"type", "Range"},
                                               {"unit", longValue},
                                               {"ranges", json::array({json::array({{{"value", 1}}})})}}}}}});
    ASSERT_EQ(Import(product)["Success"], true);
    const auto& parameters = *f.Libraries().parts.at(0).parameters;
    ASSERT_EQ(parameters.size(), 4u);
    EXPECT_EQ(parameters[0].name, "Q7_" + std::string(28, 'A'));
    EXPECT_EQ(parameters[0].description, std::string(255, 'A'));
    EXPECT_EQ(parameters[1].name, "Q7_" + longProperty.substr(0, 28)) << "31 bytes and the terminator";
    EXPECT_EQ(parameters[1].description, longProperty) << "the description keeps the whole name";
    EXPECT_EQ(*parameters[1].text, ("1 " + longValue).substr(0, 255));
}

TEST(LibPartImporters, NameFieldsAreCutWithoutSplittingACharacter) {
    // A character outside the basic plane takes two units of the 255 that fit.
    std::string emoji;
    for (int i = 0; i < 130; ++i)
        emoji += "\xF0\x9F\x98\x80";
    const struct {
        std::string name, kept;
    } cases[] = {
        {std::string(300, 'n'), std::string(255, 'n')},
        {emoji, emoji.substr(0, 127 * 4)},             // the cut falls inside the 128th pair
        {"n" + emoji, "n" + emoji.substr(0, 127 * 4)}, // the cut falls right after the 127th pair
    };
    for (const auto& c : cases) {
        API_LibPart part = MakeLibPartRecord(c.name);
        EXPECT_EQ(part.typeID, 4);
        EXPECT_EQ(GS::Utf16ToUtf8(part.docuName), c.kept) << c.name.size();
    }
}

TEST(GenericImporter, ALongNameGoesWholeIntoTheSectionsAndCutIntoTheRecord) {
    LibraryImportHost f;
    ProductRecord record;
    record.localFolder = f.temp.Path();
    record.file = {std::string(1500, 'L'), "obj", "g-1", true};
    AddProductTag(record.properties, "gen-1");
    ASSERT_EQ(LibPartImporter::CreateGeneratedLibPart(record), NoError);
    ASSERT_EQ(f.Libraries().parts.size(), 1u);
    const auto& part = f.Libraries().parts[0];
    EXPECT_EQ(part.name, std::string(242, 'L') + "~d26b7605")
        << "with its extension, a file name of 255 bytes";
    EXPECT_EQ(part.sections.at(0).bytes, std::string(1500, 'L'));
    EXPECT_EQ(part.sections.at(2).bytes, std::string(1500, 'L'));
}

namespace {
// A host whose parts have `partRecords` parameters of their own.
Int32 partRecords = 0;
GSErrCode ManyParameters(API_AddOnHandle, Int32, double* a, double* b, Int32* count, API_AddParType*** list) {
    *list = reinterpret_cast<API_AddParType**>(
        BMAllocateHandle(Int64(partRecords) * Int64(sizeof(API_AddParType)), ALLOCATE_CLEAR, 0));
    for (Int32 n = 0; n < partRecords; ++n)
        (**list)[n].name[0] = 'p';
    *a = *b = 1.0;
    *count = partRecords;
    return NoError;
}
} // namespace

TEST(LibPartImporters, AParameterListBeyondTheSixteenBitCountIsRefused) {
    // A set's title and its properties, and the tag's 2: 1 + 32764 + 2 records fill a 16-bit
    // count exactly, one more does not fit. (The importer is called directly: the dispatcher's
    // answer to a refusal is shown with the failed downloads.)
    for (int count : {32765, 32764}) {
        LibraryImportHost f;
        f.Serve("f-1", LibraryPartFile());
        json properties = json::array();
        for (int n = 0; n < count; ++n)
            properties.push_back({{"name", "p" + std::to_string(n)}, {"type", "Text"}});
        json product = FamilyProduct();
        product.erase("image");
        product["propertySets"] = json::array({{{"name", "Big"}, {"properties", properties}}});
        if (count + 3 > 32767) {
            EXPECT_THROW(FamilyImporter().Import(product), ImportRefused);
            EXPECT_TRUE(f.Libraries().parts.empty());
            EXPECT_EQ(f.h.host.counters.Of("RegisterLibraryPart"), 0u);
        } else {
            EXPECT_NO_THROW(FamilyImporter().Import(product));
            ASSERT_EQ(f.Libraries().parts.size(), 1u);
            EXPECT_EQ(f.Libraries().parts[0].parameters->size(), 32767u);
        }
    }

    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile());
    json product = FamilyProduct();
    product.erase("image");

    // The part's own records count as well: with the tag's two, 32767 fit and 32768 do not.
    product.erase("propertySets");
    ASSERT_EQ(Import(product)["Success"], true);
    f.ReplaceSlot(HostOp::GetLibraryPartParameters, &ManyParameters);
    API_LibPart part{};
    part.index = 1;
    PropertySetMap tag;
    AddProductTag(tag, "prod-1");
    for (Int32 own : {32766, 32765}) {
        partRecords = own;
        const Int64 blocks = BM::LiveBlocks();
        EXPECT_EQ(LibPartImporter::WriteParameterSection(part, tag, false), own + 2 <= 32767) << own;
        EXPECT_EQ(BM::LiveBlocks(), blocks) << own;
        EXPECT_EQ(f.Libraries().parts[0].parameters->size(), own == 32766 ? 2u : 32767u) << own;
    }
}

namespace {
// A host that hands out a list and still answers a failure.
GSErrCode FailingParameters(API_AddOnHandle, Int32, double*, double*, Int32* count, API_AddParType*** list) {
    *list = reinterpret_cast<API_AddParType**>(
        BMAllocateHandle(2 * Int64(sizeof(API_AddParType)), ALLOCATE_CLEAR, 0));
    auto* records = **list;
    records[0].typeMod = ParamModifierArray;
    records[0].value.array = BMAllocateHandle(8, ALLOCATE_CLEAR, 0);
    *count = 2;
    return ErrGeneral;
}
} // namespace

TEST(LibPartImporters, AFailedParameterReadIsAnEmptyListAndLeaksNothing) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile(ExistingParameters));
    json product = FamilyProduct();
    product.erase("image");
    f.ReplaceSlot(HostOp::GetLibraryPartParameters, &FailingParameters);
    const Int64 blocks = BM::LiveBlocks();
    ASSERT_EQ(Import(product)["Success"], true);
    EXPECT_EQ(BM::LiveBlocks(), blocks);
    const auto& part = f.Libraries().parts.at(0);
    EXPECT_EQ(Describe(*part.parameters), ProductRecords("prod-1"))
        << "without the part's own records only the product's are written";
    EXPECT_EQ(part.a, 1.0) << "unknown sizes: one metre";
}

// ---- The library folder

TEST(FindLibraryFolder, TheEmbeddedLibraryGetsAQuorvelFolder) {
    struct Case {
        const char* before; // what is at <embedded>/Quorvel beforehand
        bool inQuorvel;
    } cases[] = {{"nothing", true}, {"folder", true}, {"file", false}};
    for (const auto& c : cases) {
        LibraryImportHost f;
        testing_support::TempFolder embedded;
        f.Libraries().embeddedFolder = embedded.Path();
        if (std::string(c.before) == "folder")
            std::filesystem::create_directory(embedded / "Quorvel");
        if (std::string(c.before) == "file")
            WriteFile(embedded / "Quorvel", "in the way");
        std::unique_ptr<IO::Location> location;
        EXPECT_EQ(FindLibraryFolder(location), NoError) << c.before;
        ASSERT_NE(location, nullptr);
        EXPECT_EQ(location->ToPath(), c.inQuorvel ? embedded / "Quorvel" : embedded.Path()) << c.before;
        if (c.inQuorvel) {
            EXPECT_TRUE(std::filesystem::is_directory(embedded / "Quorvel"));
        }
        EXPECT_EQ(f.h.host.counters.Of("EnvironmentRequest.SLIB"), 0u);
        EXPECT_FALSE(std::filesystem::exists(f.LibraryFolder()));
    }
}

TEST(FindLibraryFolder, TheUserLibraryFolderIsListedOnceAcrossCalls) {
    LibraryImportHost f;
    std::unique_ptr<IO::Location> first, second;
    ASSERT_EQ(FindLibraryFolder(first), NoError);
    ASSERT_EQ(FindLibraryFolder(second), NoError);
    EXPECT_EQ(first->ToPath(), f.LibraryFolder());
    EXPECT_EQ(*second, *first);
    EXPECT_TRUE(std::filesystem::is_directory(f.LibraryFolder()));
    ASSERT_EQ(f.Libraries().list.size(), 1u);
    EXPECT_EQ(f.Libraries().list[0].path, f.LibraryFolder());
}

TEST(FindLibraryFolder, FailuresAnswerTheirCodeAndNoLocation) {
    struct Case {
        const char* name;
        std::function<void(LibraryImportHost&)> arrange;
        GSErrCode code;
    } cases[] = {
        {"library list unreadable",
         [](LibraryImportHost& f) { SetFault(f, "EnvironmentRequest.GLIB", ErrBadIndex); }, ErrBadIndex},
        {"no special folder",
         [](LibraryImportHost& f) { SetFault(f, "EnvironmentRequest.GSPF", ErrBadParameter); },
         ErrBadParameter},
        {"folder unusable", [](LibraryImportHost& f) { WriteFile(f.LibraryFolder(), "a file"); },
         GSErrCode(0x81060001u)},
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        c.arrange(f);
        auto location = std::make_unique<IO::Location>("/earlier");
        EXPECT_EQ(FindLibraryFolder(location), c.code) << c.name;
        EXPECT_EQ(location, nullptr) << c.name;
        EXPECT_TRUE(f.Libraries().list.empty()) << c.name;
        EXPECT_EQ(f.h.host.counters.Of("EnvironmentRequest.SLIB"), 0u) << c.name;
    }
}

TEST(FamilyImporter, NoLibraryFolderRegistersNothing) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile());
    f.Serve("g-1", "OBJ");
    WriteFile(f.LibraryFolder(), "a file");
    EXPECT_EQ(Import(FamilyProduct())["Success"], true);
    EXPECT_TRUE(f.Libraries().parts.empty());
    EXPECT_EQ(f.h.host.counters.Of("RegisterLibraryPart"), 0u);
    EXPECT_EQ(Import(GenericProduct())["Success"], true);
    EXPECT_EQ(f.h.host.counters.Of("CreateLibraryPart"), 0u);
}

} // namespace library_part_importer_test
