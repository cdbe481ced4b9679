#include "host_process_win32.h"

#include "host/host_probe_win32.h"

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

} // namespace

std::string testProgramDirectory() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    return dir.erase(dir.find_last_of("\\/") + 1);
}

std::string windowsPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

long long HostState::number(const std::string& key) const {
    auto i = values.find(key);
    return i == values.end() ? -1 : std::strtoll(i->second.c_str(), nullptr, 10);
}

std::string HostState::text(const std::string& key) const {
    auto i = values.find(key);
    return i == values.end() ? std::string() : i->second;
}

std::vector<HostState::Item> HostState::menu(const std::string& name) const {
    std::vector<Item> out;
    for (const Item& i : items)
        if (i.menu == name) out.push_back(i);
    return out;
}

std::vector<std::string> HostState::texts(const std::string& name) const {
    std::vector<std::string> out;
    for (const Item& i : menu(name)) out.push_back(i.kind == "separator" ? "-" : i.text);
    return out;
}

std::vector<uint32_t> HostState::checked(const std::string& name) const {
    std::vector<uint32_t> out;
    for (const Item& i : menu(name))
        if (i.checked) out.push_back(i.id);
    return out;
}

const HostState::Item* HostState::find(const std::string& name, uint32_t id) const {
    for (const Item& i : items)
        if (i.menu == name && i.id == id && i.kind != "separator") return &i;
    return nullptr;
}

HostState HostState::parse(const std::string& text) {
    HostState s;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string first;
        words >> first;
        // "<word> <n> ... label=<text>" lines keep their last field whole.
        auto tail = [&](const char* key) {
            const size_t at = line.find(key);
            return at == std::string::npos ? std::string() : line.substr(at + std::strlen(key));
        };
        if (first == "item") {
            Item i;
            std::string id, kind, checked, grayed;
            words >> i.menu >> i.position >> id >> kind >> checked >> grayed;
            i.id = static_cast<uint32_t>(std::strtoul(id.c_str() + 3, nullptr, 16));
            i.kind = kind.substr(5);
            i.checked = checked == "checked=1";
            i.grayed = grayed == "grayed=1";
            i.text = tail(" text=");
            s.items.push_back(i);
        } else if (first == "route") {
            s.routes.push_back(tail(" label="));
        } else if (first == "input") {
            s.inputs.push_back(tail(" name="));
        } else if (first == "mode") {
            s.modes.push_back(tail(" label="));
        } else if (first == "driver" && line.find(" name=") != std::string::npos) {
            s.drivers.push_back(tail(" name="));
        } else if (first == "window" || first == "client" || first == "baritem") {
            std::string key = first;
            if (first == "baritem") {
                std::string n;
                words >> n;
                key += " " + n;
            }
            RECT r{};
            words >> r.left >> r.top >> r.right >> r.bottom;
            s.rects[key] = r;
        } else if (const size_t eq = line.find('='); eq != std::string::npos) {
            s.values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return s;
}

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
    const std::string dir = testProgramDirectory() + "host-runs\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    probePath = dir + name + ".state";
    errPath = dir + name + ".err";
    DeleteFileA(probePath.c_str());
    DeleteFileA((probePath + ".journal").c_str());

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE err = CreateFileA(errPath.c_str(),
                             GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit,
                             CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    HANDLE out = CreateFileA((dir + name + ".out").c_str(),
                             GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit,
                             CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL,
                             nullptr);
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
    if (!window ||
        !SendMessageTimeoutA(
            window, HostProbe::writeStateMessage, figures ? 1 : 0, 0, SMTO_NORMAL, 30000, &result))
        return HostState{};
    return HostState::parse(readWhole(probePath));
}

bool HostProcess::command(uint32_t id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_COMMAND, id, 0, SMTO_NORMAL, 60000, &result) != 0;
}

bool HostProcess::setEnvironment(const std::string& key, const std::string& value) {
    std::string text = key + "=" + value;
    COPYDATASTRUCT data{HostProbe::setEnvironmentTag, static_cast<DWORD>(text.size()), text.data()};
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window,
                               WM_COPYDATA,
                               0,
                               reinterpret_cast<LPARAM>(&data),
                               SMTO_NORMAL,
                               10000,
                               &result) &&
           result;
}

bool HostProcess::holdLock(DWORD ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(
               window, HostProbe::holdLockMessage, ms, 0, SMTO_NORMAL, 10000, &result) &&
           result;
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
