#include "cli/Serve.h"

#include "cli/EventLog.h"
#include "cli/HostedAddOn.h"
#include "cli/HttpAnswer.h"
#include "cli/MainThreadHandOff.h"
#include "cli/PaletteBridge.h"
#include "cli/RequestAdmission.h"
#include "cli/Script.h"
#include "cli/ServedFiles.h"
#include "model/Project.h"
#include "runtime/BridgeGuard.h"
#include "runtime/MainThread.h"
#include "runtime/System.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <ostream>
#include <set>
#include <thread>

namespace simhost {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr size_t MaxRequestBody = 8u << 20; // a product description with its property sets is far smaller

// A step as the log shows it: its name, then its fields.
std::string StepText(const json& step) {
    json fields = step;
    fields.erase("step");
    return step["step"].get<std::string>() + (fields.empty() ? "" : " " + fields.dump());
}

// The steps a person may take from the host pane: the user's and the host's actions. Fault
// injection, unloading and reading files named by the request are not among them.
const std::set<std::string>& HostPaneSteps() {
    static const std::set<std::string> steps = {
        "menu",          "paletteMessage", "projectEvent", "palette",       "closePalette",
        "resizePalette", "place",          "select",       "selection",     "idle",
        "projectInfo",   "language",       "reports",      "debugLog",      "counters",
        "menuFlags",     "delete",         "rename",       "removeLibrary", "deleteLibraryPart",
        "open"};
    return steps;
}

// The folder of the served project: the host pane opens project files from it, by name only.
fs::path ProjectFolder(const ServeOptions& options) {
    const std::string& file = options.project.empty() ? options.save : options.project;
    return file.empty() ? fs::current_path() : fs::absolute(file).parent_path();
}

// A project file the host pane may open: a plain name of a file in the project's folder.
bool PlainFileName(const json& name) {
    if (!name.is_string())
        return false;
    const std::string text = name.get<std::string>();
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string::npos &&
           text.find('\\') == std::string::npos;
}

class PaletteServer {
public:
    PaletteServer(const ServeOptions& options, HostedAddOn& hosted)
        : options(options), hosted(hosted), context{hosted.host, hosted.session, ProjectFolder(options)},
          saveTarget(options.save.empty() ? options.project : options.save) {}

    // Binds 127.0.0.1 (the port of the options, or any free one); answers false when it cannot.
    bool Bind() {
        server.set_payload_max_length(MaxRequestBody);
        server.set_keep_alive_timeout(1); // idle connections must not hold up the shutdown
        // The library's default also sets SO_REUSEPORT, which lets a second server share a port
        // that is taken and split the browser's requests between the two: refuse it instead.
        server.set_socket_options([](socket_t socket) {
            int yes = 1;
            (void)::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes),
                               sizeof yes); // a restart may rebind at once
        });
        server.new_task_queue = [] { return new httplib::ThreadPool(12); };
        if (options.port == 0) {
            port = server.bind_to_any_port("127.0.0.1");
        } else {
            port = server.bind_to_port("127.0.0.1", options.port) ? options.port : -1;
        }
        if (port < 0)
            return false;
        guard.emplace(NewBridgeToken(), port);
        Routes();
        return true;
    }

    std::string Address() const {
        return "http://127.0.0.1:" + std::to_string(port) + "/" + guard->Token() + "/";
    }

    void Start() {
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::yield();
    }

    // The main thread's loop: the work the server threads hand over, and after each piece (and
    // whenever it idles) one turn of the host's event loop.
    void Serve() {
        while (!sys::StopRequests::Requested() && !quit) {
            queue.RunNext(std::chrono::milliseconds(200));
            EventLoopTurn();
        }
    }

    void Stop() {
        queue.Close();
        server.stop();
        if (thread.joinable())
            thread.join();
    }

    const std::string& SaveTarget() const { return saveTarget; }

private:
    // --- on the main thread --------------------------------------------------------------------

    void EventLoopTurn() {
        json delivered;
        try {
            delivered = RunStep(context, {{"step", "idle"}})["delivered"];
        } catch (const std::exception& e) {
            log.Add("event", std::string("the event loop failed: ") + e.what(), false);
            ++revision;
            return;
        }
        for (const auto& d : delivered) {
            std::string result = d["result"].is_null() ? "no handler" : "answered " + d["result"].dump();
            log.Add("event",
                    "event loop delivered " + d["command"].get<std::string>() + " v" + d["version"].dump() +
                        ": " + result,
                    d["result"] == 0);
            ++revision;
        }
    }

    HostAnswer HostStep(const json& step) {
        if (!step.is_object() || !step.contains("step") || !step["step"].is_string())
            return {400, ErrorAnswer("a step is an object with a \"step\" name")};
        std::string name = step["step"].get<std::string>();
        if (HostPaneSteps().count(name) == 0)
            return {400, ErrorAnswer("the host pane does not take the step \"" + name + "\"")};
        if (name == "open" && step.contains("project") && !PlainFileName(step["project"]))
            return {400,
                    ErrorAnswer("the host pane opens a project file of the project's folder, by its name")};
        try {
            json fields = RunStep(context, step);
            fields.erase("step");
            // The project open now is saved to its own file, never over the one closed; a new
            // project has none.
            if (name == "open")
                saveTarget = step.contains("project")
                                 ? sys::Utf8FromPath(context.scriptFolder /
                                                     sys::PathFromUtf8(step["project"].get<std::string>()))
                                 : std::string();
            log.Add("step", StepText(step) + " → " + Shortened(fields.dump()), true);
            return {200, fields};
        } catch (const ScriptError& e) {
            return {400, ErrorAnswer(e.what())};
        } catch (const std::exception& e) {
            log.Add("step", StepText(step) + ": " + e.what(), false);
            return {422, ErrorAnswer(e.what())};
        }
    }

    HostAnswer Save() {
        if (saveTarget.empty())
            return {409, ErrorAnswer("no project file: start simhost serve with --project or --save")};
        try {
            SaveProjectFile(hosted.host.project, saveTarget);
        } catch (const ProjectFileError& e) {
            log.Add("save", e.what(), false);
            return {500, ErrorAnswer(e.what())};
        }
        log.Add("save", "saved the project to " + saveTarget, true);
        return {200, {{"saved", saveTarget}}};
    }

    json View() {
        Host& host = hosted.host;
        json menus = json::array();
        for (const auto& m : host.addOn.menus) {
            json items = json::array();
            for (const auto& i : m.items)
                items.push_back({{"text", i.text}, {"flags", i.flags}});
            menus.push_back({{"id", m.resourceId}, {"title", m.title}, {"items", items}});
        }
        return {{"revision", revision.load()},
                {"project", ProjectToJson(host.project)},
                {"palette", RunStep(context, {{"step", "palette"}})["palette"]},
                {"menus", menus},
                {"posted", host.posted.size()},
                {"log", log.ToJson()},
                {"saveTarget", saveTarget.empty() ? json(nullptr) : json(saveTarget)}};
    }

    // --- on the server's threads ---------------------------------------------------------------

    // Runs `work` on the main thread and sends what it answers; a change of the project is a new
    // revision of the view.
    void OnMain(httplib::Response& response, const std::function<HostAnswer()>& work, bool changes = true) {
        AnswerFromMainThread(queue, response, [&] {
            HostAnswer answer = work();
            if (changes)
                ++revision;
            // An add-on that did not ask to stay loaded goes when the request is done.
            if (hosted.session.UnloadIfIdle())
                ++revision;
            return answer;
        });
    }

    static std::optional<json> Body(const httplib::Request& request, httplib::Response& response) {
        json body = json::parse(request.body, nullptr, false);
        if (body.is_discarded()) {
            SendJson(response, 400, ErrorAnswer("the request body is not JSON"));
            return std::nullopt;
        }
        return body;
    }

    void ServeFile(httplib::Response& response, const fs::path& folder, const std::string& relative,
                   bool bridge = false) {
        auto bytes = ReadServedFile(folder, relative);
        if (!bytes) {
            SendJson(response, 404, ErrorAnswer("not found"));
            return;
        }
        std::string type = ContentType(relative, *bytes);
        if (bridge && type.rfind("text/html", 0) == 0)
            response.set_content(WithBridge(*bytes, guard->Token()), type);
        else
            response.set_content(*bytes, type);
    }

    // --- the routes: what the browser may ask, each answered by a handler of its own ------------

    using Handler = void (PaletteServer::*)(const httplib::Request&, httplib::Response&);
    struct Route {
        bool post;
        const char* pattern; // the first segment of every path is the bridge's token
        Handler handler;
    };

    void Routes() {
        server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
            return AdmitRequest(*guard, request, response) ? httplib::Server::HandlerResponse::Unhandled
                                                           : httplib::Server::HandlerResponse::Handled;
        });
        static const Route routes[] = {
            {false, R"(/[^/]+/)", &PaletteServer::HostPage},
            {false, R"(/[^/]+/simhost/(.+))", &PaletteServer::HostPageFile},
            {false, R"(/[^/]+/app/(.*))", &PaletteServer::WebApplicationFile},
            {false, R"(/[^/]+/catalogue/)", &PaletteServer::CatalogueList},
            {false, R"(/[^/]+/catalogue/([^/]+))", &PaletteServer::CatalogueFile},
            {false, R"(/[^/]+/files/([^/]+))", &PaletteServer::ServiceFile},
            {false, R"(/[^/]+/bridge\.js)", &PaletteServer::BridgeScriptFile},
            {true, R"(/[^/]+/bridge/call)", &PaletteServer::BridgeCallRoute},
            {false, R"(/[^/]+/host/view)", &PaletteServer::ViewRoute},
            {false, R"(/[^/]+/host/revision)", &PaletteServer::RevisionRoute},
            {true, R"(/[^/]+/host/step)", &PaletteServer::StepRoute},
            {true, R"(/[^/]+/host/save)", &PaletteServer::SaveRoute},
            {true, R"(/[^/]+/host/quit)", &PaletteServer::QuitRoute},
        };
        for (const Route& route : routes) {
            auto handle = [this, handler = route.handler](const httplib::Request& request,
                                                          httplib::Response& response) {
                (this->*handler)(request, response);
            };
            if (route.post)
                server.Post(route.pattern, handle);
            else
                server.Get(route.pattern, handle);
        }
    }

    void HostPage(const httplib::Request&, httplib::Response& response) {
        ServeFile(response, options.hostPageFolder, "index.html");
    }

    void HostPageFile(const httplib::Request& request, httplib::Response& response) {
        ServeFile(response, options.hostPageFolder, request.matches[1]);
    }

    void WebApplicationFile(const httplib::Request& request, httplib::Response& response) {
        std::string name = request.matches[1];
        if (name.empty() || name.back() == '/')
            name += "index.html";
        ServeFile(response, options.webFolder, name, true);
    }

    void CatalogueList(const httplib::Request&, httplib::Response& response) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(options.catalogueFolder, error))
            if (entry.is_regular_file() && entry.path().extension() == ".json")
                names.push_back(sys::Utf8FromPath(entry.path().filename()));
        std::sort(names.begin(), names.end());
        SendJson(response, 200, names);
    }

    void CatalogueFile(const httplib::Request& request, httplib::Response& response) {
        ServeFile(response, options.catalogueFolder, request.matches[1]);
    }

    void ServiceFile(const httplib::Request& request, httplib::Response& response) {
        ServeFile(response, options.filesFolder, request.matches[1]);
    }

    void BridgeScriptFile(const httplib::Request&, httplib::Response& response) {
        auto script = ReadServedFile(options.hostPageFolder, "bridge.js");
        if (!script) {
            SendJson(response, 500, ErrorAnswer("the bridge script is missing"));
            return;
        }
        json objects;
        bool ran = queue.Run([&] { objects = RegisteredObjects(hosted.host); });
        if (!ran) {
            SendJson(response, 503, ErrorAnswer("the host is shutting down"));
            return;
        }
        response.set_content(BridgeScript(*script, objects), "text/javascript; charset=utf-8");
    }

    void BridgeCallRoute(const httplib::Request& request, httplib::Response& response) {
        if (auto body = Body(request, response))
            OnMain(response, [this, &body] { return BridgeCall(context, log, *body); });
    }

    void ViewRoute(const httplib::Request&, httplib::Response& response) {
        OnMain(
            response,
            [this] {
                return HostAnswer{200, View()};
            },
            false);
    }

    void RevisionRoute(const httplib::Request&, httplib::Response& response) {
        SendJson(response, 200, {{"revision", revision.load()}});
    }

    void StepRoute(const httplib::Request& request, httplib::Response& response) {
        if (auto body = Body(request, response))
            OnMain(response, [this, &body] { return HostStep(*body); });
    }

    void SaveRoute(const httplib::Request&, httplib::Response& response) {
        OnMain(response, [this] { return Save(); });
    }

    void QuitRoute(const httplib::Request&, httplib::Response& response) {
        OnMain(response, [this] {
            quit = true;
            return HostAnswer{200, {{"quitting", true}}};
        });
    }

    const ServeOptions& options;
    HostedAddOn& hosted;
    StepContext context;
    std::string saveTarget;
    EventLog log;
    std::atomic<UInt64> revision{1};
    bool quit = false; // main thread only

    MainThreadQueue queue;
    httplib::Server server;
    std::optional<BridgeGuard> guard;
    int port = -1;
    std::thread thread;
};

} // namespace

int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    for (const auto& [folder, what] :
         {std::pair{options.webFolder, "--web"}, {options.hostPageFolder, "host page"}}) {
        std::error_code error;
        if (!fs::is_regular_file(fs::path(folder) / "index.html", error)) {
            err << "simhost: " << what << " folder " << folder << " has no index.html\n";
            return 1;
        }
    }
    std::unique_ptr<HostedAddOn> hosted = StartHostedAddOn(
        {options.project, options.addOn, options.filesFolder, options.costs, options.variance}, err);
    if (!hosted)
        return 1;
    int exitCode = 0;
    std::string saveTarget;
    {
        // Ctrl-C ends the serving loop instead of the process, so the project is saved and the
        // add-on unloaded.
        sys::StopRequests stopRequests;
        PaletteServer server(options, *hosted);
        try {
            if (!server.Bind()) {
                err << "simhost: cannot listen on 127.0.0.1"
                    << (options.port ? ":" + std::to_string(options.port) : std::string()) << "\n";
                return 1;
            }
        } catch (const std::exception& e) {
            err << "simhost: " << e.what() << "\n";
            return 1;
        }
        (void)hosted->session.UnloadIfIdle(); // before the server's threads start: loaded when needed
        server.Start();
        saveTarget = server.SaveTarget();
        out << "simhost serve: open " << server.Address() << "\n";
        out << "simhost serve: "
            << (saveTarget.empty() ? "the project is not saved (no --project or --save)"
                                   : "the project is saved to " + saveTarget + " on exit")
            << "; stop with Ctrl-C\n"
            << std::flush;
        server.Serve();
        server.Stop();
        saveTarget = server.SaveTarget(); // another project may be open now
    }
    if (!hosted->End(saveTarget, options.debugLog, err))
        exitCode = 1;
    else if (!saveTarget.empty())
        out << "simhost serve: saved the project to " << saveTarget << "\n";
    return exitCode;
}

} // namespace simhost
