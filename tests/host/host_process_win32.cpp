#include "host_process_win32.h"

#include "host/host_probe_win32.h"
#include "rts/asio_fixture_util.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FindWindowOf {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findMain(HWND w, LPARAM l) {
    auto* f = reinterpret_cast<FindWindowOf*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char name[32] = "";
    GetClassNameA(w, name, sizeof name);
    if (pid == f->pid && std::string(name) == "VXWINDOW") {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

// A message sent to the host and waited for on a thread that does nothing else. Under Wine, a
// thread that has taken a picture of the host's window can miss the wake-up of the reply to a
// message it then sends the host: its SendMessageTimeout waits past its timeout, for good (seen
// in 2 of 3 runs of the drivers' test after the picture test on a loaded machine). A fresh
// thread waits on Wine's server alone. A send that does not come back in time keeps its job:
// it costs a thread and a few bytes, not a hang.
struct Send {
    HWND window;
    UINT message;
    WPARAM w;
    LPARAM l;
    UINT timeoutMs;
    std::string data; // WM_COPYDATA's bytes, when l points at `copy`
    COPYDATASTRUCT copy{};
    DWORD_PTR result = 0;
    LRESULT sent = 0;
};

DWORD WINAPI sendOnItsOwnThread(void* p) {
    auto* job = static_cast<Send*>(p);
    job->sent = SendMessageTimeoutA(
        job->window, job->message, job->w, job->l, SMTO_NORMAL, job->timeoutMs, &job->result);
    return 0;
}

bool sendToHost(Send* job, DWORD_PTR* result) {
    HANDLE thread =
        job->window ? CreateThread(nullptr, 0, &sendOnItsOwnThread, job, 0, nullptr) : nullptr;
    if (!thread) {
        delete job;
        return false;
    }
    const bool ended = WaitForSingleObject(thread, job->timeoutMs + 5000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    if (!ended) return false; // the thread still owns the job
    *result = job->result;
    const bool sent = job->sent != 0;
    delete job;
    return sent;
}

bool sendToHost(HWND window, UINT message, WPARAM w, LPARAM l, UINT timeoutMs, DWORD_PTR* result) {
    return sendToHost(new Send{window, message, w, l, timeoutMs, {}}, result);
}

} // namespace

HostProcess::HostProcess(std::string name, std::vector<std::pair<std::string, std::string>> env)
    : name(std::move(name)), environment(std::move(env)) {}

HostProcess::~HostProcess() {
    if (running()) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
}

bool HostProcess::running() const {
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

bool HostProcess::start(DWORD timeoutMs) {
    const std::string dir = asiotest::programDir() + "host-runs\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    probePath = dir + name + ".state";
    errPath = dir + name + ".err";
    DeleteFileA(probePath.c_str());
    DeleteFileA((probePath + ".journal").c_str());

    // Its standard output and error go to files of its own.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto file = [&](const std::string& path) {
        return CreateFileA(path.c_str(),
                           GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit,
                           CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    };
    HANDLE err = file(errPath), out = file(dir + name + ".out");
    // The host inherits this process's environment, with its own variables set for the start.
    std::vector<std::pair<std::string, std::string>> saved;
    auto set = [&](const std::string& key, const std::string& value) {
        char old[4096] = "";
        const DWORD n = GetEnvironmentVariableA(key.c_str(), old, sizeof old);
        saved.emplace_back(key, n ? std::string(old) : std::string("\x01"));
        SetEnvironmentVariableA(key.c_str(), value.c_str());
    };
    set("TORV_HOST_PROBE", probePath);
    for (const auto& [key, value] : environment) set(key, value);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out;
    si.hStdError = err;
    std::string command = "\"" + windowsPath(TORV_EXE) + "\"";
    const BOOL created = CreateProcessA(
        nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &process);
    for (auto i = saved.rbegin(); i != saved.rend(); ++i)
        SetEnvironmentVariableA(i->first.c_str(),
                                i->second == "\x01" ? nullptr : i->second.c_str());
    CloseHandle(err);
    CloseHandle(out);
    if (!created) return false;
    pid = process.dwProcessId;

    const DWORD started = GetTickCount();
    while (GetTickCount() - started < timeoutMs && running()) {
        FindWindowOf f{pid, nullptr};
        EnumWindows(&findMain, reinterpret_cast<LPARAM>(&f));
        if (f.found && IsWindowVisible(f.found)) {
            window = f.found;
            if (state().number("blockLength") >= 0 && !state().routes.empty()) return true;
        }
        Sleep(20);
    }
    return false;
}

HostState HostProcess::state(bool figures) {
    DWORD_PTR result = 0;
    if (!sendToHost(window, HostProbe::writeStateMessage, figures ? 1 : 0, 0, 30000, &result))
        return HostState{};
    return HostState::parse(readWhole(probePath));
}

bool HostProcess::command(uint32_t id) {
    DWORD_PTR result = 0;
    return sendToHost(window, WM_COMMAND, id, 0, 60000, &result);
}

bool HostProcess::setEnvironment(const std::string& key, const std::string& value) {
    auto* job = new Send{window, WM_COPYDATA, 0, 0, 10000, key + "=" + value};
    job->copy = {
        HostProbe::setEnvironmentTag, static_cast<DWORD>(job->data.size()), job->data.data()};
    job->l = reinterpret_cast<LPARAM>(&job->copy);
    DWORD_PTR result = 0;
    return sendToHost(job, &result) && result;
}

bool HostProcess::holdLock(DWORD ms) {
    DWORD_PTR result = 0;
    return sendToHost(window, HostProbe::holdLockMessage, ms, 0, 10000, &result) && result;
}

bool HostProcess::waitBlocks(long long more, DWORD timeoutMs) {
    const long long from = state().number("processed");
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < timeoutMs) {
        if (state().number("processed") >= from + more) return true;
        Sleep(20);
    }
    return false;
}

bool HostProcess::close(DWORD timeoutMs, DWORD* exitCode, DWORD* tookMs) {
    const DWORD started = GetTickCount();
    PostMessageA(window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (tookMs) *tookMs = GetTickCount() - started;
    if (exitCode) GetExitCodeProcess(process.hProcess, exitCode);
    return ended;
}

std::string HostProcess::errors() const {
    return readWhole(errPath);
}

std::vector<std::string> HostProcess::reports() const {
    std::vector<std::string> out;
    const std::string text = errors();
    for (size_t at = text.find("Error: "); at != std::string::npos;
         at = text.find("Error: ", at + 1)) {
        const size_t end = text.find_first_of("\r\n", at);
        const size_t proc = text.find("Proc: ", at);
        if (end == std::string::npos || proc == std::string::npos) break;
        const size_t procEnd = text.find_first_of("\r\n", proc);
        out.push_back(text.substr(at + 7, end - at - 7) + " in " +
                      text.substr(proc + 6, procEnd - proc - 6));
    }
    return out;
}

std::vector<uint32_t> HostProcess::journal() const {
    const std::string bytes = readWhole(probePath + ".journal");
    std::vector<uint32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), words.size() * 4);
    return words;
}

std::string HostProcess::title() const {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}
