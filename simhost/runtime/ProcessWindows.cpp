#include "runtime/Process.h"

#include "gs/UniString.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace simhost {

namespace {

// One argument quoted for the command line, as the C runtime's parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == L'\\') {
            ++i;
            ++backslashes;
        }
        if (i == argument.size()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (argument[i] == L'"')
            quoted.append(backslashes * 2 + 1, L'\\');
        else
            quoted.append(backslashes, L'\\');
        quoted.push_back(argument[i]);
    }
    quoted.push_back(L'"');
    return quoted;
}

} // namespace

// Each pipe is read by a thread of its own into a buffer: Windows has no poll for pipes. A
// process the program's run makes the system start (Wine's desktop process, say) inherits its
// output handles and may hold the pipes open long after the program ended: its streams end a
// moment after the program, and a reader still blocked then is left to end with that process.
struct Pipes {
    std::mutex mutex;
    std::condition_variable arrived;
    std::string buffered[2];
    int open = 2;
};

struct ChildProgram::State {
    PROCESS_INFORMATION process{};
    bool ended = false;
    std::shared_ptr<Pipes> pipes = std::make_shared<Pipes>();
    std::chrono::steady_clock::time_point exitSeen{};
    bool streamsEnded = false;
};

namespace {
// How long the streams may go on after the program ended.
constexpr std::chrono::milliseconds StreamsAfterExit{500};
} // namespace

ChildProgram::ChildProgram(const std::vector<std::string>& arguments) : state(new State) {
    if (arguments.empty())
        throw std::runtime_error("no program to run");
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE reads[2] = {}, writes[2] = {};
    for (int i = 0; i < 2; ++i) {
        if (!CreatePipe(&reads[i], &writes[i], &inherit, 0))
            throw std::runtime_error("cannot make a pipe");
        SetHandleInformation(reads[i], HANDLE_FLAG_INHERIT, 0);
    }
    std::wstring commandLine;
    for (const auto& a : arguments)
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(GS::Utf8ToWide(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writes[0];
    startup.hStdError = writes[1];
    const BOOL started = CreateProcessW(GS::Utf8ToWide(arguments[0]).c_str(), commandLine.data(), nullptr,
                                        nullptr, TRUE, 0, nullptr, nullptr, &startup, &state->process);
    CloseHandle(writes[0]);
    CloseHandle(writes[1]);
    if (!started) {
        CloseHandle(reads[0]);
        CloseHandle(reads[1]);
        throw std::runtime_error("cannot start " + arguments[0] + " (error " +
                                 std::to_string(GetLastError()) + ")");
    }
    for (int i = 0; i < 2; ++i)
        std::thread([p = state->pipes, pipe = reads[i], i] {
            char buffer[65536];
            DWORD n = 0;
            while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) {
                std::lock_guard<std::mutex> lock(p->mutex);
                p->buffered[i].append(buffer, n);
                p->arrived.notify_all();
            }
            CloseHandle(pipe);
            std::lock_guard<std::mutex> lock(p->mutex);
            --p->open;
            p->arrived.notify_all();
        }).detach();
}

ChildProgram::~ChildProgram() {
    Kill();
    std::string ignored;
    (void)Wait(ignored, ignored);
}

bool ChildProgram::Read(std::string& out, std::string& err, double seconds) {
    if (state->streamsEnded)
        return false;
    Pipes& p = *state->pipes;
    std::unique_lock<std::mutex> lock(p.mutex);
    const bool arrived = p.arrived.wait_for(lock, std::chrono::duration<double>(seconds), [&p] {
        return !p.buffered[0].empty() || !p.buffered[1].empty() || p.open == 0;
    });
    out += p.buffered[0];
    err += p.buffered[1];
    p.buffered[0].clear();
    p.buffered[1].clear();
    if (p.open == 0)
        state->streamsEnded = true;
    else if (!arrived && state->process.hProcess != nullptr &&
             WaitForSingleObject(state->process.hProcess, 0) == WAIT_OBJECT_0) {
        const auto now = std::chrono::steady_clock::now();
        if (state->exitSeen == std::chrono::steady_clock::time_point{})
            state->exitSeen = now;
        else if (now - state->exitSeen > StreamsAfterExit)
            state->streamsEnded = true;
    }
    return !state->streamsEnded;
}

void ChildProgram::Kill() {
    if (!state->ended)
        TerminateProcess(state->process.hProcess, 1);
}

ChildProgram::Ending ChildProgram::Wait(std::string& out, std::string& err) {
    while (Read(out, err, 0.2)) {
    }
    Ending e;
    if (state->process.hProcess == nullptr)
        return e;
    WaitForSingleObject(state->process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(state->process.hProcess, &code);
    if (!state->ended) {
        CloseHandle(state->process.hProcess);
        CloseHandle(state->process.hThread);
        state->ended = true;
        state->process.hProcess = nullptr;
    }
    // Exception codes (0xC0000005 an access violation, 0xC00000FD a stack overflow) end a crashed
    // program.
    if (code >= 0xC0000000u) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
        e.crash = text;
    } else {
        e.exited = true;
        e.code = int(code);
    }
    return e;
}

} // namespace simhost
