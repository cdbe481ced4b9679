#include "VX/Rts/VX_Rts.h"

#include <cstdio>
#include <cstring>

VX_Chain VX_Rts_instances;

namespace {

std::atomic<VX_Rts::RestartNotifier> restartNotifier{nullptr};

void copyName(char* to, const char* from) {
    std::snprintf(to, VX_Rts::nameSize, "%s", from ? from : "");
}

const char* channelWord(int32_t channels) {
    static const char* const words[] = {"mono", "stereo", "trio", "quadro"};
    return channels >= 1 && channels <= 4 ? words[channels - 1] : nullptr;
}

} // namespace

VX_Rts::Chan::Chan(const char* name, uint32_t format, int32_t count, int32_t number)
    : count(count), format(format), number(number) {
    copyName(this->name, name);
}

// The label reads like " 44.1 kHz, 16 bit, stereo": each part only when its number is
// non-zero, joined by ", ", cut to 63 characters.
VX_Rts::Mode::Mode(int32_t rate, int32_t bits, int32_t frames, int32_t channels)
    : rate(rate), frames(frames), bits(bits), channels(channels) {
    char text[3 * nameSize] = "";
    size_t used = 0;
    auto append = [&](const char* format, auto value) {
        const char* separator = used ? ", " : "";
        const int n = std::snprintf(text + used, sizeof text - used, "%s", separator);
        used += n;
        used += std::snprintf(text + used, sizeof text - used, format, value);
        if (used >= sizeof text) used = sizeof text - 1;
    };
    if (rate) append("%5.1f kHz", rate * 0.001);
    if (bits) append("%d bit", bits);
    if (channels) {
        if (const char* word = channelWord(channels))
            append("%s", word);
        else
            append("%d ch", channels);
    }
    copyName(label, text);
}

VX_Rts::VX_Rts(const char* name) {
    copyName(this->name, name);
}

VX_Rts::~VX_Rts() {
    VX_Rts_instances.remove(&instanceItem);
    deleteChannels(outputs);
    deleteChannels(inputs);
    deleteModes();
}

void VX_Rts::enlist(VX_Chain& classList) {
    classList.insert(&classItem);
    VX_Rts_instances.insert(&instanceItem);
}

void VX_Rts::destroyAll(VX_Chain& classList) {
    classList.forEach<VX_Rts>([&](VX_Rts* rts) {
        classList.remove(&rts->classItem);
        VX_Rts_instances.remove(&rts->instanceItem);
        delete rts;
    });
}

void VX_Rts::deleteChannels(VX_Chain& chain) {
    chain.forEach<Chan>([&](Chan* c) {
        chain.remove(&c->item);
        delete c;
    });
}

void VX_Rts::deleteModes() {
    modes.forEach<Mode>([&](Mode* m) {
        modes.remove(&m->item);
        delete m;
    });
}

VX_error VX_Rts::init() {
    return VX_OK;
}

VX_error VX_Rts::exit() {
    setCurrentMode(nullptr);
    deleteChannels(outputs);
    deleteChannels(inputs);
    deleteModes();
    return VX_OK;
}

// A new mode also lifts the conversion latch: a length mismatch of an earlier stream must not
// silence every stream after it.
VX_error VX_Rts::mode(Mode* m) {
    conversionLatch.store(false);
    setCurrentMode(m);
    return VX_OK;
}

VX_error VX_Rts::free() {
    setCurrentMode(nullptr);
    deleteChannels(outputs);
    return VX_OK;
}

VX_error VX_Rts::start() {
    running.store(true);
    return VX_OK;
}

VX_error VX_Rts::stop() {
    running.store(false);
    return VX_OK;
}

VX_error VX_Rts::noop() {
    return VX_OK;
}

void VX_Rts::setRestartNotifier(RestartNotifier notifier) {
    restartNotifier.store(notifier);
}

void VX_Rts::requestRestart() {
    if (restartPending.exchange(true)) return; // one notice per request
    if (RestartNotifier notify = restartNotifier.load()) notify(this);
}

// The stream comes back in the mode of the same rate, width and channel count when the
// instance still offers one (a new buffer size changes only the block length), else in its
// first mode; an instance that had no stream is only enumerated again.
VX_error VX_Rts::restart() {
    restartPending.store(false);
    int32_t rate = 0, bits = 0, channels = 0;
    const Mode* old = currentMode();
    const bool wasStreaming = old != nullptr;
    if (old) {
        rate = old->rate;
        bits = old->bits;
        channels = old->channels;
        if (VX_error e = free(); e != VX_OK) return e;
    }
    if (VX_error e = exit(); e != VX_OK) return e;
    if (VX_error e = init(); e != VX_OK) return e;
    if (!wasStreaming) return VX_OK;
    Mode* chosen = nullptr;
    modes.forEach<Mode>([&](Mode* m) {
        if (!chosen && m->rate == rate && m->bits == bits && m->channels == channels) chosen = m;
    });
    if (!chosen) chosen = modeAt(0);
    return chosen ? mode(chosen) : VX_ERROR_AUDIO;
}

namespace {
template <typename T> T* nth(VX_Chain& chain, int32_t index) {
    if (index < 0) return nullptr;
    for (VX_Chain_Item* i = chain.first(); !chain.isEnd(i); i = i->next)
        if (index-- == 0) return static_cast<T*>(i->data);
    return nullptr;
}
} // namespace

VX_Rts::Mode* VX_Rts::modeAt(int32_t index) {
    return nth<Mode>(modes, index);
}

VX_Rts::Chan* VX_Rts::inputAt(int32_t index) {
    return nth<Chan>(inputs, index);
}

VX_Rts::Chan* VX_Rts::outputAt(int32_t index) {
    return nth<Chan>(outputs, index);
}
