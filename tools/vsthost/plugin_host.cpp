#include "plugin_host.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// The plug-in being created: its entry point calls back before the host can mark the effect
// record as its own. One thread creates at a time.
thread_local Plugin* creating = nullptr;
constexpr unsigned char guardByte = 0xA5;
constexpr size_t guardedSize = 512;
} // namespace

std::unique_ptr<Plugin> Plugin::create(std::shared_ptr<Module> module, std::string& error) {
    std::unique_ptr<Plugin> plugin(new Plugin);
    VstPluginMainProc entry = nullptr;
    for (const char* name : {"VSTPluginMain", "MAIN"}) {
        entry = reinterpret_cast<VstPluginMainProc>(module->symbol(name));
        if (entry) {
            plugin->entryName_ = name;
            break;
        }
    }
    if (!entry) {
        error = module->path() + " exports neither VSTPluginMain nor MAIN: not a VST 2.4 plug-in";
        return nullptr;
    }
    creating = plugin.get();
    AEffect* effect = entry(&Plugin::hostCallback);
    creating = nullptr;
    if (!effect) {
        error = module->path() + ": the entry point " + plugin->entryName_ + " returned no effect";
        return nullptr;
    }
    if (effect->magic != kEffectMagic || !effect->dispatcher) {
        error = module->path() + ": the entry point returned something that is not an effect";
        return nullptr; // not an effect record: nothing can safely be called on it
    }
    plugin->effect_ = effect;
    plugin->module_ = std::move(module);
    effect->user = plugin.get();
    if (!effect->processReplacing || effect->numOutputs < 1 || effect->numInputs < 0) {
        error = plugin->module_->path() +
                ": the effect cannot process replacing with at least one output";
        return nullptr; // the destructor closes it
    }
    return plugin;
}

Plugin::~Plugin() {
    if (!effect_ || closed_) return;
    if (resumed_) suspend();
    close();
}

VstIntPtr VST_CALL Plugin::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr,
                                        void*, float) {
    Plugin* host = effect && effect->user ? static_cast<Plugin*>(effect->user) : creating;
    if (!host) return opcode == audioMasterVersion ? kHostVstVersion : 0;
    if (opcode >= 0 && opcode < 64) ++host->callbackCalls[opcode];
    return host->answer(opcode);
}

VstIntPtr Plugin::answer(VstInt32 opcode) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVstVersion;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(sampleRate_);
    case audioMasterGetBlockSize:
        return blockSize_;
    default:
        return 0;
    }
}

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void Plugin::open() {
    dispatch(effOpen);
}

void Plugin::setSampleRate(double hz) {
    sampleRate_ = hz;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(hz));
}

void Plugin::setBlockSize(int32_t frames) {
    blockSize_ = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void Plugin::resume() {
    dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void Plugin::suspend() {
    dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

void Plugin::close() {
    if (closed_) return;
    dispatch(effClose);
    closed_ = true; // the effect deleted itself: effect_ must not be used again
    resumed_ = false;
}

void Plugin::setParameter(VstInt32 index, float value) {
    effect_->setParameter(effect_, index, value);
}

float Plugin::getParameter(VstInt32 index) {
    return effect_->getParameter(effect_, index);
}

void Plugin::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    effect_->processReplacing(effect_, inputs, outputs, frames);
}

Plugin::Text Plugin::queryText(VstInt32 opcode, VstInt32 index, size_t limit, VstIntPtr value) {
    std::vector<unsigned char> buffer(guardedSize, guardByte);
    dispatch(opcode, index, value, buffer.data());
    Text t;
    const auto zero = std::find(buffer.begin(), buffer.end(), 0);
    t.value.assign(buffer.begin(), zero);
    t.terminated = zero - buffer.begin() < static_cast<std::ptrdiff_t>(limit);
    t.overran = std::any_of(
        buffer.begin() + limit, buffer.end(), [](unsigned char c) { return c != guardByte; });
    return t;
}

std::string Plugin::parameterName(VstInt32 index) {
    return queryText(effGetParamName, index, kVstMaxParamStrLen).value;
}
std::string Plugin::parameterLabel(VstInt32 index) {
    return queryText(effGetParamLabel, index, kVstMaxParamStrLen).value;
}
std::string Plugin::parameterDisplay(VstInt32 index) {
    return queryText(effGetParamDisplay, index, kVstMaxParamStrLen).value;
}
std::string Plugin::effectName() {
    return queryText(effGetEffectName, 0, kVstMaxEffectNameLen + 1).value; // 32 letters and 0
}
std::string Plugin::vendorString() {
    return queryText(effGetVendorString, 0, kVstMaxVendorStrLen).value;
}
std::string Plugin::productString() {
    return queryText(effGetProductString, 0, kVstMaxProductStrLen).value;
}

std::unique_ptr<Plugin> startEffect(const std::shared_ptr<Module>& module, double sampleRate,
                                    int32_t blockSize, std::string& error) {
    std::unique_ptr<Plugin> plugin = Plugin::create(module, error);
    if (!plugin) return nullptr;
    plugin->open();
    plugin->setSampleRate(sampleRate);
    plugin->setBlockSize(blockSize);
    plugin->resume();
    return plugin;
}
