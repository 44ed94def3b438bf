#include "net/Download.h"
#include "runtime/FileService.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::ReadFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace {

// Files in the target folder other than the ones named: leftovers of a download.
std::vector<std::string> OtherFiles(const std::string& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end())
            others.push_back(name);
    }
    return others;
}

} // namespace

TEST(URLDownloadToFile, WritesTheWholeAnswerToAHostFormPath) {
    TempFolder served, target;
    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    WriteFile(served / "abc", bytes);
    simhost::LocalFileService service(served.Path());
    std::string url = service.BaseAddress() + "/api/v1/files/abc";
    std::string path = target.Path() + "\\part.GSM";
    EXPECT_EQ(URLDownloadToFileA(nullptr, url.c_str(), path.c_str(), 0, nullptr), S_OK);
    EXPECT_EQ(ReadFile(target / "part.GSM"), bytes);
    EXPECT_TRUE(OtherFiles(target.Path(), {"part.GSM"}).empty());
    EXPECT_EQ(service.Requests(), std::vector<std::string>{"/api/v1/files/abc"});
}

// The Linux stand-in's contract. Windows' own function answers success for some of these and
// writes the target as the data come; the add-on's download keeps the target for it instead.
TEST(URLDownloadToFile, FailuresLeaveTheTargetAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "the stand-in's contract; urlmon's function is the system's";
#endif
    TempFolder served, target;
    simhost::LocalFileService service(served.Path());
    int closedPort = 0;
    {
        simhost::LocalFileService gone(served.Path());
        closedPort = gone.Port();
    }
    struct Case {
        std::string url;
    } cases[] = {
        {service.BaseAddress() + "/api/v1/files/missing"},                      // 404
        {service.BaseAddress() + "/other"},                                     // 404 outside the files
        {"http://127.0.0.1:" + std::to_string(closedPort) + "/api/v1/files/x"}, // nobody listens
        {"file://" + served / "x"},                                             // not http
        {""},
    };
    WriteFile(served / "x", "served");
    for (const auto& c : cases) {
        WriteFile(target / "part.GSM", "earlier");
        std::string path = target / "part.GSM";
        EXPECT_NE(URLDownloadToFileA(nullptr, c.url.c_str(), path.c_str(), 0, nullptr), S_OK) << c.url;
        EXPECT_EQ(ReadFile(path), "earlier") << c.url;
        EXPECT_TRUE(OtherFiles(target.Path(), {"part.GSM"}).empty()) << c.url;
    }
    std::string intoMissingFolder = target / "none/part.GSM";
    std::string url = service.BaseAddress() + "/api/v1/files/x";
    EXPECT_NE(URLDownloadToFileA(nullptr, url.c_str(), intoMissingFolder.c_str(), 0, nullptr), S_OK);
}

TEST(LocalFileService, AnswersOnlyNamesInsideItsFolder) {
    TempFolder root;
    std::filesystem::create_directory(root / "served");
    WriteFile(root / "secret", "outside");
    WriteFile(root / "served/ok", "inside");
    simhost::LocalFileService service(root / "served");
    TempFolder target;
    std::string path = target / "f";
    struct Case {
        std::string uuid;
        bool served;
    } cases[] = {{"ok", true}, {"..%2Fsecret", false}, {"%2E%2E", false}, {"sub%2Fok", false}, {"", false}};
    for (const auto& c : cases) {
        std::string url = service.BaseAddress() + "/api/v1/files/" + c.uuid;
        // Served is the file's bytes arriving: Windows' function answers success for a refusal too,
        // with an empty file.
        const bool answered = URLDownloadToFileA(nullptr, url.c_str(), path.c_str(), 0, nullptr) == S_OK;
        EXPECT_EQ(answered && std::filesystem::exists(path) && ReadFile(path) == "inside", c.served)
            << c.uuid;
        std::filesystem::remove(path);
    }
}
