#include "plugin/test_host.h"

#include "support/capture.h"

namespace testhost {

VstIntPtr version = 2400;

VstIntPtr VST_CALL callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? version : 0;
}

AEffect* create() {
    AEffect* e = nullptr;
    stdoutOf([&] { e = VSTPluginMain(callback); });
    return e;
}

void close(AEffect* e) {
    stdoutOf([&] { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); });
}

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float opt) {
    VstIntPtr result = 0;
    stdoutOf([&] { result = e->dispatcher(e, opcode, index, value, ptr, opt); });
    return result;
}

std::string traceOf(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                    float opt, VstIntPtr* result) {
    VstIntPtr r = 0;
    std::string text = stdoutOf([&] { r = e->dispatcher(e, opcode, index, value, ptr, opt); });
    if (result) *result = r;
    return text;
}

VX_Main_Vst* objectOf(AEffect* e) {
    return dynamic_cast<VX_Main_Vst*>(static_cast<AudioEffect*>(e->object));
}

} // namespace testhost
