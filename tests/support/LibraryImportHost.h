#pragma once

#include "api/HostApiRecords.h"
#include "host/HostApi.h"
#include "import/FileService.h"
#include "model/Libraries.h"
#include "os/Environment.h"
#include "runtime/FileService.h"
#include "support/InProcessHost.h"
#include "support/TempFolder.h"

#include <optional>
#include <string>

namespace testing_support {

// An environment variable set for the life of the object, then put back as it was.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name(name), earlier(OS::EnvironmentValue(name)) {
        if (value != nullptr)
            (void)OS::SetEnvironmentValue(name, value); // fails only for a bad name
        else
            OS::UnsetEnvironmentValue(name);
    }
    ~ScopedEnvironment() {
        if (earlier)
            (void)OS::SetEnvironmentValue(name.c_str(), *earlier);
        else
            OS::UnsetEnvironmentValue(name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name;
    std::optional<std::string> earlier;
};

// The add-on in-process with a local file service serving `served`, downloads going to `temp`
// (TEMP) and the host's user library folder (special folder 6) in `userLibrary`.
struct LibraryImportHost {
    InProcessHost h;
    TempFolder served, temp, userLibrary;
    simhost::LocalFileService service{served.Path()};
    ScopedEnvironment fileService{FileServiceVariable, service.BaseAddress().c_str()};
    ScopedEnvironment tempFolder{"TEMP", temp.Path().c_str()};

    LibraryImportHost() { h.host.specialFolders[simhost::SpecialFolderUserLibrary] = userLibrary.Path(); }

    void Serve(const std::string& uuid, const std::string& bytes) const { WriteFile(served / uuid, bytes); }
    // The add-on's library folder when the project has no embedded library, or a file in it.
    std::string LibraryFolder(const std::string& file = "") const {
        return userLibrary / (file.empty() ? "Quorvel" : "Quorvel/" + file);
    }
    simhost::Libraries& Libraries() { return h.host.project.libraries; }

    // Hands the add-on the host's table with one slot replaced.
    template <typename Fn> void ReplaceSlot(HostOp op, Fn replacement) {
        HostFunctionTable table = h.host.table;
        table.entries[HostOps[int(op)].slot] = reinterpret_cast<HostFunctionPtr>(replacement);
        ASSERT_EQ(SetImportedFuncAddrs(&table), NoError);
    }
    template <typename Fn> Fn Original(HostOp op) const {
        return reinterpret_cast<Fn>(h.host.table.entries[HostOps[int(op)].slot]);
    }
};

// A library-part file in simhost's format; without parameters ("") it has no parameter section.
inline std::string LibraryPartFile(const std::string& parameters = "[]") {
    return R"({"format":"simhost-libpart","version":1,"a":0.5,"b":0.7,)" +
           (parameters.empty() ? std::string() : R"("parameters":)" + parameters + ",") +
           R"("sections":[{"code":"3DSC","text":"BLOCK a, b, 1\n"}]})";
}

} // namespace testing_support
