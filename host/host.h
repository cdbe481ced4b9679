// The standalone host: it creates instances of the effect through the program's own plug-in
// entry, one per route, feeds each route the input channel it is connected to, sums the effects'
// stereo outputs into the first two outputs of the audio device, and lets the menus choose the
// driver, its mode, the routes and their inputs.
//
// Threads: every command, start-up and shutdown run on the user interface thread; the audio
// callback runs on the backend's audio thread. The host lock serialises them: a command holds
// it (waiting at most lockWaitMs), the callback only tries it and skips the block when it is
// busy. The tables below are touched only with the lock held, or by start-up and shutdown
// while no stream runs.
#pragma once

#include "host/host_journal.h"
#include "host/host_lock.h"
#include "host/host_ui.h"

#include "VX/Rts/VX_Rts.h"
#include "plugin/vst/vst_abi.h"

#include <atomic>
#include <cstdint>

class TorvHost {
public:
    static constexpr int maxDrivers = 32, maxModes = 32, maxInputs = 32, maxRoutes = 32;
    static constexpr uint32_t lockWaitMs = 1000;
    static constexpr int labelSize = 64;

    // Menu command identifiers: the top four bits name the command, the low twelve the index.
    enum Command : uint32_t {
        driverCommand = 0x1000,
        modeCommand = 0x2000,
        addCommand = 0x3000,
        deleteCommand = 0x4000,
        routeCommand = 0x5000,
        inputCommand = 0x6000,
        helpCommand = 0x7000,
    };

    // The maker's page, opened by Help.
    static constexpr const char* helpPage = "https://www.torvaudio.net/";

    // A command refused because the host lock stayed busy, and one refused because it cannot
    // be carried out in the host's present state (a 33rd route, deleting the last one).
    static const VX_error busy;
    static const VX_error refused;

    struct Route {
        AEffect* effect = nullptr;
        int32_t input = -1; // index into the input table, -1: unconnected
        char label[labelSize] = "";
        uint32_t serial = 0; // the how-manieth effect this host created
    };

    struct Input {
        VX_Rts::Chan* channel = nullptr;
        int32_t uses = 0; // routes connected to it
    };

    explicit TorvHost(HostUi& ui, VstPluginMainProc entry = nullptr);
    ~TorvHost();
    TorvHost(const TorvHost&) = delete;
    TorvHost& operator=(const TorvHost&) = delete;

    // Start-up, in order. [ui thread]
    // The runtime's backend classes, ASIO first, each with the audio callback.
    void initBackends();
    // The plug-in entry each route's effect is created with.
    void setPluginEntry(VstPluginMainProc e) { entry = e; }
    // The menus from their table, and the driver table and Audio menu from the runtime's
    // instances.
    void buildMenus();
    // Driver 0 under the lock, or the report that there is none.
    void selectFirstDriver();
    // The editor child window the selected route's editor opens in.
    void setEditorWindow(void* window) { editorWindow = window; }
    // The first route, under the lock.
    void addFirstRoute();
    // Route 1's editor rectangle, or the default one after the report.
    ERect editorRect();
    // Route 1's product string as the window title (set through the ui), also returned.
    const char* takeProductTitle();

    // A menu command by identifier, under the lock where it needs it; identifiers of no
    // command are ignored (VX_OK). [ui thread]
    VX_error command(uint32_t id);
    // The commands themselves; the caller holds the lock (not for help).
    VX_error driver(int32_t index);
    VX_error mode(int32_t index);
    VX_error add();
    VX_error remove(); // Delete, on the selected route
    VX_error route(int32_t index);
    VX_error input(int32_t index);
    VX_error help();

    // A driver asked for its stream to be built again: select it again and go back to the
    // mode it ran, under the lock. Requests of drivers that are not current are dropped.
    VX_error serveRestart(VX_Rts* rts);

    // Stops the stream, closes every effect and cleans up the backend classes. [ui thread]
    void shutDown();

    // One block of the current stream. [audio thread]
    void audio();
    // The processing callback the backends are given: the block of the host that exists.
    static void audioCallback();
    // The audioMaster callback every effect is created with.
    static VstIntPtr VST_CALL audioMaster(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt);

    // The state, for the menus' owner and for tests. Read with the lock held or from the ui
    // thread while no command runs.
    int32_t driverCount = 0, currentDriver = -1;
    VX_Rts* drivers[maxDrivers] = {};
    int32_t modeCount = 0, currentMode = -1;
    VX_Rts::Mode* modes[maxModes] = {};
    int32_t inputCount = 0;
    Input inputs[maxInputs];
    int32_t routeCount = 0, selectedRoute = -1;
    Route routes[maxRoutes];
    int32_t blockLength = 0;
    const char* title() const { return titleText; }
    VX_Rts* driverNow() const { return currentDriver >= 0 ? drivers[currentDriver] : nullptr; }

    // Figures of the audio callback. [any thread]
    std::atomic<uint64_t> blocksProcessed{0}, blocksSkipped{0};
    std::atomic<uint64_t> longestHoldNs{0}; // the longest time a block held the lock
    std::atomic<uint32_t> commandsDropped{0};
    std::atomic<uint32_t> streamBlock{0}; // blocks seen since the current stream started

    HostJournal journal;
    HostLock& hostLock() { return lock; }

private:
    void report(int line, const char* function, VX_error message);
    void showTitle(const char* text);
    void label(Route& r, int32_t number);
    void recountInputUses();
    void releaseBlocks();
    void closeEffect(Route& r);
    VstIntPtr dispatch(AEffect* e, VstInt32 opcode, void* ptr = nullptr, float opt = 0.0f);
    void note(HostJournal::Kind kind, uint32_t a, uint32_t b = 0, uint32_t count = 1);

    HostUi& ui;
    HostLock lock;
    VstPluginMainProc entry;
    void* editorWindow = nullptr;
    uint32_t nextSerial = 1;
    bool inCommand = false; // a command runs on the user interface thread
    bool closed = false;    // shut down
    char baseTitle[labelSize + 64] = "TORV";
    char titleText[labelSize + 192] = "TORV";

    // Host blocks: the input block, the effect's left and right outputs, the left and right
    // mix, each blockLength floats; and the float channel the bridge points at one of them.
    float* blocks = nullptr;
    float* inBlock = nullptr;
    float* effectOut[2] = {};
    float* mix[2] = {};
    VX_Rts::Chan floatChannel{"host", VX_RTS_FLOAT32};

    static std::atomic<TorvHost*> active;
};
