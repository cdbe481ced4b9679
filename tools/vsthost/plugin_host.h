// The host side of the VST 2.4 interface: creating an effect through a module's entry point,
// answering its callback, and the dispatcher, parameter and processing calls a host makes.
//
// Threads: a Plugin is driven from one thread at a time; the render tools use one thread for
// everything, which is how an offline host behaves.
#pragma once

#include "module.h"
#include "plugin/vst/vst_abi.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class Plugin {
public:
    // Creates an effect through the module's "VSTPluginMain", else its "MAIN". Null with a
    // message when there is no entry point or the entry gives no valid effect.
    static std::unique_ptr<Plugin> create(std::shared_ptr<Module> module, std::string& error);
    // Suspends the effect if it is running and closes it if that has not been done.
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    AEffect* effect() const { return effect_; }
    const char* entryName() const { return entryName_; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void open();
    void setSampleRate(double hz);     // also what the callback reports from now on
    void setBlockSize(int32_t frames); // likewise
    void resume();                     // effMainsChanged 1
    void suspend();                    // effMainsChanged 0
    void close();                      // effClose as it stands, without suspending first
    bool isResumed() const { return resumed_; }

    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);
    // [audio thread]
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);

    // A text the effect writes into a host buffer of `limit` bytes. The buffer sits inside a
    // larger one filled with a guard pattern, so overruns and missing terminators show.
    struct Text {
        std::string value;
        bool terminated = false; // a zero byte within the limit
        bool overran = false;    // a byte at or past the limit was written
    };
    Text queryText(VstInt32 opcode, VstInt32 index, size_t limit, VstIntPtr value = 0);
    std::string parameterName(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    std::string effectName();
    std::string vendorString();
    std::string productString();

    double sampleRate() const { return sampleRate_; }
    int32_t blockSize() const { return blockSize_; }
    // How often the effect called the host, by callback opcode (0 to 63).
    std::array<uint32_t, 64> callbackCalls{};

private:
    Plugin() = default;
    static VstIntPtr VST_CALL hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode);

    std::shared_ptr<Module> module_; // kept loaded while the effect lives
    AEffect* effect_ = nullptr;
    const char* entryName_ = nullptr;
    double sampleRate_ = 44100.0;
    int32_t blockSize_ = 512;
    bool resumed_ = false;
    bool closed_ = false;
};

// A new effect, started as a host starts one: effOpen, sample rate, block size, resume. Null
// with the reason in error.
std::unique_ptr<Plugin> startEffect(const std::shared_ptr<Module>& module, double sampleRate,
                                    int32_t blockSize, std::string& error);

// The version a VST 2.4 host reports to audioMasterVersion.
constexpr VstIntPtr kHostVstVersion = 2400;
