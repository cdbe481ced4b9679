#include "host/host_probe_win32.h"

#include "tools/torv-torture/process_stats.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>

std::string HostProbe::opened;

namespace {

long threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    long n = 0;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL more = Thread32First(snapshot, &t); more; more = Thread32Next(snapshot, &t))
        n += t.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
}

void rectLine(std::string& out, const char* what, const RECT& r) {
    char line[160];
    std::snprintf(
        line, sizeof line, "%s %ld %ld %ld %ld\n", what, r.left, r.top, r.right, r.bottom);
    out += line;
}

} // namespace

HostProbe* HostProbe::fromEnvironment() {
    const char* file = std::getenv("TORV_HOST_PROBE");
    if (!file || !*file) return nullptr;
    return new HostProbe(file);
}

// Handles, threads and heap of the process, as "<prefix>handles=...\n..." lines.
static std::string processFigures(const char* prefix) {
    const ProcessStats stats = processStats();
    char text[400];
    std::snprintf(text,
                  sizeof text,
                  "%shandles=%lld\n%sthreads=%ld\n%sheap=%lld\n%sgdi=%lu\n%suser=%lu\n",
                  prefix,
                  static_cast<long long>(stats.handles),
                  prefix,
                  threadCount(),
                  prefix,
                  static_cast<long long>(stats.heapBytes),
                  prefix,
                  static_cast<unsigned long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)),
                  prefix,
                  static_cast<unsigned long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)));
    return text;
}

void HostProbe::attach(TorvHost& h, Win32HostUi& u) {
    atStart = processFigures("start.");
    host = &h;
    ui = &u;
    host->journal.enable(journalWords);
    hostShellOpen = &HostProbe::recordOpen;
}

HINSTANCE WINAPI HostProbe::recordOpen(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                       LPCSTR directory, INT show) {
    char text[600];
    std::snprintf(text,
                  sizeof text,
                  "owner=%s verb=%s file=%s parameters=%s directory=%s show=%d",
                  owner && owner == FindWindowA("VXWINDOW", nullptr) ? "main" : "other",
                  verb ? verb : "(null)",
                  file ? file : "(null)",
                  parameters ? parameters : "(null)",
                  directory ? directory : "(null)",
                  show);
    opened = text;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33)); // above 32: success
}

DWORD WINAPI HostProbe::holdLock(void* self) {
    auto* probe = static_cast<HostProbe*>(self);
    if (!probe->host->hostLock().lock(TorvHost::lockWaitMs)) {
        SetEvent(probe->held);
        return 1;
    }
    SetEvent(probe->held);
    Sleep(probe->holdMs);
    probe->host->hostLock().unlock();
    return 0;
}

bool HostProbe::handle(UINT message, WPARAM w, LPARAM l, LRESULT& result) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
        if (!data || data->dwData != setEnvironmentTag) return false;
        const std::string text(static_cast<const char*>(data->lpData), data->cbData);
        const size_t equals = text.find('=');
        result = equals != std::string::npos &&
                 SetEnvironmentVariableA(text.substr(0, equals).c_str(), text.c_str() + equals + 1);
        return true;
    }
    if (message == writeStateMessage) {
        writeState("running", w != 0);
        result = 1;
        return true;
    }
    if (message == holdLockMessage) {
        // Returns once the other thread holds the lock, so that the next command finds it busy.
        holdMs = static_cast<DWORD>(w);
        held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE thread = CreateThread(nullptr, 0, &HostProbe::holdLock, this, 0, nullptr);
        if (thread) {
            WaitForSingleObject(held, 5000);
            CloseHandle(thread);
        }
        CloseHandle(held);
        held = nullptr;
        result = thread ? 1 : 0;
        return true;
    }
    return false;
}

void HostProbe::writeState(const char* phase, bool figures) {
    if (!host || !ui) return;
    std::string out;
    char line[512];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    add("phase=%s\n", phase);
    add("title=%s\n", host->title());
    add("driver=%d\nmode=%d\nselected=%d\nblockLength=%d\n",
        host->currentDriver,
        host->currentMode,
        host->selectedRoute,
        host->blockLength);
    add("processed=%llu\nskipped=%llu\nlongestHoldUs=%llu\ndropped=%u\n",
        static_cast<unsigned long long>(host->blocksProcessed.load()),
        static_cast<unsigned long long>(host->blocksSkipped.load()),
        static_cast<unsigned long long>(host->longestHoldNs.load() / 1000),
        host->commandsDropped.load());
    add("journalWords=%llu\njournalFull=%d\n",
        static_cast<unsigned long long>(host->journal.size()),
        host->journal.overflowed() ? 1 : 0);
    if (figures) out += atStart + processFigures("");
    add("opened=%s\n", opened.c_str());
    for (int32_t i = 0; i < host->driverCount; ++i)
        add("driver %d name=%s\n", i, host->drivers[i]->name);
    for (int32_t i = 0; i < host->modeCount; ++i)
        add("mode %d rate=%d bits=%d frames=%d channels=%d label=%s\n",
            i,
            host->modes[i]->rate,
            host->modes[i]->bits,
            host->modes[i]->frames,
            host->modes[i]->channels,
            host->modes[i]->label);
    for (int32_t i = 0; i < host->inputCount; ++i)
        add("input %d uses=%d number=%d name=%s\n",
            i,
            host->inputs[i].uses,
            host->inputs[i].channel ? host->inputs[i].channel->number : -1,
            host->inputs[i].channel ? host->inputs[i].channel->name : "");
    for (int32_t k = 0; k < host->routeCount; ++k)
        add("route %d serial=%u input=%d label=%s\n",
            k,
            host->routes[k].serial,
            host->routes[k].input,
            host->routes[k].label);
    out += ui->describeMenus();

    if (HWND window = ui->window()) {
        RECT r;
        GetWindowRect(window, &r);
        rectLine(out, "window", r);
        GetClientRect(window, &r);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        OffsetRect(&r, origin.x, origin.y);
        rectLine(out, "client", r);
        add("visible=%d\nstyle=0x%lX\n",
            IsWindowVisible(window) ? 1 : 0,
            static_cast<unsigned long>(GetWindowLongPtrA(window, GWL_STYLE)));
        add("class.style=0x%lX\nclass.icon=%d\nclass.smallIcon=%d\nclass.background=%ld\n",
            static_cast<unsigned long>(GetClassLongPtrA(window, GCL_STYLE)),
            GetClassLongPtrA(window, GCLP_HICON) ? 1 : 0,
            GetClassLongPtrA(window, GCLP_HICONSM) ? 1 : 0,
            static_cast<long>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)));
        const int count = GetMenuItemCount(ui->menu(HostMenu::bar));
        for (int i = 0; i < count; ++i)
            if (GetMenuItemRect(window, ui->menu(HostMenu::bar), static_cast<UINT>(i), &r)) {
                std::snprintf(line, sizeof line, "baritem %d", i);
                rectLine(out, line, r);
            }
    }

    const std::string temporary = path + ".tmp";
    if (FILE* f = std::fopen(temporary.c_str(), "wb")) {
        std::fwrite(out.data(), 1, out.size(), f);
        std::fclose(f);
        MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    if (FILE* f = std::fopen((path + ".journal").c_str(), "wb")) {
        std::fwrite(host->journal.data(), sizeof(uint32_t), host->journal.size(), f);
        std::fclose(f);
    }
}
