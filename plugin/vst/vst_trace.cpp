#include "plugin/vst/vst_trace.h"

#include <cstdio>
#include <iterator>

namespace {

// The interface configuration this layer is built for, named in every trace line.
const char* const buildConfiguration =
    " VST_FORCE_DEPRECATED VST_2_1_EXTENSIONS VST_2_3_EXTENSIONS VST_2_4_EXTENSIONS";

struct OpcodeName {
    VstInt32 opcode;
    const char* name;
};

constexpr OpcodeName baseNames[] = {
    {effOpen, "effOpen"},
    {effClose, "effClose"},
    {effSetProgram, "effSetProgram"},
    {effGetProgram, "effGetProgram"},
    {effSetProgramName, "effSetProgramName"},
    {effGetProgramName, "effGetProgramName"},
    {effGetParamLabel, "effGetParamLabel"},
    {effGetParamDisplay, "effGetParamDisplay"},
    {effGetParamName, "effGetParamName"},
    {effSetSampleRate, "effSetSampleRate"},
    {effSetBlockSize, "effSetBlockSize"},
    {effMainsChanged, "effMainsChanged"},
    {effEditGetRect, "effEditGetRect"},
    {effEditOpen, "effEditOpen"},
    {effEditClose, "effEditClose"},
    {effEditIdle, "effEditIdle"},
    {effIdentify, "effIdentify"},
    {effGetChunk, "effGetChunk"},
    {effSetChunk, "effSetChunk"},
};

constexpr OpcodeName extendedNames[] = {
    {effProcessEvents, "effProcessEvents"},
    {effCanBeAutomated, "effCanBeAutomated"},
    {effString2Parameter, "effString2Parameter"},
    {effGetProgramNameIndexed, "effGetProgramNameIndexed"},
    {effGetInputProperties, "effGetInputProperties"},
    {effGetOutputProperties, "effGetOutputProperties"},
    {effGetPlugCategory, "effGetPlugCategory"},
    {effOfflineNotify, "effOfflineNotify"},
    {effOfflinePrepare, "effOfflinePrepare"},
    {effOfflineRun, "effOfflineRun"},
    {effProcessVarIo, "effProcessVarIo"},
    {effSetSpeakerArrangement, "effSetSpeakerArrangement"},
    {effSetBypass, "effSetBypass"},
    {effGetEffectName, "effGetEffectName"},
    {effGetVendorString, "effGetVendorString"},
    {effGetProductString, "effGetProductString"},
    {effGetVendorVersion, "effGetVendorVersion"},
    {effVendorSpecific, "effVendorSpecific"},
    {effCanDo, "effCanDo"},
    {effGetTailSize, "effGetTailSize"},
    {effGetParameterProperties, "effGetParameterProperties"},
    {effGetVstVersion, "effGetVstVersion"},
    {effEditKeyDown, "effEditKeyDown"},
    {effEditKeyUp, "effEditKeyUp"},
    {effSetEditKnobMode, "effSetEditKnobMode"},
    {effGetMidiProgramName, "effGetMidiProgramName"},
    {effGetCurrentMidiProgram, "effGetCurrentMidiProgram"},
    {effGetMidiProgramCategory, "effGetMidiProgramCategory"},
    {effHasMidiProgramsChanged, "effHasMidiProgramsChanged"},
    {effGetMidiKeyName, "effGetMidiKeyName"},
    {effBeginSetProgram, "effBeginSetProgram"},
    {effEndSetProgram, "effEndSetProgram"},
    {effGetSpeakerArrangement, "effGetSpeakerArrangement"},
    {effShellGetNextPlugin, "effShellGetNextPlugin"},
    {effStartProcess, "effStartProcess"},
    {effStopProcess, "effStopProcess"},
    {effSetTotalSampleToProcess, "effSetTotalSampleToProcess"},
    {effSetPanLaw, "effSetPanLaw"},
    {effBeginLoadBank, "effBeginLoadBank"},
    {effBeginLoadProgram, "effBeginLoadProgram"},
    {effSetProcessPrecision, "effSetProcessPrecision"},
    {effGetNumMidiInputChannels, "effGetNumMidiInputChannels"},
    {effGetNumMidiOutputChannels, "effGetNumMidiOutputChannels"},
};

template <size_t N> const char* lookUp(const OpcodeName (&table)[N], VstInt32 opcode) {
    for (const OpcodeName& entry : table)
        if (entry.opcode == opcode) return entry.name;
    return "UNKNOWN";
}

} // namespace

const char* vst_base_opcode_name(VstInt32 opcode) {
    return lookUp(baseNames, opcode);
}

const char* vst_extended_opcode_name(VstInt32 opcode) {
    return lookUp(extendedNames, opcode);
}

void vst_trace_dispatch(const char* who, const char* name, VstInt32 opcode, VstInt32 index,
                        VstIntPtr value, void* ptr, float opt) {
    std::printf("%s::dispatcher opcode=%d '%s' index=%d value=%lld ptr=%lld opt=%f (%s)\n",
                who,
                static_cast<int>(opcode),
                name,
                static_cast<int>(index),
                static_cast<long long>(value),
                static_cast<long long>(reinterpret_cast<intptr_t>(ptr)),
                static_cast<double>(opt),
                buildConfiguration);
    std::fflush(stdout);
}
