#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace simhost {

// The local file service: answers GET /api/v1/files/<uuid> with the file <folder>/<uuid> and 404
// for anything else. It listens on 127.0.0.1 on a free port, on a thread of its own; it only
// reads files, so it needs nothing of the host's thread.
class LocalFileService {
public:
    explicit LocalFileService(std::string folder);
    ~LocalFileService();
    LocalFileService(const LocalFileService&) = delete;
    LocalFileService& operator=(const LocalFileService&) = delete;

    // "http://127.0.0.1:<port>", the base address the add-on is pointed at.
    std::string BaseAddress() const;
    int Port() const { return port; }
    // The request paths received so far, in order.
    std::vector<std::string> Requests() const;

private:
    std::string folder;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = -1;
    mutable std::mutex mutex;
    std::vector<std::string> requests;
};

} // namespace simhost
