// `simhost serve` as a browser meets it: the printed address, the bridge's refusals, the page's
// calls reaching the add-on, saving and stopping.
#include "model/Project.h"
#include "support/TempFolder.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// One `simhost serve` process: started with the given options, its address read from the first
// line it prints; ended with SIGTERM unless it ended by itself.
class ServeProcess {
public:
    explicit ServeProcess(std::vector<std::string> options) {
        // Everything the child needs is made before the fork: it only execs.
        std::vector<std::string> words = {SIMHOST_PATH, "serve"};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            throw std::runtime_error("pipe");
        child = ::fork();
        if (child == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execv(SIMHOST_PATH, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        output = ::fdopen(out[0], "r");
        std::regex address(R"((http://127\.0\.0\.1:(\d+))/([0-9a-f]+)/)");
        char line[4096];
        while (std::fgets(line, sizeof line, output) != nullptr) {
            printed += line;
            std::smatch m;
            std::string text = line;
            if (std::regex_search(text, m, address)) {
                origin = m[1];
                port = std::stoi(m[2]);
                token = m[3];
                break;
            }
        }
    }
    ~ServeProcess() {
        if (child > 0 && !ended)
            Stop(SIGTERM);
        if (output != nullptr)
            std::fclose(output);
    }

    // Ends the process with `signal` (0: waits for it to end by itself); answers its exit code.
    int Stop(int signal) {
        if (signal != 0)
            ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ended = true;
        char line[4096];
        while (std::fgets(line, sizeof line, output) != nullptr)
            printed += line;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(std::chrono::seconds(60));
        return client;
    }
    std::string Path(const std::string& rest) const { return "/" + token + "/" + rest; }

    // A call of the page's script object, as the palette's bridge makes it.
    httplib::Result Call(const json& request) const {
        return Client().Post(Path("bridge/call").c_str(), request.dump(), "application/json");
    }
    json Step(const json& step) const {
        auto r = Client().Post(Path("host/step").c_str(), step.dump(), "application/json");
        return r ? json::parse(r->body) : json();
    }

    pid_t child = -1;
    bool ended = false;
    FILE* output = nullptr;
    std::string printed;
    std::string origin;
    std::string token;
    int port = 0;
};

fs::path SampleProject(const std::string& name) {
    fs::path copy = testing_support::ProgramTempFolder() / name;
    fs::copy_file(fs::path(SOURCE_ROOT) / "demo" / "sample-project.json", copy,
                  fs::copy_options::overwrite_existing);
    return copy;
}

const char* const ClayProduct =
    R"({"importType":"MATERIAL_IMPORT","name":"Clay","uuid":"c-1","supplier":{"name":"Quorvel Surfaces"}})";

TEST(SimhostServe, PrintsAnAddressWithAFreshTokenOnly127001) {
    ServeProcess first({}), second({});
    ASSERT_FALSE(first.token.empty()) << first.printed;
    ASSERT_FALSE(second.token.empty()) << second.printed;
    EXPECT_EQ(first.token.size(), 32u);
    EXPECT_NE(first.token, second.token);
    auto page = first.Client().Get(first.Path("").c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("simhost"), std::string::npos);
}

TEST(SimhostServe, APortInUseIsRefusedNotShared) {
    ServeProcess first({});
    ASSERT_GT(first.port, 0) << first.printed;
    ServeProcess second({"--port", std::to_string(first.port)});
    EXPECT_TRUE(second.token.empty()) << second.printed;
    EXPECT_EQ(second.Stop(0), 1);
    auto page = first.Client().Get(first.Path("").c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
}

// Every refusal of the bridge, each against a request that would otherwise succeed.
TEST(SimhostServe, RefusesRequestsThatAreNotThePalettesOwn) {
    ServeProcess serve({});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    ASSERT_EQ(serve.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}})["result"], 0);
    const json version = {{"function", "getPluginVersion"}};
    std::string wrongToken = serve.token;
    wrongToken[0] = wrongToken[0] == 'a' ? 'b' : 'a';

    struct Case {
        const char* what;
        std::string path;
        httplib::Headers headers;
        std::string body;
        int status;
    };
    const Case cases[] = {
        {"own request", serve.Path("bridge/call"), {}, version.dump(), 200},
        {"own origin", serve.Path("bridge/call"), {{"Origin", serve.origin}}, version.dump(), 200},
        {"localhost is this server too",
         serve.Path("bridge/call"),
         {{"Host", "localhost:" + std::to_string(serve.port)},
          {"Origin", "http://localhost:" + std::to_string(serve.port)}},
         version.dump(),
         200},
        {"no token", "/bridge/call", {}, version.dump(), 403},
        {"wrong token", "/" + wrongToken + "/bridge/call", {}, version.dump(), 403},
        {"token cut short", "/" + serve.token.substr(0, 31) + "/bridge/call", {}, version.dump(), 403},
        {"foreign origin",
         serve.Path("bridge/call"),
         {{"Origin", "http://evil.example"}},
         version.dump(),
         403},
        {"foreign origin on this port",
         serve.Path("bridge/call"),
         {{"Origin", "http://evil.example:" + std::to_string(serve.port)}},
         version.dump(),
         403},
        {"sandboxed page", serve.Path("bridge/call"), {{"Origin", "null"}}, version.dump(), 403},
        {"rebound host name",
         serve.Path("bridge/call"),
         {{"Host", "evil.example:" + std::to_string(serve.port)}},
         version.dump(),
         403},
        {"own address on another port",
         serve.Path("bridge/call"),
         {{"Host", "127.0.0.1:1"}},
         version.dump(),
         403},
        {"oversized body", serve.Path("bridge/call"), {}, std::string((8u << 20) + 1, ' '), 413},
    };
    for (const auto& c : cases) {
        httplib::Client client = serve.Client();
        auto r = client.Post(c.path.c_str(), c.headers, c.body, "application/json");
        ASSERT_TRUE(r) << c.what;
        EXPECT_EQ(r->status, c.status) << c.what << ": " << r->body;
        if (c.status == 200) {
            EXPECT_EQ(json::parse(r->body)["value"],
                      R"({"version_number":"0.0.5", "platform_id": 1, "platform_version_number": 23})")
                << c.what;
        }
    }
    // The host page and the web application need the token as well.
    for (const char* path : {"/", "/app/index.html", "/catalogue/"}) {
        auto r = serve.Client().Get(path);
        ASSERT_TRUE(r) << path;
        EXPECT_EQ(r->status, 403) << path;
    }
}

TEST(SimhostServe, CallsAreRefusedWhileThePaletteIsClosed) {
    ServeProcess serve({});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    const json version = {{"function", "getPluginVersion"}};
    auto before = serve.Call(version);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->status, 409) << "no palette yet";

    serve.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});
    auto open = serve.Call(version);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->status, 200);

    json closed = serve.Step({{"step", "closePalette"}});
    EXPECT_EQ(closed["palette"]["visible"], false);
    auto refused = serve.Call(version);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 409);
    EXPECT_EQ(json::parse(refused->body)["error"], "no palette is open");

    // The menu command shows the same palette, its page not loaded again.
    json reopened = serve.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});
    ASSERT_EQ(reopened["result"], 0);
    json palette = serve.Step({{"step", "palette"}})["palette"];
    EXPECT_EQ(palette["visible"], true);
    EXPECT_EQ(palette["browser"]["loads"], 1);
    auto again = serve.Call(version);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
}

// The page sees what the toolkit would hand it: values, and the messages of what left a function.
TEST(SimhostServe, ThePagesCallsReachTheAddOnAndItsErrorsComeBack) {
    ServeProcess serve({});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    serve.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});

    auto script = serve.Client().Get(serve.Path("bridge.js").c_str());
    ASSERT_TRUE(script);
    EXPECT_NE(
        script->body.find(R"({"jsQuorvelInterface":["import","getRevitSelection","AddElementToSelection",)"
                          R"("export","getNewlyLoadedProjectOverview","getPluginVersion",)"
                          R"("getElementsUsingProduct"]})"),
        std::string::npos)
        << script->body;
    auto page = serve.Client().Get(serve.Path("app/").c_str());
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("<script src=\"/" + serve.token + "/bridge.js\"></script>"), std::string::npos);

    struct Case {
        json request;
        json value;        // the value returned, when no error
        std::string error; // the message thrown to the page
        int status;
    };
    const Case cases[] = {
        {{{"function", "export"}, {"arg", "project_info"}}, false, "", 200},
        {{{"function", "export"}}, false, "", 200},
        {{{"function", "AddElementToSelection"}, {"arg", 12}}, true, "", 200},
        {{{"function", "import"}, {"arg", {{"importType", "MATERIAL_IMPORT"}}}}, nullptr, "Bad cast.", 200},
        {{{"function", "import"}, {"arg", "{not json"}}, nullptr, "", 200},
        {{{"function", "noSuchFunction"}},
         nullptr,
         "jsQuorvelInterface.noSuchFunction is not a function",
         200},
        {{{"object", "otherObject"}, {"function", "import"}},
         nullptr,
         "otherObject.import is not a function",
         200},
        {{{"arg", "x"}}, nullptr, "a call names its \"function\"", 400},
    };
    for (const auto& c : cases) {
        auto r = serve.Call(c.request);
        ASSERT_TRUE(r) << c.request;
        EXPECT_EQ(r->status, c.status) << c.request << ": " << r->body;
        json answer = json::parse(r->body);
        if (c.request.value("arg", json()) == "{not json") {
            // Not product JSON: the JSON library's parse error leaves the function.
            ASSERT_TRUE(answer.contains("error")) << answer;
            EXPECT_NE(answer["error"].get<std::string>().find("parse error"), std::string::npos) << answer;
        } else if (!c.error.empty()) {
            EXPECT_EQ(answer["error"], c.error) << c.request;
        } else {
            EXPECT_EQ(answer["value"], c.value) << c.request;
        }
    }
    auto malformed = serve.Client().Post(serve.Path("bridge/call").c_str(), "{", "application/json");
    ASSERT_TRUE(malformed);
    EXPECT_EQ(malformed->status, 400);
}

// What a person does in the host pane and the page together: import, draw, select, add to the
// selection and see it after the event loop ran, save, quit.
TEST(SimhostServe, ImportDrawSelectAndSaveOnQuit) {
    fs::path project = SampleProject("quit.json");
    fs::path saved = testing_support::ProgramTempFolder() / "quit-saved.json";
    fs::remove(saved);
    ServeProcess serve({"--project", project.string(), "--save", saved.string()});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    serve.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});

    auto imported = serve.Call({{"function", "import"}, {"arg", ClayProduct}});
    ASSERT_TRUE(imported);
    json record = json::parse(json::parse(imported->body)["value"].get<std::string>());
    EXPECT_EQ(record["Success"], true);

    json wall = serve.Step({{"step", "place"},
                            {"type", "wall"},
                            {"attribute", "Clay"},
                            {"kind", "material"},
                            {"area", 2.5},
                            {"id", "W-1"}});
    ASSERT_TRUE(wall.contains("guid")) << wall;
    serve.Step({{"step", "place"},
                {"type", "slab"},
                {"attribute", "Clay"},
                {"kind", "material"},
                {"area", 4.0},
                {"id", "S-1"}});
    json refused = serve.Step(
        {{"step", "place"}, {"type", "wall"}, {"attribute", "Missing"}, {"kind", "material"}, {"area", 1.0}});
    EXPECT_EQ(refused["error"], "no building material is named \"Missing\"");
    json notAllowed = serve.Step({{"step", "fail"}, {"operation", "GetSelection"}, {"code", 1}});
    EXPECT_NE(notAllowed.value("error", "").find("does not take the step \"fail\""), std::string::npos)
        << notAllowed;

    auto info = serve.Call({{"function", "export"}, {"arg", "PROJECT_INFO"}});
    ASSERT_TRUE(info);
    json usage =
        json::parse(json::parse(info->body)["value"].get<std::string>())["ImportedData"]["Materials"];
    ASSERT_EQ(usage.size(), 1u) << usage;
    EXPECT_EQ(usage[0]["NumOfElements"], 2);
    EXPECT_EQ(usage[0]["TotalArea"], 6.5);

    serve.Step({{"step", "select"}, {"ids", {"S-1"}}});
    auto added = serve.Call({{"function", "AddElementToSelection"}, {"arg", wall["guid"]}});
    ASSERT_TRUE(added);
    EXPECT_EQ(json::parse(added->body)["value"], true);
    // The host runs its event loop once the call has returned, before it takes the next request.
    auto selection = serve.Call({{"function", "getRevitSelection"}});
    ASSERT_TRUE(selection);
    json selected = json::parse(json::parse(selection->body)["value"].get<std::string>());
    ASSERT_EQ(selected.size(), 2u) << selected;
    EXPECT_EQ(selected[0]["title"], "S-1");
    EXPECT_EQ(selected[1]["title"], "W-1");

    auto view = serve.Client().Get(serve.Path("host/view").c_str());
    ASSERT_TRUE(view);
    json state = json::parse(view->body);
    EXPECT_EQ(state["project"]["elements"].size(), 2u);
    EXPECT_EQ(state["palette"]["visible"], true);
    bool delivered = false;
    for (const auto& entry : state["log"])
        delivered = delivered || entry["text"].get<std::string>().find("event loop delivered SELE") == 0;
    EXPECT_TRUE(delivered) << state["log"];

    auto save = serve.Client().Post(serve.Path("host/save").c_str(), "", "application/json");
    ASSERT_TRUE(save);
    EXPECT_EQ(save->status, 200);
    EXPECT_EQ(simhost::LoadProjectFile(saved.string()).elements.elements.size(), 2u);

    serve.Step(
        {{"step", "place"}, {"type", "roof"}, {"attribute", "Clay"}, {"kind", "material"}, {"area", 1.0}});
    auto quit = serve.Client().Post(serve.Path("host/quit").c_str(), "", "application/json");
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit->status, 200);
    EXPECT_EQ(serve.Stop(0), 0) << serve.printed;
    simhost::Project after = simhost::LoadProjectFile(saved.string());
    EXPECT_EQ(after.elements.elements.size(), 3u) << "saved again on exit";
    EXPECT_EQ(after.selection.guids.size(), 2u);
    EXPECT_EQ(simhost::LoadProjectFile(project.string()).elements.elements.size(), 0u)
        << "--save spares the original";
}

TEST(SimhostServe, AnInterruptSavesTheProjectItOpened) {
    fs::path project = SampleProject("interrupted.json");
    ServeProcess serve({"--project", project.string()});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    serve.Step({{"step", "projectInfo"}, {"name", "Renamed before the interrupt"}});
    EXPECT_EQ(serve.Stop(SIGINT), 0) << serve.printed;
    EXPECT_EQ(simhost::LoadProjectFile(project.string()).info.name, "Renamed before the interrupt");
    EXPECT_NE(serve.printed.find("saved the project to " + project.string()), std::string::npos)
        << serve.printed;
}

TEST(SimhostServe, WithoutAProjectFileNothingIsSaved) {
    ServeProcess serve({});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    auto save = serve.Client().Post(serve.Path("host/save").c_str(), "", "application/json");
    ASSERT_TRUE(save);
    EXPECT_EQ(save->status, 409);
    EXPECT_EQ(serve.Stop(SIGTERM), 0);
    EXPECT_EQ(serve.printed.find("saved the project"), std::string::npos) << serve.printed;
}

TEST(SimhostServe, StaticFilesStayInsideTheirFolders) {
    ServeProcess serve({});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    struct Case {
        std::string path;
        int status;
        std::string type;
    };
    const Case cases[] = {
        {"app/", 200, "text/html; charset=utf-8"},
        {"app/app.js", 200, "text/javascript; charset=utf-8"},
        {"app/images/icons/icon-wall-color.svg", 200, "image/svg+xml"},
        {"catalogue/01-mineral-wool.json", 200, "application/json"},
        {"files/5d0c7a10-0000-4a00-8000-000000000052", 200, "image/png"},
        {"files/5d0c7a10-0000-4a00-8000-000000000051", 200, "application/octet-stream"},
        {"app/..%2f..%2fCMakeLists.txt", 404, ""},
        {"app/%2e%2e/sample-project.json", 404, ""},
        {"files/..%2fsample-project.json", 404, ""},
        {"catalogue/.hidden", 404, ""},
        {"app/images//icons/icon-wall-color.svg", 404, ""},
    };
    for (const auto& c : cases) {
        auto r = serve.Client().Get(serve.Path(c.path).c_str());
        ASSERT_TRUE(r) << c.path;
        EXPECT_EQ(r->status, c.status) << c.path;
        if (!c.type.empty()) {
            EXPECT_EQ(r->get_header_value("Content-Type"), c.type) << c.path;
        }
        EXPECT_EQ(r->get_header_value("X-Content-Type-Options"), "nosniff") << c.path;
    }
}

} // namespace

TEST(SimhostServe, TheHostPaneEditsAndOpensAnotherProjectThatIsSavedToItsOwnFile) {
    fs::path first = SampleProject("edited-first.json");
    fs::path second = SampleProject("edited-second.json");
    const size_t elementsBefore = simhost::LoadProjectFile(first.string()).elements.elements.size();
    ServeProcess serve({"--project", first.string()});
    ASSERT_FALSE(serve.token.empty()) << serve.printed;
    serve.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});
    ASSERT_TRUE(serve.Call({{"function", "import"}, {"arg", ClayProduct}}));
    serve.Step({{"step", "place"},
                {"type", "wall"},
                {"attribute", "Clay"},
                {"kind", "material"},
                {"area", 1},
                {"id", "W-9"}});
    const struct {
        json step;
        std::string answer; // the result, or the start of the error
    } steps[] = {
        {{{"step", "delete"}, {"element", "W-9"}}, "0"},
        {{{"step", "rename"}, {"attribute", "Clay"}, {"kind", "material"}, {"to", "Loam"}}, "0"},
        {{{"step", "delete"}, {"attribute", "Loam"}, {"kind", "material"}}, "0"},
        {{{"step", "open"}, {"project", "../edited-second.json"}}, "the host pane opens a project file"},
        {{{"step", "open"}, {"project", second.string()}}, "the host pane opens a project file"},
        {{{"step", "open"}, {"project", second.filename().string()}}, "0"},
    };
    for (const auto& s : steps) {
        json answer = serve.Step(s.step);
        EXPECT_EQ(answer.contains("error") ? answer["error"].get<std::string>().substr(0, s.answer.size())
                                           : answer["result"].dump(),
                  s.answer)
            << s.step << " → " << answer;
    }
    serve.Step({{"step", "projectInfo"}, {"name", "The second"}});
    EXPECT_EQ(serve.Stop(SIGTERM), 0) << serve.printed;
    EXPECT_EQ(simhost::LoadProjectFile(second.string()).info.name, "The second");
    const simhost::Project closed = simhost::LoadProjectFile(first.string());
    EXPECT_NE(closed.info.name, "The second") << "the closed project is not saved over";
    EXPECT_EQ(closed.elements.elements.size(), elementsBefore);
}
