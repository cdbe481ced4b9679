#include "host/host_main_win32.h"

#include "host/host.h"
#include "host/host_probe_win32.h"
#include "host/host_ui_win32.h"

#include "VX/VX_cfuncs.h"

#include <atomic>
#include <memory>

namespace {

constexpr UINT classStyle = CS_BYTEALIGNCLIENT | CS_SAVEBITS;         // 0x1800
constexpr DWORD mainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; // 0xCA0000
const char* const mainClass = "VXWINDOW";
const char* const editorClass = "TORVEFFECT";

// The host of this process, for the window procedure.
TorvHost* host = nullptr;
Win32HostUi* ui = nullptr;
HostProbe* probe = nullptr;
std::atomic<HWND> mainWindow{nullptr};

// A driver's request to have its stream built again arrives on its own thread: it is only
// posted to the user interface thread, which serves it.
void postRestart(VX_Rts* rts) {
    if (HWND w = mainWindow.load())
        PostMessageA(w, torvRestartMessage, 0, reinterpret_cast<LPARAM>(rts));
}

void shutDown(HWND window) {
    ShowWindow(window, SW_HIDE);
    VX_Rts::setRestartNotifier(nullptr);
    host->shutDown();
    PostQuitMessage(0);
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (!window) return 0;
    if (!host) return DefWindowProcA(window, message, w, l);
    LRESULT result = 0;
    if (probe && probe->handle(message, w, l, result)) return result;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(w) == 0 && l == 0) {
            host->command(LOWORD(w));
            return 0;
        }
        break;
    case WM_CLOSE:
        shutDown(window);
        return 0;
    case torvRestartMessage:
        host->serveRestart(reinterpret_cast<VX_Rts*>(l));
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

// Classes of an earlier run in this process stay registered; that is not a failure.
bool registerClasses(HINSTANCE instance) {
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = classStyle;
    c.lpfnWndProc = &mainProc;
    c.hInstance = instance;
    c.hIcon = LoadIconA(instance, "icon");
    c.hIconSm = LoadIconA(instance, "ComboSmallIcon");
    c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    c.lpszClassName = mainClass;
    if (!RegisterClassExA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    static HBRUSH editorBrush = CreateSolidBrush(RGB(32, 64, 96)); // 0x604020
    WNDCLASSEXA e{};
    e.cbSize = sizeof e;
    e.style = classStyle;
    e.lpfnWndProc = &DefWindowProcA;
    e.hInstance = instance;
    e.hCursor = c.hCursor;
    e.hbrBackground = editorBrush;
    e.lpszClassName = editorClass;
    return RegisterClassExA(&e) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The main window's client area takes the editor's size. A menu bar that needs more than one
// line in that width takes room from the client area that AdjustWindowRectEx did not allow
// for: the window grows by what is missing, so that the editor is never cut off.
void sizeWindows(HWND window, HWND editor, const ERect& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, mainStyle, TRUE, 0);
    MoveWindow(window, 50, 50, outer.right - outer.left, outer.bottom - outer.top, TRUE);
    RECT client;
    GetClientRect(window, &client);
    if (client.bottom < height)
        MoveWindow(window,
                   50,
                   50,
                   outer.right - outer.left,
                   outer.bottom - outer.top + height - client.bottom,
                   TRUE);
    MoveWindow(editor, 0, 0, width, height, TRUE);
}

} // namespace

VstPluginMainProc torvPluginEntry(HMODULE module) {
    for (const char* name : {"VSTPluginMain", "_VSTPluginMain", "MAIN"})
        if (FARPROC f = GetProcAddress(module, name))
            return reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(f));
    return nullptr;
}

int torvHostMain(HINSTANCE instance, int show) {
    std::unique_ptr<HostProbe> probeHere(HostProbe::fromEnvironment());
    probe = probeHere.get();
    Win32HostUi menus;
    ui = &menus;

    // The host lock comes with the host.
    TorvHost here(menus);
    host = &here;
    if (probe) probe->attach(here, menus);
    VX_Rts::setRestartNotifier(&postRestart);
    here.initBackends();
    here.setPluginEntry(torvPluginEntry(instance));
    registerClasses(instance);
    here.buildMenus();
    here.selectFirstDriver();

    HWND window = CreateWindowExA(0,
                                  mainClass,
                                  "TORV",
                                  mainStyle,
                                  50,
                                  50,
                                  600,
                                  450,
                                  nullptr,
                                  menus.menu(HostMenu::bar),
                                  instance,
                                  nullptr);
    HWND editor = CreateWindowExA(0,
                                  editorClass,
                                  "",
                                  WS_CHILD | WS_VISIBLE,
                                  0,
                                  0,
                                  20,
                                  20,
                                  window,
                                  nullptr,
                                  instance,
                                  nullptr);
    menus.setWindow(window);
    mainWindow.store(window);
    // A request that came while there was no window to post it to.
    if (VX_Rts* rts = here.driverNow(); rts && rts->restartRequested()) postRestart(rts);

    here.setEditorWindow(editor);
    here.addFirstRoute();
    const ERect rect = here.editorRect();
    here.takeProductTitle();
    sizeWindows(window, editor, rect);
    ShowWindow(window, show);
    UpdateWindow(window);
    VX_initall();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // Only WM_CLOSE ends the loop; should anything else, the stream still stops first.
    if (here.driverNow() || here.routeCount) here.shutDown();
    if (probe) probe->writeState("ended", true);
    mainWindow.store(nullptr);
    VX_Rts::setRestartNotifier(nullptr);
    host = nullptr;
    ui = nullptr;
    probe = nullptr;
    return 0;
}
