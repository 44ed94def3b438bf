#include "cli/LibrarySteps.h"
#include "export/ProductUsage.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "import/ImportDispatcher.h"
#include "runtime/Faults.h"
#include "support/LibraryImportHost.h"

#include <gtest/gtest.h>

#include <cstring>

using nlohmann::json;
using testing_support::LibraryImportHost;
using testing_support::LibraryPartFile;
using testing_support::WriteFile;

namespace {

// Registers a part file with the given parameters as the user would.
void Register(LibraryImportHost& f, const std::string& name, const std::string& parameters) {
    const std::string path = f.served / (name + ".gsm");
    WriteFile(path, LibraryPartFile(parameters));
    IO::Location location(path);
    API_LibPart part{};
    part.typeID = LibPartKindObject;
    std::u16string units = GS::Utf8ToUtf16(name);
    std::copy(units.begin(), units.end(), part.docuName);
    part.location = &location;
    ASSERT_EQ(HostApi::RegisterLibraryPart(&part), NoError);
}

std::string Tag(const std::string& uuid) {
    return R"([{"type":15,"name":"Q7_QV_UUID","description":"QV_UUID"},
               {"type":12,"name":"Q7_QV_UUID","description":"QV_UUID","flags":1,"value":")" +
           uuid + R"("}])";
}

std::vector<std::string> Lines(const ProductUsageList& list) {
    std::vector<std::string> lines;
    for (const auto& u : list)
        lines.push_back(u.Uuid + " " + std::to_string(u.NumOfElements) + " " + std::to_string(u.TotalArea) +
                        " " + (u.SuplierData ? "true" : "false"));
    return lines;
}

void Place(LibraryImportHost& f, const std::string& part, int times) {
    for (int n = 0; n < times; ++n)
        simhost::PlaceLibraryPartObject(f.h.host, part, 2.5, "");
}

} // namespace

TEST(ListTaggedLibraryParts, OneRecordPerTaggedPartWithItsPlacedObjects) {
    LibraryImportHost f;
    Register(f, "Chair", Tag("uuid-chair"));
    Register(f, "Plain", R"([{"type":12,"name":"Maker","description":"Maker","value":"ACME"}])");
    Register(f, "NoParameters", "");
    Register(f, "EmptyTag", Tag(""));
    Register(f, "Table", R"([{"type":12,"name":"Q7_QV_UUIDX","description":"x","value":"not a tag"},
                             {"type":12,"name":"q7_qv_uuid","description":"x","value":"not a tag"},
                             {"type":2,"name":"Q7_QV_UUID","description":"a length","value":3.5},
                             {"type":12,"name":"Q7_QV_UUID","description":"QV_UUID","values":["in","array"]}])");
    Register(f, "Desk", Tag("uuid-desk"));
    Place(f, "Chair", 3);
    Place(f, "Plain", 1);
    EXPECT_EQ(Lines(ListTaggedLibraryParts()),
              (std::vector<std::string>{"uuid-chair 3 0.000000 false", "uuid-desk 0 0.000000 false"}));
}

TEST(ListTaggedLibraryParts, AnImportedFamilyPartIsListedWithItsUses) {
    LibraryImportHost f;
    f.Serve("f-1", LibraryPartFile());
    json product = {{"importType", "FAMILY_IMPORT"},
                    {"name", "Chair"},
                    {"uuid", "prod-1"},
                    {"fileForImportUuid", "f-1"},
                    {"fileForImportContentType", "model/GSM"}};
    RunImport(GS::UniString(product.dump(), CC_UTF8));
    EXPECT_TRUE(ListTaggedLibraryParts().size() == 1 && ListTaggedLibraryParts()[0].NumOfElements == 0);
    Place(f, "Chair", 2);
    EXPECT_EQ(Lines(ListTaggedLibraryParts()), std::vector<std::string>{"prod-1 2 0.000000 false"});
}

TEST(ListTaggedLibraryParts, HostFailuresDropWhatTheyWereAbout) {
    struct Case {
        const char* operation;
        std::vector<std::string> listed;
    } cases[] = {
        {"GetLibraryPartCount", {}},
        {"GetLibraryPart", {}},
        {"GetLibraryPartSection", {}},
        {"GetLibraryPartParameters", {}},
        {"GetLibraryPartUseCount", {"uuid-chair 0 0.000000 false"}},
    };
    for (const auto& c : cases) {
        LibraryImportHost f;
        Register(f, "Chair", Tag("uuid-chair"));
        Place(f, "Chair", 1);
        f.h.host.faults.Set(*simhost::ParseOperationName(c.operation), ErrGeneral);
        const Int64 blocks = BM::LiveBlocks();
        EXPECT_EQ(Lines(ListTaggedLibraryParts()), c.listed) << c.operation;
        EXPECT_EQ(BM::LiveBlocks(), blocks) << c.operation;
    }
}

namespace {
GSErrCode FailingParameters(API_AddOnHandle, Int32, double*, double*, Int32* count, API_AddParType*** list) {
    *list = reinterpret_cast<API_AddParType**>(
        BMAllocateHandle(Int64(sizeof(API_AddParType)), ALLOCATE_CLEAR, 0));
    std::strcpy((**list)[0].name, "Q7_QV_UUID");
    (**list)[0].typeID = ParamTypeText;
    (**list)[0].value.text[0] = u'x';
    *count = 1;
    return ErrGeneral;
}
} // namespace

TEST(ListTaggedLibraryParts, AFailedParameterReadListsNothingAndFreesTheList) {
    LibraryImportHost f;
    Register(f, "Chair", Tag("uuid-chair"));
    f.ReplaceSlot(HostOp::GetLibraryPartParameters, &FailingParameters);
    const Int64 blocks = BM::LiveBlocks();
    EXPECT_TRUE(ListTaggedLibraryParts().empty());
    EXPECT_EQ(BM::LiveBlocks(), blocks);
}
