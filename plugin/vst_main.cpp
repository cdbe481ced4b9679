// The module's entry point: hosts look for "VSTPluginMain", older ones for "MAIN".
#include "plugin/VX_Main_Vst.h"

#if defined(_WIN32)
#define TORV_EXPORT __declspec(dllexport)
#else
#define TORV_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

TORV_EXPORT AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster) {
    // A host that does not tell its version is not one this effect can work with.
    if (!audioMaster || !audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f))
        return nullptr;
    AudioEffect* effect = new VX_Main_Vst(audioMaster);
    return effect->getAeffect();
}

// The same function under the older name.
TORV_EXPORT AEffect* VST_CALL MAIN(audioMasterCallback audioMaster)
    __attribute__((alias("VSTPluginMain")));
}
