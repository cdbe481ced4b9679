// A minimal host for driving the effect in-process through its entry point.
#pragma once

#include "plugin/VX_Main_Vst.h"

#include <string>

extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster);

namespace testhost {

// Answers audioMasterVersion with `version` (2400 unless changed) and everything else with 0.
extern VstIntPtr version;
VstIntPtr VST_CALL callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);

// Calls the entry point with the test callback, keeping its console lines out of the log.
AEffect* create();
// effClose: the object is gone afterwards.
void close(AEffect* e);
VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f);
// The trace lines a call writes, and its result.
std::string traceOf(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                    void* ptr = nullptr, float opt = 0.0f, VstIntPtr* result = nullptr);

VX_Main_Vst* objectOf(AEffect* e);

// Owns an effect for one test.
class Effect {
public:
    Effect() : record(create()) {}
    ~Effect() {
        if (record) close(record);
    }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
    AEffect* operator->() const { return record; }
    AEffect* get() const { return record; }
    VX_Main_Vst* object() const { return objectOf(record); }

private:
    AEffect* record;
};

} // namespace testhost
