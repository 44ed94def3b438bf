#include "model/Libraries.h"
#include "cli/LibrarySteps.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "host/HostApi.h"
#include "support/InProcessHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace libraries_test {

using testing_support::InProcessHost;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace {

const char* const PartFile = R"({"format":"simhost-libpart","version":1,"name":"Chair","a":0.5,"b":0.6,
  "parameters":[{"type":12,"name":"Maker","description":"Maker","value":"ACME"},
                {"type":12,"name":"Colours","description":"Colours","values":["red","blue"]}],
  "sections":[{"code":"3DSC","text":"BLOCK 1, 1, 1\n"}]})";

GSErrCode Env(Selector s, void* p1 = nullptr, void* p2 = nullptr) {
    return HostApi::EnvironmentRequest(GSType(s), p1, p2, nullptr);
}

API_LibPart PartRecord(const char* name, IO::Location* location) {
    API_LibPart part{};
    part.typeID = LibPartKindObject;
    std::u16string units = GS::Utf8ToUtf16(name);
    std::copy(units.begin(), units.end(), part.docuName);
    part.location = location;
    return part;
}

// Frees a parameter list handed out by the host, array handles included.
void FreeParameters(API_AddParType** list, Int32 count) {
    for (Int32 n = 0; n < count; ++n) {
        if ((*list)[n].typeMod == ParamModifierArray) {
            BMKillHandle(&(*list)[n].value.array);
            BMKillHandle(&(*list)[n].arrayDescriptions);
        }
    }
    auto h = reinterpret_cast<GSHandle>(list);
    BMKillHandle(&h);
}

std::string Text(const char16_t* units) {
    return GS::Utf16ToUtf8(units);
}

} // namespace

TEST(SimhostLibraries, LibraryListKeepsTheEmbeddedLibraryFirstAndRefusesMissingLocations) {
    InProcessHost h;
    TempFolder t;
    std::filesystem::create_directory(t / "embedded");
    std::filesystem::create_directory(t / "lib");
    GS::Array<API_LibraryInfo> list;
    Int32 index = 7;
    ASSERT_EQ(Env(Selector::GLIB, &list, &index), NoError);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(list.GetSize(), 0u);

    h.host.project.libraries.embeddedFolder = t / "embedded";
    ASSERT_EQ(Env(Selector::GLIB, &list, &index), NoError);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(list.GetSize(), 1u);
    list.Push(API_LibraryInfo{IO::Location(t / "lib"), {}, 0, 0});
    ASSERT_EQ(Env(Selector::SLIB, &list), NoError);
    ASSERT_EQ(h.host.project.libraries.list.size(), 1u) << "the embedded library is not listed twice";
    EXPECT_EQ(h.host.project.libraries.list[0].path, t / "lib");

    list.Push(API_LibraryInfo{IO::Location(t / "missing"), {}, 0, 0});
    EXPECT_EQ(Env(Selector::SLIB, &list), ErrNotFound);
    EXPECT_EQ(h.host.project.libraries.list.size(), 1u) << "a refused list changes nothing";
    index = 7;
    ASSERT_EQ(Env(Selector::GLIB, &list), NoError);
    EXPECT_EQ(list.GetSize(), 2u);
}

TEST(SimhostLibraries, AContainerInTheListBringsItsParts) {
    InProcessHost h;
    TempFolder t;
    WriteFile(t / "set.lcf",
              R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"Desk"}]})");
    WriteFile(t / "bad.lcf", "not a container");
    GS::Array<API_LibraryInfo> list;
    list.Push(API_LibraryInfo{IO::Location(t / "bad.lcf"), {}, 0, 0});
    EXPECT_EQ(Env(Selector::SLIB, &list), ErrNotFound);
    list.Clear();
    list.Push(API_LibraryInfo{IO::Location(t.Path() + "\\set.lcf"), {}, 0, 0});
    ASSERT_EQ(Env(Selector::SLIB, &list), NoError);
    Int32 count = 0;
    ASSERT_EQ(HostApi::GetLibraryPartCount(&count), NoError);
    ASSERT_EQ(count, 2);
    API_LibPart part{};
    part.index = 2;
    ASSERT_EQ(HostApi::GetLibraryPart(&part), NoError);
    EXPECT_EQ(Text(part.docuName), "Desk");
    part.index = 3;
    EXPECT_EQ(HostApi::GetLibraryPart(&part), ErrBadIndex);
    list.Clear();
    ASSERT_EQ(Env(Selector::SLIB, &list), NoError);
    ASSERT_EQ(HostApi::GetLibraryPartCount(&count), NoError);
    EXPECT_EQ(count, 0);
}

TEST(SimhostLibraries, RegistersOnlyItsOwnLibraryPartFiles) {
    InProcessHost h;
    TempFolder t;
    WriteFile(t / "chair.GSM", PartFile);
    WriteFile(t / "other.GSM", "GSM binary of another host");
    struct Case {
        std::string file;
        Int32 kind;
        GSErrCode expected;
    } cases[] = {{"other.GSM", LibPartKindObject, ErrBadFile},
                 {"none.GSM", LibPartKindObject, ErrNotFound},
                 {"chair.GSM", 1, ErrBadRecordKind},
                 {"chair.GSM", LibPartKindObject, NoError},
                 {"chair.GSM", LibPartKindObject, NoError}};
    for (const auto& c : cases) {
        IO::Location location(t / c.file);
        API_LibPart part = PartRecord("Chair", &location);
        part.typeID = c.kind;
        EXPECT_EQ(HostApi::RegisterLibraryPart(&part), c.expected) << c.file;
        if (c.expected == NoError) {
            EXPECT_EQ(part.index, 1) << "the same file registered again keeps its index";
        }
    }
    double a = 0, b = 0;
    Int32 count = 0;
    API_AddParType** list = nullptr;
    Int64 live = BM::LiveBlocks();
    ASSERT_EQ(HostApi::GetLibraryPartParameters(1, &a, &b, &count, &list), NoError);
    EXPECT_EQ(a, 0.5);
    EXPECT_EQ(b, 0.6);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(BMGetHandleSize(reinterpret_cast<GSHandle>(list)), 2 * 1600);
    EXPECT_STREQ((*list)[0].name, "Maker");
    EXPECT_EQ(Text((*list)[0].value.text), "ACME");
    EXPECT_EQ((*list)[1].typeMod, ParamModifierArray);
    EXPECT_NE((*list)[1].value.array, nullptr);
    FreeParameters(list, count);
    EXPECT_EQ(BM::LiveBlocks(), live);
}

TEST(SimhostLibraries, CreatedPartIsSavedInTheFolderAndOverwritesOnlyWhenAllowed) {
    InProcessHost h;
    TempFolder t;
    IO::Location folder(t.Path());
    API_LibPartSection script{};
    script.sectType = FourCC("3DSC");
    EXPECT_EQ(HostApi::BeginLibraryPartSection(&script), ErrNotRegistered);
    EXPECT_EQ(HostApi::WriteLibraryPartSection(1, "x"), ErrNotRegistered);

    for (int round = 0; round < 2; ++round) {
        API_LibPart part = PartRecord("Bench", &folder);
        ASSERT_EQ(HostApi::CreateLibraryPart(&part), NoError);
        EXPECT_EQ(part.index, 1);
        API_LibPart second = PartRecord("Other", &folder);
        EXPECT_EQ(HostApi::CreateLibraryPart(&second), ErrAlreadyRegistered);
        ASSERT_EQ(HostApi::BeginLibraryPartSection(&script), NoError);
        EXPECT_EQ(HostApi::BeginLibraryPartSection(&script), ErrAlreadyRegistered);
        EXPECT_EQ(HostApi::WriteLibraryPartSection(6, "BLOCK "), NoError);
        EXPECT_EQ(HostApi::WriteLibraryPartSection(0, nullptr), NoError);
        EXPECT_EQ(HostApi::WriteLibraryPartSection(round == 0 ? 1 : 2, "12"), NoError);
        part.location = nullptr;
        EXPECT_EQ(HostApi::SaveLibraryPart(&part), ErrAlreadyRegistered) << "a section is open";
        EXPECT_EQ(HostApi::EndLibraryPartSection(), NoError);
        ASSERT_EQ(HostApi::SaveLibraryPart(&part), NoError);
        EXPECT_EQ(
            HostApi::EnvironmentRequest(GSType(Selector::OWLP), reinterpret_cast<void*>(1), nullptr, nullptr),
            NoError);
    }
    ASSERT_EQ(h.host.project.libraries.parts.size(), 1u);
    auto saved = simhost::ReadLibraryPartFile(t / "Bench.gsm");
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->sections.size(), 1u);
    EXPECT_EQ(saved->sections[0].bytes, "BLOCK 12");

    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::OWLP), nullptr, nullptr, nullptr), NoError);
    API_LibPart again = PartRecord("Bench", &folder);
    EXPECT_EQ(HostApi::CreateLibraryPart(&again), ErrNameExists);
    IO::Location missing(t / "missing");
    API_LibPart nowhere = PartRecord("New", &missing);
    EXPECT_EQ(HostApi::CreateLibraryPart(&nowhere), ErrNotFound);
}

TEST(SimhostLibraries, ParameterSectionsRoundTripAndBadRecordsAreRefused) {
    InProcessHost h;
    TempFolder t;
    IO::Location folder(t.Path());
    API_LibPart part = PartRecord("Table", &folder);
    ASSERT_EQ(HostApi::CreateLibraryPart(&part), NoError);
    double a = 0, b = 0;
    Int32 count = 0;
    API_AddParType** list = nullptr;
    EXPECT_EQ(HostApi::GetLibraryPartParameters(part.index, &a, &b, &count, &list), ErrNoSection);

    GSHandle records = BMAllocateHandle(2 * 1600, ALLOCATE_CLEAR, 0);
    auto* r = reinterpret_cast<API_AddParType*>(*records);
    r[0].typeID = ParamTypeTitle;
    r[0].index = 1; // the host numbers the records
    r[1].index = 2;
    std::strcpy(r[0].name, "Q7_Set");
    r[1].typeID = ParamTypeText;
    r[1].flags = 1;
    std::strcpy(r[1].name, "Q7_Prop");
    std::u16string value = u"W\u00e4rme";
    std::copy(value.begin(), value.end(), r[1].value.text);
    GSHandle section = nullptr;
    ASSERT_EQ(HostApi::BuildParameterSection(&part, reinterpret_cast<API_AddParType**>(records), 2.0, 3.0, 0,
                                             &section, nullptr),
              NoError);
    API_LibPartDetails details{};
    EXPECT_EQ(HostApi::SetParameterSectionDetails(&part, section, &details), NoError);
    API_LibPartSection header{};
    header.sectType = FourCC("PARD");
    EXPECT_EQ(HostApi::AddLibraryPartSection(&header, section, nullptr), NoError);
    BMKillHandle(&section);
    ASSERT_EQ(HostApi::GetLibraryPartParameters(part.index, &a, &b, &count, &list), NoError);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(a, 2.0);
    EXPECT_EQ(std::memcmp(*list, *records, 2 * 1600), 0) << "records come back byte for byte";
    FreeParameters(list, count);

    std::memset(r[1].name, 'x', sizeof r[1].name); // no terminator
    EXPECT_EQ(HostApi::BuildParameterSection(&part, reinterpret_cast<API_AddParType**>(records), 1, 1, 0,
                                             &section, nullptr),
              ErrBadParameter);
    BMKillHandle(&records);
    GSHandle notParameters = BMAllocateHandle(3, ALLOCATE_CLEAR, 0);
    EXPECT_EQ(HostApi::AddLibraryPartSection(&header, notParameters, nullptr), ErrBadParameter);
    header.sectType = FourCC("GIFF");
    EXPECT_EQ(HostApi::AddLibraryPartSection(&header, notParameters, nullptr), NoError)
        << "the bytes of any other section are the add-on's";
    BMKillHandle(&notParameters);
    ASSERT_TRUE(h.host.libraryPartInProgress.has_value());
    EXPECT_EQ(h.host.libraryPartInProgress->part.FindSection(FourCC("GIFF"))->bytes, std::string(3, '\0'));
}

TEST(SimhostLibraries, UseCountIsTheNumberOfPlacedObjects) {
    InProcessHost h;
    TempFolder t;
    WriteFile(t / "set.lcf",
              R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"Desk"}]})");
    GS::Array<API_LibraryInfo> list;
    list.Push(API_LibraryInfo{IO::Location(t / "set.lcf"), {}, 0, 0});
    ASSERT_EQ(Env(Selector::SLIB, &list), NoError);
    simhost::PlaceLibraryPartObject(h.host, "Desk", 1.0, "");
    simhost::PlaceLibraryPartObject(h.host, "Desk", 1.0, "");
    EXPECT_THROW(simhost::PlaceLibraryPartObject(h.host, "Sofa", 1.0, ""), std::exception);
    Int32 count = -1;
    ASSERT_EQ(HostApi::GetLibraryPartUseCount(1, &count), NoError);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(HostApi::GetLibraryPartUseCount(2, &count), NoError);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(HostApi::GetLibraryPartUseCount(3, &count), ErrBadIndex);
}

TEST(SimhostLibraries, AnObjectKeepsItsPartWhenPartsComeBeforeIt) {
    InProcessHost h;
    TempFolder t;
    WriteFile(t / "set.lcf",
              R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"Desk"}]})");
    WriteFile(t / "chair.GSM", PartFile);
    GS::Array<API_LibraryInfo> list;
    list.Push(API_LibraryInfo{IO::Location(t / "set.lcf"), {}, 0, 0});
    ASSERT_EQ(Env(Selector::SLIB, &list), NoError);
    const GS::Guid desk = simhost::PlaceLibraryPartObject(h.host, "Desk", 1.0, "");
    const GS::Guid secondDesk = simhost::PlaceLibraryPartObject(h.host, "Desk", 1.0, "");
    // A part registered later comes before the container's parts: Lamp 2, Desk 3.
    IO::Location location(t / "chair.GSM");
    API_LibPart chair = PartRecord("Chair", &location);
    ASSERT_EQ(HostApi::RegisterLibraryPart(&chair), NoError);
    ASSERT_EQ(chair.index, 1);
    const std::vector<GS::Guid> expected[] = {{}, {}, {desk, secondDesk}}; // Chair, Lamp, Desk
    for (Int32 index = 1; index <= 3; ++index) {
        Int32 count = -1;
        ASSERT_EQ(HostApi::GetLibraryPartUseCount(index, &count), NoError);
        EXPECT_EQ(count, Int32(expected[index - 1].size())) << "part " << index;
        GS::Array<API_Guid> objects;
        objects.Push(desk); // replaced, not appended to
        ASSERT_EQ(HostApi::ListLibraryPartObjects(index, &objects), NoError);
        EXPECT_EQ(std::vector<GS::Guid>(objects.begin(), objects.end()), expected[index - 1])
            << "part " << index;
    }
    GS::Array<API_Guid> none;
    EXPECT_EQ(HostApi::ListLibraryPartObjects(4, &none), ErrBadIndex);
    EXPECT_EQ(HostApi::ListLibraryPartObjects(0, &none), ErrBadIndex);

    // A project file of before names the part by its place in the list of its time.
    nlohmann::json file = simhost::ProjectToJson(h.host.project);
    file["elements"][0]["libraryPart"] = 3;
    file["elements"][1]["libraryPart"] = 7; // a part no longer there
    simhost::Project old = simhost::ProjectFromJson(file, "old.json");
    h.host.project = old;
    const Int32 afterOld[] = {0, 0, 1};
    for (Int32 index = 1; index <= 3; ++index) {
        Int32 count = -1;
        ASSERT_EQ(HostApi::GetLibraryPartUseCount(index, &count), NoError);
        EXPECT_EQ(count, afterOld[index - 1]) << "part " << index << " of the old file";
    }
}

TEST(SimhostLibraries, LibrariesSurviveTheProjectFile) {
    InProcessHost h;
    TempFolder t;
    WriteFile(t / "chair.GSM", PartFile);
    IO::Location location(t / "chair.GSM");
    API_LibPart part = PartRecord("Chair", &location);
    ASSERT_EQ(HostApi::RegisterLibraryPart(&part), NoError);
    h.host.project.libraries.embeddedFolder = t.Path();
    h.host.project.libraries.overwrite = true;
    auto json = simhost::ProjectToJson(h.host.project);
    auto back = simhost::ProjectFromJson(json, "p.json");
    EXPECT_EQ(simhost::ProjectToJson(back), json);
    json["libraries"]["parts"][0]["sections"][0]["code"] = "TOOLONG";
    EXPECT_THROW(simhost::ProjectFromJson(json, "p.json"), simhost::ProjectFileError);
}

TEST(SimhostLibraries, APartWithALongNameIsSavedUnderACutFileName) {
    InProcessHost h;
    TempFolder t;
    IO::Location folder(t.Path());
    struct Case {
        std::string name;
        std::string file;
    } cases[] = {
        {std::string(300, 'n'), std::string(240, 'n') + ".gsm"},
        // One byte, then two-byte characters: the cut at 240 bytes would split the 120th.
        {"x" +
             [] {
                 std::string s;
                 for (int i = 0; i < 130; ++i)
                     s += "\xC3\xA4";
                 return s;
             }(),
         "x" +
             [] {
                 std::string s;
                 for (int i = 0; i < 119; ++i)
                     s += "\xC3\xA4";
                 return s;
             }() +
             ".gsm"},
        {"Short", "Short.gsm"},
    };
    for (const auto& c : cases) {
        API_LibPart part{};
        part.typeID = LibPartKindObject;
        std::u16string units = GS::Utf8ToUtf16(c.name).substr(0, LibPartNameUnits - 1);
        std::copy(units.begin(), units.end(), part.docuName);
        part.location = &folder;
        ASSERT_EQ(HostApi::CreateLibraryPart(&part), NoError) << c.file;
        part.location = nullptr;
        ASSERT_EQ(HostApi::SaveLibraryPart(&part), NoError) << c.file;
        EXPECT_TRUE(std::filesystem::is_regular_file(t / c.file)) << c.file;
        EXPECT_EQ(h.host.project.libraries.parts.back().name, GS::Utf16ToUtf8(units))
            << "the name stays whole";
    }
}

TEST(SimhostLibraries, TheDefaultUserLibraryIsTheSessionsOwnAndGoesWithIt) {
    std::string first, second;
    for (std::string* folder : {&first, &second}) {
        InProcessHost h;
        IO::Location location;
        ASSERT_EQ(Env(Selector::GSPF, reinterpret_cast<void*>(GSIntPtr(6)), &location), NoError);
        *folder = location.ToPath();
        EXPECT_TRUE(std::filesystem::is_directory(*folder));
        EXPECT_EQ(h.host.specialFolders.at(6), *folder);
        EXPECT_FALSE(simhost::ProjectToJson(h.host.project)["libraries"].contains("specialFolders"))
            << "the session's, not the project's";
    }
    EXPECT_NE(first, second) << "no two sessions share it";
    EXPECT_FALSE(std::filesystem::exists(first)) << "a session that saved no project leaves nothing";
    std::string kept;
    {
        InProcessHost h;
        IO::Location location;
        ASSERT_EQ(Env(Selector::GSPF, reinterpret_cast<void*>(GSIntPtr(6)), &location), NoError);
        kept = h.host.SessionFolder();
        h.host.KeepSessionFolder();
    }
    EXPECT_TRUE(std::filesystem::is_directory(kept)) << "a saved project's user library stays";
    std::filesystem::remove_all(kept);
}

} // namespace libraries_test
