// Start-up, shutdown and the menu commands of the standalone host.
#include "host/host.h"

#include "VX/Rts/Asio/VX_Rts_Asio.h"
#include "VX/Rts/VX_Rts_Win32.h"

#include <cstdio>
#include <cstring>
#include <new>

const VX_error TorvHost::busy = "The audio is busy: the command was not carried out";
const VX_error TorvHost::refused = "The command cannot be carried out now";

std::atomic<TorvHost*> TorvHost::active{nullptr};

namespace {

// Reports name the host as their source.
const char* const sourceName = "host";

const char* const noDrivers = "No audio drivers found";
const char* const noEditorMetrics = "Cannot get metrics of effect editor";
const char* const noEffect = "Cannot create the effect";

// The fixed menu structure: each entry appended to its parent in table order.
struct MenuEntry {
    const char* text; // null: a separator
    HostMenu parent;
    HostMenu popup; // the popup it opens, or HostMenu::count for a command
    uint32_t id;
    bool grayed;
};
const MenuEntry menuTable[] = {
    {"&Audio", HostMenu::bar, HostMenu::audio, 0, false},
    {nullptr, HostMenu::audio, HostMenu::count, 0, false},
    {"&Mode", HostMenu::audio, HostMenu::mode, 0, false},
    {"&Channel", HostMenu::bar, HostMenu::channel, 0, false},
    {nullptr, HostMenu::channel, HostMenu::count, 0, false},
    {"&Input", HostMenu::channel, HostMenu::input, 0, false},
    {nullptr, HostMenu::channel, HostMenu::count, 0, false},
    {"&Add", HostMenu::channel, HostMenu::count, TorvHost::addCommand, false},
    {"&Delete", HostMenu::channel, HostMenu::count, TorvHost::deleteCommand, true},
    {"&Help (online)", HostMenu::bar, HostMenu::count, TorvHost::helpCommand, false},
};

// The words a dropped command is named by in the title.
const char* commandName(uint32_t id) {
    static const char* const names[] = {
        "", "Driver", "Mode", "Add", "Delete", "Channel", "Input", "Help"};
    const uint32_t top = id >> 12;
    return top < sizeof names / sizeof *names ? names[top] : "";
}

} // namespace

TorvHost::TorvHost(HostUi& ui, VstPluginMainProc entry) : ui(ui), entry(entry) {
    floatChannel.format = VX_RTS_FLOAT32;
    active.store(this);
}

TorvHost::~TorvHost() {
    TorvHost* self = this;
    active.compare_exchange_strong(self, nullptr);
    releaseBlocks();
}

void TorvHost::report(int line, const char* function, VX_error message) {
    VX_error_func(sourceName, line, function, __DATE__, __TIME__, message);
}

void TorvHost::showTitle(const char* text) {
    std::snprintf(titleText, sizeof titleText, "%s", text);
    ui.setTitle(titleText);
}

VstIntPtr TorvHost::dispatch(AEffect* e, VstInt32 opcode, void* ptr, float opt) {
    return e->dispatcher(e, opcode, 0, 0, ptr, opt);
}

void TorvHost::note(HostJournal::Kind kind, uint32_t a, uint32_t b, uint32_t count) {
    const uint32_t words[2] = {a, b};
    journal.add(kind, words, count);
}

void TorvHost::initBackends() {
    VX_Rts_Asio::classInit(&TorvHost::audioCallback);
    VX_Rts_Win32::classInit(&TorvHost::audioCallback);
}

void TorvHost::buildMenus() {
    for (const MenuEntry& e : menuTable) {
        if (!e.text)
            ui.appendSeparator(e.parent);
        else if (e.popup != HostMenu::count)
            ui.appendPopup(e.parent, e.text, e.popup);
        else
            ui.appendCommand(e.parent, e.text, e.id, e.grayed);
    }
    driverCount = 0;
    for (VX_Chain_Item* i = VX_Rts_instances.first();
         !VX_Rts_instances.isEnd(i) && driverCount < maxDrivers;
         i = i->next) {
        auto* rts = static_cast<VX_Rts*>(i->data);
        ui.insertRadio(HostMenu::audio, driverCount, driverCommand + driverCount, rts->name, rts);
        drivers[driverCount++] = rts;
    }
}

void TorvHost::selectFirstDriver() {
    if (driverCount == 0) {
        report(__LINE__, "WinMain", noDrivers);
        return;
    }
    command(driverCommand);
}

void TorvHost::addFirstRoute() {
    command(addCommand);
}

ERect TorvHost::editorRect() {
    ERect* rect = nullptr;
    if (routeCount > 0 && dispatch(routes[0].effect, effEditGetRect, &rect) && rect) return *rect;
    report(__LINE__, "WinMain", noEditorMetrics);
    return ERect{0, 0, 800, 600};
}

const char* TorvHost::takeProductTitle() {
    if (routeCount > 0) {
        char product[kVstMaxProductStrLen + 1] = "";
        dispatch(routes[0].effect, effGetProductString, product);
        product[kVstMaxProductStrLen] = 0;
        std::snprintf(baseTitle, sizeof baseTitle, "%s", product);
    }
    showTitle(baseTitle);
    return titleText;
}

// Commands that change the host's state hold the lock. One that cannot have it within its time
// is dropped, as before, but the title says so: a click never vanishes in silence.
VX_error TorvHost::command(uint32_t id) {
    const uint32_t top = id >> 12;
    const int32_t index = static_cast<int32_t>(id & 0xFFF);
    if (top == helpCommand >> 12) return help();
    if (top < 1 || top > 6) return VX_OK;
    // After shutdown there is nothing left to command.
    if (closed) return refused;
    // A command that arrives while another runs on this thread (a driver's dialog or COM call
    // dispatching messages) would find the other halfway: it is dropped like one that finds
    // the lock busy.
    if (inCommand || !lock.lock(lockWaitMs)) {
        commandsDropped.fetch_add(1);
        char text[sizeof titleText];
        std::snprintf(text,
                      sizeof text,
                      "%s - audio busy: \"%s\" was not carried out, please try again",
                      baseTitle,
                      commandName(id));
        showTitle(text);
        return busy;
    }
    if (std::strcmp(titleText, baseTitle) != 0) showTitle(baseTitle);
    inCommand = true;
    VX_error result = VX_OK;
    switch (top) {
    case 1:
        result = driver(index);
        break;
    case 2:
        result = mode(index);
        break;
    case 3:
        result = add();
        break;
    case 4:
        result = remove();
        break;
    case 5:
        result = route(index);
        break;
    case 6:
        result = input(index);
        break;
    }
    inCommand = false;
    lock.unlock();
    return result;
}

void TorvHost::label(Route& r, int32_t number) {
    const char* name = r.input >= 0 && r.input < inputCount && inputs[r.input].channel
                           ? inputs[r.input].channel->name
                           : "Unconnected";
    // A long channel name is cut to the label's size; a name the C library cannot write
    // leaves the label empty rather than undefined.
    if (std::snprintf(r.label, sizeof r.label, "%d. %s", number, name) < 0) r.label[0] = '\0';
}

// Every use count from the routes as they are now connected.
void TorvHost::recountInputUses() {
    for (Input& in : inputs) in.uses = 0;
    for (int32_t k = 0; k < routeCount; ++k)
        if (routes[k].input >= 0 && routes[k].input < inputCount) ++inputs[routes[k].input].uses;
}

VX_error TorvHost::driver(int32_t index) {
    static const char* const fn = "menu_driver";
    if (index < 0 || index >= driverCount) return refused;
    bool wasRunning = false;
    if (VX_Rts* old = driverNow()) {
        if (old->running.load()) {
            if (VX_error e = old->stop(); e != VX_OK) {
                report(__LINE__, fn, e);
                return e;
            }
            wasRunning = true;
        }
        // A driver that will not stop is reported and let go all the same: its stream is over
        // for the host, and the user must still be able to reach another driver.
        if (currentMode >= 0) {
            if (VX_error e = old->free(); e != VX_OK) report(__LINE__, fn, e);
            currentMode = -1;
        }
        ui.check(HostMenu::audio, driverCommand + currentDriver, false);
        ui.removeAll(HostMenu::mode);
        ui.removeAll(HostMenu::input);
        modeCount = 0;
        inputCount = 0;
        for (Input& in : inputs) in = Input{};
        if (VX_error e = old->exit(); e != VX_OK) {
            report(__LINE__, fn, e);
            return e;
        }
        currentDriver = -1;
    }

    VX_Rts* rts = drivers[index];
    // Whatever the driver asked for before is served by initialising it afresh.
    rts->restartServed();
    if (VX_error e = rts->init(); e != VX_OK) {
        report(__LINE__, fn, e);
        return e;
    }
    ui.check(HostMenu::audio, driverCommand + index, true);
    currentDriver = index;

    modeCount = 0;
    rts->modes.forEach<VX_Rts::Mode>([&](VX_Rts::Mode* m) {
        if (modeCount >= maxModes) return;
        ui.insertRadio(HostMenu::mode, -1, modeCommand + modeCount, m->label, m);
        modes[modeCount++] = m;
    });

    const int32_t selectedInput = selectedRoute >= 0 ? routes[selectedRoute].input : -1;
    inputCount = 0;
    rts->inputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* c) {
        if (inputCount >= maxInputs) return;
        ui.insertRadio(HostMenu::input, -1, inputCommand + inputCount, c->name, c);
        if (inputCount == selectedInput) ui.check(HostMenu::input, inputCommand + inputCount, true);
        inputs[inputCount++] = Input{c, 0};
    });

    for (int32_t k = 0; k < routeCount; ++k) {
        Route& r = routes[k];
        if (r.input >= inputCount) r.input = -1;
        label(r, k + 1);
        ui.setText(HostMenu::channel, routeCommand + k, r.label);
    }
    // The counts follow the routes: those turned unconnected no longer hold their old input.
    recountInputUses();

    if (modeCount == 0) return VX_OK;
    const VX_error e = mode(0);
    if (e != VX_OK && wasRunning) {
        if (VX_error s = rts->start(); s != VX_OK) report(__LINE__, fn, s);
    }
    return e;
}

void TorvHost::releaseBlocks() {
    delete[] blocks;
    blocks = inBlock = nullptr;
    effectOut[0] = effectOut[1] = mix[0] = mix[1] = nullptr;
    floatChannel.data = nullptr;
}

VX_error TorvHost::mode(int32_t index) {
    static const char* const fn = "menu_mode";
    VX_Rts* rts = driverNow();
    if (!rts || index < 0 || index >= modeCount) return refused;
    if (currentMode >= 0) {
        if (VX_error e = rts->free(); e != VX_OK) {
            report(__LINE__, fn, e);
            return e;
        }
        ui.check(HostMenu::mode, modeCommand + currentMode, false);
    }
    currentMode = -1;
    VX_Rts::Mode* m = modes[index];

    releaseBlocks();
    const size_t frames = m->frames > 0 ? static_cast<size_t>(m->frames) : 0;
    blocks = frames ? new (std::nothrow) float[5 * frames] : nullptr;
    if (!blocks) {
        blockLength = 0;
        report(__LINE__, fn, VX_ERROR_MEMORY_CANNOT_ALLOCATE);
        return VX_ERROR_MEMORY_CANNOT_ALLOCATE;
    }
    std::memset(blocks, 0, 5 * frames * sizeof *blocks);
    inBlock = blocks;
    effectOut[0] = blocks + frames;
    effectOut[1] = blocks + 2 * frames;
    mix[0] = blocks + 3 * frames;
    mix[1] = blocks + 4 * frames;
    blockLength = m->frames;
    floatChannel.count = m->frames;

    streamBlock.store(0);
    const uint32_t stream[3] = {static_cast<uint32_t>(currentDriver),
                                static_cast<uint32_t>(index),
                                static_cast<uint32_t>(m->frames)};
    journal.add(HostJournal::stream, stream, 3);
    if (VX_error e = rts->mode(m); e != VX_OK) {
        journal.add(HostJournal::failed, nullptr, 0);
        report(__LINE__, fn, e);
        return e;
    }
    const float rate = static_cast<float>(m->rate);
    for (int32_t k = 0; k < routeCount; ++k) {
        dispatch(routes[k].effect, effSetSampleRate, nullptr, rate);
        uint32_t bits;
        std::memcpy(&bits, &rate, 4);
        note(HostJournal::rate, routes[k].serial, bits, 2);
    }
    ui.check(HostMenu::mode, modeCommand + index, true);
    currentMode = index;
    return VX_OK;
}

// A full route table refuses a further route, and "&Add" is grayed while it is full.
VX_error TorvHost::add() {
    if (routeCount >= maxRoutes) return refused;
    AEffect* effect = entry ? entry(&TorvHost::audioMaster) : nullptr;
    if (!effect) {
        report(__LINE__, "menu_add", noEffect);
        return noEffect;
    }
    const int32_t index = routeCount;
    Route& r = routes[index];
    r = Route{};
    r.effect = effect;
    r.serial = nextSerial++;
    note(HostJournal::created, r.serial);
    if (currentMode >= 0) {
        const float rate = static_cast<float>(modes[currentMode]->rate);
        dispatch(effect, effSetSampleRate, nullptr, rate);
        uint32_t bits;
        std::memcpy(&bits, &rate, 4);
        note(HostJournal::rate, r.serial, bits, 2);
    }
    if (currentDriver >= 0) {
        for (int32_t c = 0; c < inputCount; ++c) {
            if (inputs[c].uses == 0) {
                ++inputs[c].uses;
                r.input = c;
                break;
            }
        }
    }
    label(r, routeCount + 1);
    ui.insertRadio(HostMenu::channel, index, routeCommand + index, r.label, &r);
    ++routeCount;
    route(index);
    if (routeCount > 1) ui.enable(HostMenu::channel, deleteCommand, true);
    if (routeCount >= maxRoutes) ui.enable(HostMenu::channel, addCommand, false);
    return VX_OK;
}

void TorvHost::closeEffect(Route& r) {
    if (r.input >= 0 && r.input < inputCount && inputs[r.input].uses > 0) --inputs[r.input].uses;
    if (r.effect) {
        dispatch(r.effect, effClose);
        note(HostJournal::closed, r.serial);
    }
    r = Route{};
}

// The last route is never deleted: one route is always there to show its editor.
VX_error TorvHost::remove() {
    const int32_t a = selectedRoute;
    if (routeCount < 2 || a < 0 || a >= routeCount) return refused;
    route(a == 0 ? 1 : 0);
    ui.removeAt(HostMenu::channel, a);
    closeEffect(routes[a]);
    --routeCount;
    for (int32_t k = a; k < routeCount; ++k) {
        routes[k] = routes[k + 1];
        label(routes[k], k + 1);
        ui.setItemAt(HostMenu::channel, k, routeCommand + k, routes[k].label);
    }
    routes[routeCount] = Route{};
    selectedRoute = 0;
    if (routeCount < 2) ui.enable(HostMenu::channel, deleteCommand, false);
    ui.enable(HostMenu::channel, addCommand, true);
    return VX_OK;
}

VX_error TorvHost::route(int32_t k) {
    if (k < 0 || k >= routeCount) return refused;
    if (selectedRoute >= 0 && selectedRoute < routeCount) {
        Route& old = routes[selectedRoute];
        ui.check(HostMenu::channel, routeCommand + selectedRoute, false);
        dispatch(old.effect, effEditClose, editorWindow);
        if (old.input >= 0) ui.check(HostMenu::input, inputCommand + old.input, false);
    }
    Route& r = routes[k];
    ui.check(HostMenu::channel, routeCommand + k, true);
    if (r.input >= 0) ui.check(HostMenu::input, inputCommand + r.input, true);
    dispatch(r.effect, effEditOpen, editorWindow);
    selectedRoute = k;
    return VX_OK;
}

VX_error TorvHost::input(int32_t c) {
    if (selectedRoute < 0 || selectedRoute >= routeCount || c < 0 || c >= inputCount)
        return refused;
    Route& r = routes[selectedRoute];
    if (r.input >= 0) {
        ui.check(HostMenu::input, inputCommand + r.input, false);
        if (r.input < inputCount && inputs[r.input].uses > 0) --inputs[r.input].uses;
    }
    ui.check(HostMenu::input, inputCommand + c, true);
    ++inputs[c].uses;
    r.input = c;
    label(r, selectedRoute + 1);
    ui.setText(HostMenu::channel, routeCommand + selectedRoute, r.label);
    return VX_OK;
}

VX_error TorvHost::help() {
    ui.openPage(helpPage);
    return VX_OK;
}

// The driver is selected again, which passes through free, exit and init; then the mode it ran
// is chosen again when the driver still offers it (a new buffer size changes only the block
// length).
VX_error TorvHost::serveRestart(VX_Rts* rts) {
    if (!rts || rts != driverNow()) return VX_OK;
    const VX_Rts::Mode* was = currentMode >= 0 ? modes[currentMode] : nullptr;
    const int32_t rate = was ? was->rate : 0, bits = was ? was->bits : 0;
    const int32_t channels = was ? was->channels : 0;
    const VX_error e = command(driverCommand + static_cast<uint32_t>(currentDriver));
    if (e != VX_OK || !was) return e;
    for (int32_t i = 0; i < modeCount; ++i) {
        const VX_Rts::Mode* m = modes[i];
        if (m->rate == rate && m->bits == bits && m->channels == channels)
            return i == currentMode ? VX_OK : command(modeCommand + static_cast<uint32_t>(i));
    }
    return e;
}

void TorvHost::shutDown() {
    closed = true;
    if (VX_Rts* rts = driverNow()) {
        if (currentMode >= 0) rts->free();
        rts->exit();
        currentMode = -1;
        currentDriver = -1;
    }
    for (int32_t k = 0; k < routeCount; ++k) closeEffect(routes[k]);
    routeCount = 0;
    selectedRoute = -1;
    inputCount = modeCount = driverCount = 0;
    VX_Rts_Asio::classCleanup();
    VX_Rts_Win32::classCleanup();
    releaseBlocks();
    blockLength = 0;
}
