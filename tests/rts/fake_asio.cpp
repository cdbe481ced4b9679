#include "rts/fake_asio.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

FakeDriver* self(VX_Asio_Driver* d) {
    return static_cast<FakeDriver*>(d);
}

// Logs the call and tells whether the test made it fail.
bool fails(VX_Asio_Driver* d, const char* method) {
    self(d)->log.push_back(method);
    return self(d)->setup.failing.count(method) > 0;
}

int32_t VX_ASIO_STDCALL queryInterface(VX_Asio_Driver* d, const void*, void** object) {
    self(d)->log.push_back("queryInterface");
    *object = nullptr;
    return static_cast<int32_t>(0x80004002);
}
uint32_t VX_ASIO_STDCALL addRef(VX_Asio_Driver* d) {
    self(d)->log.push_back("addRef");
    return static_cast<uint32_t>(++self(d)->references);
}
uint32_t VX_ASIO_STDCALL release(VX_Asio_Driver* d) {
    self(d)->log.push_back("release");
    return static_cast<uint32_t>(--self(d)->references);
}
ASIOBool VX_ASIO_THISCALL init(VX_Asio_Driver* d, void*) {
    if (fails(d, "init")) return 0;
    self(d)->initialised = true;
    return 1;
}
void VX_ASIO_THISCALL getDriverName(VX_Asio_Driver* d, char* name) {
    self(d)->log.push_back("getDriverName");
    std::snprintf(name, 32, "%s", self(d)->setup.name.c_str());
}
int32_t VX_ASIO_THISCALL getDriverVersion(VX_Asio_Driver* d) {
    self(d)->log.push_back("getDriverVersion");
    return 7;
}
void VX_ASIO_THISCALL getErrorMessage(VX_Asio_Driver* d, char* text) {
    self(d)->log.push_back("getErrorMessage");
    std::snprintf(text, 124, "%s", self(d)->setup.errorMessage.c_str());
}
ASIOError VX_ASIO_THISCALL start(VX_Asio_Driver* d) {
    if (fails(d, "start")) return ASE_HWMalfunction;
    self(d)->started = true;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL stop(VX_Asio_Driver* d) {
    if (fails(d, "stop")) return ASE_HWMalfunction;
    self(d)->started = false;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL getChannels(VX_Asio_Driver* d, int32_t* inputs, int32_t* outputs) {
    if (fails(d, "getChannels")) return ASE_NotPresent;
    *inputs = static_cast<int32_t>(self(d)->setup.inputTypes.size());
    *outputs = static_cast<int32_t>(self(d)->setup.outputTypes.size());
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL getLatencies(VX_Asio_Driver* d, int32_t* input, int32_t* output) {
    self(d)->log.push_back("getLatencies");
    *input = *output = 0;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL getBufferSize(VX_Asio_Driver* d, int32_t* minimum, int32_t* maximum,
                                         int32_t* preferred, int32_t* granularity) {
    if (fails(d, "getBufferSize")) return ASE_NotPresent;
    const FakeDriverSetup& s = self(d)->setup;
    *minimum = s.minimum;
    *maximum = s.maximum;
    *preferred = s.preferred;
    *granularity = s.granularity;
    return ASE_OK;
}
bool offered(VX_Asio_Driver* d, double rate) {
    const auto& rates = self(d)->setup.rates;
    return std::find(rates.begin(), rates.end(), rate) != rates.end();
}
ASIOError VX_ASIO_THISCALL canSampleRate(VX_Asio_Driver* d, double rate) {
    if (fails(d, "canSampleRate")) return ASE_NoClock;
    return offered(d, rate) ? ASE_OK : ASE_NoClock;
}
ASIOError VX_ASIO_THISCALL getSampleRate(VX_Asio_Driver* d, double* rate) {
    self(d)->log.push_back("getSampleRate");
    *rate = self(d)->rate;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL setSampleRate(VX_Asio_Driver* d, double rate) {
    if (fails(d, "setSampleRate") || !offered(d, rate)) return ASE_NoClock;
    self(d)->rate = rate;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL getClockSources(VX_Asio_Driver* d, ASIOClockSource*, int32_t* count) {
    self(d)->log.push_back("getClockSources");
    *count = 0;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL setClockSource(VX_Asio_Driver* d, int32_t) {
    self(d)->log.push_back("setClockSource");
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL getSamplePosition(VX_Asio_Driver* d, ASIOSamples*, ASIOTimeStamp*) {
    self(d)->log.push_back("getSamplePosition");
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL getChannelInfo(VX_Asio_Driver* d, ASIOChannelInfo* info) {
    if (fails(d, "getChannelInfo")) return ASE_NotPresent;
    const FakeDriverSetup& s = self(d)->setup;
    const auto& types = info->isInput ? s.inputTypes : s.outputTypes;
    const auto& names = info->isInput ? s.inputNames : s.outputNames;
    if (info->channel < 0 || info->channel >= static_cast<int32_t>(types.size()))
        return ASE_InvalidParameter;
    info->type = types[static_cast<size_t>(info->channel)];
    info->isActive = 0;
    info->channelGroup = 0;
    if (static_cast<size_t>(info->channel) < names.size())
        std::snprintf(info->name, 32, "%s", names[static_cast<size_t>(info->channel)].c_str());
    else
        std::snprintf(info->name, 32, "%s %d", info->isInput ? "In" : "Out", info->channel + 1);
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL createBuffers(VX_Asio_Driver* d, ASIOBufferInfo* infos, int32_t count,
                                         int32_t size, ASIOCallbacks* callbacks) {
    FakeDriver* f = self(d);
    if (fails(d, "createBuffers")) return ASE_NoMemory;
    if (!f->infos.empty()) return ASE_InvalidMode; // as real drivers: dispose first
    for (int32_t i = 0; i < count; ++i) {
        const size_t bytes = static_cast<size_t>(size) *
                             static_cast<size_t>(f->bytesOf(infos[i].isInput, infos[i].channelNum));
        for (void*& half : infos[i].buffers) {
            f->memory.emplace_back(new unsigned char[bytes]());
            half = f->memory.back().get();
        }
        f->infos.push_back(infos[i]);
    }
    f->bufferSize = size;
    f->callbacks = callbacks;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL disposeBuffers(VX_Asio_Driver* d) {
    if (fails(d, "disposeBuffers")) return ASE_InvalidMode;
    self(d)->infos.clear();
    self(d)->memory.clear();
    self(d)->callbacks = nullptr;
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL controlPanel(VX_Asio_Driver* d) {
    self(d)->log.push_back("controlPanel");
    return ASE_OK;
}
ASIOError VX_ASIO_THISCALL future(VX_Asio_Driver* d, int32_t, void*) {
    self(d)->log.push_back("future");
    return ASE_InvalidParameter;
}
ASIOError VX_ASIO_THISCALL outputReady(VX_Asio_Driver* d) {
    self(d)->log.push_back("outputReady");
    return ASE_NotPresent;
}

const VX_Asio_Methods fakeMethods = {
    queryInterface,
    addRef,
    release,
    init,
    getDriverName,
    getDriverVersion,
    getErrorMessage,
    start,
    stop,
    getChannels,
    getLatencies,
    getBufferSize,
    canSampleRate,
    getSampleRate,
    setSampleRate,
    getClockSources,
    setClockSource,
    getSamplePosition,
    getChannelInfo,
    createBuffers,
    disposeBuffers,
    controlPanel,
    future,
    outputReady,
};

} // namespace

FakeDriver::FakeDriver(FakeDriverSetup s) : setup(std::move(s)) {
    methods = &fakeMethods;
}

FakeDriver::~FakeDriver() = default;

int FakeDriver::count(const std::string& method) const {
    return static_cast<int>(std::count(log.begin(), log.end(), method));
}

int32_t FakeDriver::bytesOf(bool input, int32_t channel) const {
    const auto& types = input ? setup.inputTypes : setup.outputTypes;
    switch (types.at(static_cast<size_t>(channel))) {
    case ASIOSTInt16LSB:
    case ASIOSTInt16MSB:
        return 2;
    case ASIOSTInt24LSB:
    case ASIOSTInt24MSB:
        return 3;
    case ASIOSTFloat64LSB:
    case ASIOSTFloat64MSB:
        return 8;
    default:
        return 4;
    }
}

void FakeDriver::bufferSwitch(int32_t index, bool timeInfo) {
    if (!callbacks) return;
    if (timeInfo)
        callbacks->bufferSwitchTimeInfo(nullptr, index, 1);
    else
        callbacks->bufferSwitch(index, 1);
}

int32_t FakeDriver::message(int32_t selector, int32_t value) {
    return callbacks ? callbacks->asioMessage(selector, value, nullptr, nullptr) : -1;
}

FakeSystem::FakeSystem() {
    addKey(true, "Software\\ASIO");
    addKey(false, "CLSID");
}

FakeSystem::~FakeSystem() {
    for (FakeDriver* d : created) delete d;
}

FakeSystem::Node* FakeSystem::find(Node* from, const std::string& path, bool create) {
    size_t start = 0;
    while (from && start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string part = path.substr(start, end - start);
        Node* next = nullptr;
        for (auto& child : from->children)
            if (lower(child->name) == lower(part)) next = child.get();
        if (!next && create) {
            from->children.push_back(std::make_unique<Node>());
            from->children.back()->name = part;
            next = from->children.back().get();
        }
        from = next;
        start = end + 1;
    }
    return from;
}

void FakeSystem::addKey(bool onMachine, const std::string& path) {
    find(onMachine ? &machine : &classesRoot, path, true);
}

void FakeSystem::setValue(bool onMachine, const std::string& path, const std::string& value,
                          const std::string& text) {
    find(onMachine ? &machine : &classesRoot, path, true)->values[lower(value)] = text;
}

void FakeSystem::addDriver(const std::string& key, const std::string& clsid,
                           const std::string& description, const FakeDriverSetup& setup) {
    setValue(true, "Software\\ASIO\\" + key, "CLSID", clsid);
    if (!description.empty()) setValue(true, "Software\\ASIO\\" + key, "Description", description);
    const std::string server = "C:\\drivers\\" + key + ".dll";
    setValue(false, "CLSID\\" + clsid + "\\InprocServer32", "", server);
    files.insert(server);
    classes[lower(clsid)] = setup;
}

VX_Asio_System::Key FakeSystem::openKey(Root root, Key parent, const char* path) {
    Node* from = parent                 ? static_cast<Node*>(parent)
                 : root == localMachine ? &machine
                                        : &classesRoot;
    Node* found = find(from, path, false);
    if (found) ++openKeys;
    return found;
}

void FakeSystem::closeKey(Key key) {
    if (key) --openKeys;
}

bool FakeSystem::subkeyName(Key key, unsigned index, char* name, size_t size) {
    const Node* node = static_cast<Node*>(key);
    if (index >= node->children.size()) return false;
    const std::string& n = node->children[index]->name;
    if (n.size() + 1 > size) return false;
    std::memcpy(name, n.c_str(), n.size() + 1);
    return true;
}

bool FakeSystem::stringValue(Key key, const char* value, char* text, size_t size) {
    const Node* node = static_cast<Node*>(key);
    auto v = node->values.find(lower(value ? value : ""));
    if (v == node->values.end() || v->second.size() + 1 > size) return false;
    std::memcpy(text, v->second.c_str(), v->second.size() + 1);
    return true;
}

bool FakeSystem::parseGuid(const char* text, VX_Asio_Guid* g) {
    unsigned a, b, c, d[8];
    if (std::strlen(text) != 38 || std::sscanf(text,
                                               "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}",
                                               &a,
                                               &b,
                                               &c,
                                               &d[0],
                                               &d[1],
                                               &d[2],
                                               &d[3],
                                               &d[4],
                                               &d[5],
                                               &d[6],
                                               &d[7]) != 11)
        return false;
    g->data1 = a;
    g->data2 = static_cast<uint16_t>(b);
    g->data3 = static_cast<uint16_t>(c);
    for (int i = 0; i < 8; ++i) g->data4[i] = static_cast<uint8_t>(d[i]);
    return true;
}

std::string guidText(const VX_Asio_Guid& g) {
    char text[40];
    std::snprintf(text,
                  sizeof text,
                  "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  g.data1,
                  g.data2,
                  g.data3,
                  g.data4[0],
                  g.data4[1],
                  g.data4[2],
                  g.data4[3],
                  g.data4[4],
                  g.data4[5],
                  g.data4[6],
                  g.data4[7]);
    return text;
}

int32_t FakeSystem::createInstance(const VX_Asio_Guid& clsid, VX_Asio_Driver** driver) {
    const std::string key = lower(guidText(clsid));
    *driver = nullptr;
    if (auto f = creationFailures.find(key); f != creationFailures.end()) return f->second;
    auto c = classes.find(key);
    if (c == classes.end()) return static_cast<int32_t>(0x80040154); // class not registered
    created.push_back(new FakeDriver(c->second));
    *driver = created.back();
    return 0;
}
