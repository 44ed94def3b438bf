#include "runtime/FileService.h"

#include "io/Native.h"
#include "runtime/System.h"

#include <httplib.h>

#include <fstream>
#include <stdexcept>

namespace simhost {

namespace {

// A uuid names a file directly in the served folder, never a path.
bool IsServedName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == '\0')
            return false;
    return true;
}

} // namespace

LocalFileService::LocalFileService(std::string served)
    : folder(std::move(served)), server(new httplib::Server) {
    server->Get(R"(/api/v1/files/(.+))",
                [this](const httplib::Request& request, httplib::Response& response) {
                    std::string uuid = request.matches[1];
                    std::string path = folder + "/" + uuid;
                    if (!IsServedName(uuid) || IO::Native::Inspect(path) != IO::Native::Kind::File) {
                        response.status = 404;
                        return;
                    }
                    std::ifstream in(sys::PathFromUtf8(path), std::ios::binary);
                    std::string bytes(std::istreambuf_iterator<char>(in), {});
                    response.set_content(bytes, "application/octet-stream");
                });
    // Recorded before the answer is sent, so a client that has its answer sees its request listed.
    server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(request.path);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // One answer per connection: a client that keeps its connections open for reuse (Windows'
    // download API does) would otherwise hold the shutdown for the server's keep-alive wait.
    server->set_keep_alive_max_count(1);
    port = server->bind_to_any_port("127.0.0.1");
    if (port < 0)
        throw std::runtime_error("the local file service cannot listen on 127.0.0.1");
    thread = std::thread([this] { server->listen_after_bind(); });
    while (!server->is_running())
        std::this_thread::yield();
}

LocalFileService::~LocalFileService() {
    server->stop();
    if (thread.joinable())
        thread.join();
}

std::string LocalFileService::BaseAddress() const {
    return "http://127.0.0.1:" + std::to_string(port);
}

std::vector<std::string> LocalFileService::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

} // namespace simhost
