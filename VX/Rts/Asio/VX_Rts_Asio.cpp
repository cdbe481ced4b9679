#include "VX/Rts/Asio/VX_Rts_Asio.h"

#include "VX/Rts/Asio/VX_Asio_calls.h"
#include "VX/Rts/Asio/VX_Asio_drivers.h"

#include <chrono>
#include <new>
#include <thread>

VX_Chain VX_Rts_Asio::instances;
std::atomic<VX_Rts::Callback> VX_Rts_Asio::callback{nullptr};
std::atomic<VX_Rts_Asio*> VX_Rts_Asio::currentInstance{nullptr};

namespace {

// Reports name the backend's source as the rest of the framework knows it.
const char* const sourceName = "VX/Rts/Asio";

constexpr double probeRates[] = {48000, 96000, 192000, 44100};

ASIODriverInfo driverInfo{};

ASIOCallbacks callbackRecord = {&VX_Rts_Asio::bufferSwitch,
                                &VX_Rts_Asio::sampleRateChanged,
                                &VX_Rts_Asio::message,
                                &VX_Rts_Asio::bufferSwitchTimeInfo};

} // namespace

uint32_t VX_Rts_Asio::formatOf(ASIOSampleType type) {
    switch (type) {
    case ASIOSTInt16LSB:
        return VX_RTS_INT16;
    case ASIOSTInt24LSB:
        return VX_RTS_INT24;
    case ASIOSTInt32LSB:
        return VX_RTS_INT32;
    case ASIOSTFloat32LSB:
        return VX_RTS_FLOAT32;
    case ASIOSTFloat64LSB:
        return VX_RTS_FLOAT64;
    case ASIOSTInt32LSB16:
        return VX_RTS_INT32_16;
    case ASIOSTInt32LSB18:
        return VX_RTS_INT32_18;
    case ASIOSTInt32LSB20:
        return VX_RTS_INT32_20;
    case ASIOSTInt32LSB24:
        return VX_RTS_INT32_24;
    default:
        return 0;
    }
}

VX_error VX_Rts_Asio::classInit(Callback cb) {
    callback.store(cb);
    if (instances.count) return VX_OK;
    VX_Asio_Drivers* list = VX_asio_drivers(true);
    for (int32_t i = 0; i < list->count(); ++i) {
        char name[32];
        if (list->name(i, name, sizeof name) != 0) continue;
        auto* rts = new (std::nothrow) VX_Rts_Asio(name);
        if (!rts) return VX_ERROR_MEMORY_CANNOT_ALLOCATE;
        rts->enlist(instances);
    }
    return VX_OK;
}

void VX_Rts_Asio::classCleanup() {
    destroyAll(instances);
    VX_asio_drivers_destroy();
}

VX_Rts_Asio::VX_Rts_Asio(const char* name) : VX_Rts(name) {}

VX_Rts_Asio::~VX_Rts_Asio() {
    exit();
    VX_Rts_Asio* self = this;
    currentInstance.compare_exchange_strong(self, nullptr);
}

void VX_Rts_Asio::report(int line, const char* function, const char* call) {
    VX_error_func(sourceName, line, function, __DATE__, __TIME__, call);
}

VX_error VX_Rts_Asio::init() {
    static const char* const fn = "VX_Rts_Asio::init";
    if (currentMode() || buffersCreated || started) free();
    VX_Rts::exit();
    inputCount = outputCount = driverOutputs = 0;

    // A driver that cannot be loaded is not initialised in its place: the list may have gone
    // back to another one.
    VX_Asio_Drivers* list = VX_asio_drivers(true);
    const bool loaded = list->load(name);
    loadedIndex = loaded ? list->currentIndex : -1;
    driverInfo = ASIODriverInfo{};
    driverInfo.asioVersion = 2;
    if (!loaded || VX_asio_init(&driverInfo) != ASE_OK) {
        report(__LINE__, fn, "ASIOInit");
        return VX_ERROR_AUDIO;
    }
    if (VX_asio_get_channels(&inputCount, &driverOutputs) != ASE_OK) {
        report(__LINE__, fn, "ASIOGetChannels");
        return VX_ERROR_AUDIO;
    }
    if (inputCount > maxChannels) inputCount = maxChannels;
    if (driverOutputs > maxChannels) driverOutputs = maxChannels;
    if (VX_asio_get_buffer_size(&minimumSize, &maximumSize, &preferredSize, &granularity) !=
        ASE_OK) {
        report(__LINE__, fn, "ASIOGetBufferSize");
        return VX_ERROR_AUDIO;
    }
    for (double rate : probeRates)
        if (VX_asio_can_sample_rate(rate) == ASE_OK)
            modes.insert(
                &(new Mode(static_cast<int32_t>(rate), 32, preferredSize, inputCount))->item);

    int32_t usable = 0;
    for (int32_t i = 0; i < inputCount; ++i) {
        if (Chan* c = usableChannel(i, true)) {
            inputs.insert(&c->item);
            ++usable;
        }
    }
    inputCount = usable;
    currentInstance.store(this);
    return VX_OK;
}

// A channel of the driver as the runtime offers it, or null when the driver does not describe
// it or its sample type is not one the conversion handles.
VX_Rts::Chan* VX_Rts_Asio::usableChannel(int32_t number, bool input) {
    ASIOChannelInfo info{};
    info.channel = number;
    info.isInput = input ? 1 : 0;
    if (VX_asio_get_channel_info(&info) != ASE_OK) return nullptr;
    const uint32_t format = formatOf(info.type);
    if (!format) return nullptr;
    info.name[sizeof info.name - 1] = 0;
    return new Chan(info.name, format, preferredSize, number);
}

// Closes the driver only when it is the one this instance loaded.
VX_error VX_Rts_Asio::exit() {
    if (currentMode() || buffersCreated || started) free();
    VX_Rts::exit();
    VX_Asio_Drivers* list = VX_asio_drivers(false);
    if (loadedIndex >= 0 && list && list->currentIndex == loadedIndex) VX_asio_exit();
    loadedIndex = -1;
    // Whatever the driver still held (after a stop that failed) went with it.
    live.store(false);
    started = buffersCreated = false;
    VX_Rts_Asio* self = this;
    currentInstance.compare_exchange_strong(self, nullptr);
    return VX_OK;
}

VX_error VX_Rts_Asio::mode(Mode* m) {
    static const char* const fn = "VX_Rts_Asio::mode";
    if (!m) return VX_ERROR_AUDIO;
    if (currentMode() || buffersCreated || started) {
        if (VX_error e = free(); e != VX_OK) return e;
    }
    VX_Rts::mode(m);
    if (VX_asio_set_sample_rate(m->rate) != ASE_OK) {
        report(__LINE__, fn, "ASIOSetSampleRate");
        return VX_ERROR_AUDIO;
    }

    bufferInfoCount = 0;
    inputs.forEach<Chan>([&](Chan* c) {
        c->data = nullptr;
        c->count = preferredSize;
        bufferInfos[bufferInfoCount++] = {1, c->number, {nullptr, nullptr}};
    });
    // The driver's full output count each time: a mode after a driver change of usable channels
    // must not be limited by the previous mode's count.
    outputCount = 0;
    for (int32_t i = 0; i < driverOutputs; ++i) {
        if (Chan* c = usableChannel(i, false)) {
            outputs.insert(&c->item);
            bufferInfos[bufferInfoCount++] = {0, i, {nullptr, nullptr}};
            ++outputCount;
        }
    }

    if (VX_asio_create_buffers(bufferInfos, bufferInfoCount, preferredSize, &callbackRecord) !=
        ASE_OK) {
        report(__LINE__, fn, "ASIOCreateBuffers");
        return VX_ERROR_AUDIO;
    }
    buffersCreated = true;
    live.store(true);
    if (VX_asio_start() != ASE_OK) {
        report(__LINE__, fn, "ASIOStart");
        return VX_ERROR_AUDIO;
    }
    started = true;
    return VX_OK;
}

// Buffer switches stop touching the channels first; the driver is stopped only when it was
// started; a switch still under way is waited for before its channels go; the buffers are
// given back so that the next mode can create them again.
VX_error VX_Rts_Asio::free() {
    static const char* const fn = "VX_Rts_Asio::free";
    live.store(false);
    setCurrentMode(nullptr);
    VX_error result = VX_OK;
    if (started) {
        if (VX_asio_stop() != ASE_OK) {
            report(__LINE__, fn, "ASIOStop");
            result = VX_ERROR_AUDIO;
        } else {
            started = false;
        }
    }
    for (int waited = 0; switching.load() && waited < switchWaitMs; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (buffersCreated && !started) {
        VX_asio_dispose_buffers();
        buffersCreated = false;
    }
    VX_Rts::free();
    inputs.forEach<Chan>([](Chan* c) { c->data = nullptr; });
    return result;
}

// Both switches process the block: drivers that were told the host supports time information
// may call only the second one.
void VX_Rts_Asio::bufferSwitch(int32_t index, ASIOBool) {
    if (VX_Rts_Asio* rts = currentInstance.load()) rts->process(index);
}

ASIOTime* VX_Rts_Asio::bufferSwitchTimeInfo(ASIOTime*, int32_t index, ASIOBool) {
    if (VX_Rts_Asio* rts = currentInstance.load()) rts->process(index);
    return nullptr;
}

void VX_Rts_Asio::process(int32_t index) {
    switching.fetch_add(1);
    if (live.load() && currentMode() && (index == 0 || index == 1)) {
        int32_t k = 0;
        auto point = [&](Chan* c) {
            c->data = k < bufferInfoCount ? bufferInfos[k].buffers[index] : nullptr;
            ++k;
        };
        inputs.forEach<Chan>(point);
        outputs.forEach<Chan>(point);
        if (Callback cb = callback.load()) cb();
    }
    switching.fetch_sub(1);
}

void VX_Rts_Asio::sampleRateChanged(ASIOSampleRate) {}

// A reset request or a new buffer size is answered at once and served later on the user
// interface thread: the stream is built again there, never inside the driver's callback.
int32_t VX_Rts_Asio::message(int32_t selector, int32_t value, void*, double*) {
    switch (selector) {
    case kAsioSelectorSupported:
        switch (value) {
        case kAsioEngineVersion:
        case kAsioResetRequest:
        case kAsioBufferSizeChange:
        case kAsioResyncRequest:
        case kAsioLatenciesChanged:
        case kAsioSupportsTimeInfo:
        case kAsioSupportsTimeCode:
        case kAsioSupportsInputMonitor:
            return 1;
        default:
            return 0;
        }
    case kAsioEngineVersion:
        return 2;
    case kAsioResetRequest:
    case kAsioBufferSizeChange:
        if (VX_Rts_Asio* rts = currentInstance.load()) rts->requestRestart();
        return 1;
    case kAsioResyncRequest:
    case kAsioLatenciesChanged:
    case kAsioSupportsTimeInfo:
        return 1;
    default:
        return 0;
    }
}
