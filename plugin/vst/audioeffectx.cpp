#include "plugin/vst/audioeffectx.h"

#include "plugin/vst/aeffeditor.h"
#include "plugin/vst/vst_trace.h"

#include <cstdio>

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms,
                           VstInt32 numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    vst_trace_dispatch(
        "AudioEffectX", vst_extended_opcode_name(opcode), opcode, index, value, ptr, opt);
    // Opcodes that write into the host's memory do nothing when the host gives none.
    char* text = static_cast<char*>(ptr);
    VstIntPtr result = 0;
    switch (opcode) {
    case effProcessEvents:
        result = processEvents(static_cast<VstEvents*>(ptr));
        break;
    case effCanBeAutomated:
        result = canParameterBeAutomated(index) ? 1 : 0;
        break;
    case effString2Parameter:
        result = string2parameter(index, text) ? 1 : 0;
        break;
    case effGetProgramNameIndexed:
        if (text) result = getProgramNameIndexed(static_cast<VstInt32>(value), index, text) ? 1 : 0;
        break;
    case effGetInputProperties:
        if (ptr) result = getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        break;
    case effGetOutputProperties:
        if (ptr) result = getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        break;
    case effGetPlugCategory:
        result = getPlugCategory();
        break;
    case effOfflineNotify:
        result =
            offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value), index != 0)
                ? 1
                : 0;
        break;
    case effOfflinePrepare:
        result =
            offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)) ? 1 : 0;
        break;
    case effOfflineRun:
        result =
            offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)) ? 1 : 0;
        break;
    case effProcessVarIo:
        result = processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
        break;
    case effSetSpeakerArrangement:
        result = setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                       static_cast<VstSpeakerArrangement*>(ptr))
                     ? 1
                     : 0;
        break;
    case effSetBypass:
        result = setBypass(value != 0) ? 1 : 0;
        break;
    case effGetEffectName:
        if (text) result = getEffectName(text) ? 1 : 0;
        break;
    case effGetVendorString:
        if (text) result = getVendorString(text) ? 1 : 0;
        break;
    case effGetProductString:
        if (text) result = getProductString(text) ? 1 : 0;
        break;
    case effGetVendorVersion:
        result = getVendorVersion();
        break;
    case effVendorSpecific:
        result = vendorSpecific(index, value, ptr, opt);
        break;
    case effCanDo:
        if (text) result = canDo(text);
        break;
    case effGetTailSize:
        result = getGetTailSize();
        break;
    case effGetParameterProperties:
        if (ptr)
            result =
                getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
        break;
    case effGetVstVersion:
        result = getVstVersion();
        break;
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key{
                index, static_cast<unsigned char>(value), static_cast<unsigned char>(opt)};
            const bool used =
                opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
            result = used ? 1 : 0;
        }
        break;
    case effSetEditKnobMode:
        if (editor) result = editor->setKnobMode(static_cast<VstInt32>(value)) ? 1 : 0;
        break;
    case effGetMidiProgramName:
        result = getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        break;
    case effGetCurrentMidiProgram:
        result = getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        break;
    case effGetMidiProgramCategory:
        result = getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        break;
    case effHasMidiProgramsChanged:
        result = hasMidiProgramsChanged(index) ? 1 : 0;
        break;
    case effGetMidiKeyName:
        result = getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
        break;
    case effBeginSetProgram:
        result = beginSetProgram() ? 1 : 0;
        break;
    case effEndSetProgram:
        result = endSetProgram() ? 1 : 0;
        break;
    case effGetSpeakerArrangement:
        result = getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                       static_cast<VstSpeakerArrangement**>(ptr))
                     ? 1
                     : 0;
        break;
    case effShellGetNextPlugin:
        if (text) result = getNextShellPlugin(text);
        break;
    case effStartProcess:
        result = startProcess();
        break;
    case effStopProcess:
        result = stopProcess();
        break;
    case effSetTotalSampleToProcess:
        result = setTotalSampleToProcess(static_cast<VstInt32>(value)) ? 1 : 0;
        break;
    case effSetPanLaw:
        result = setPanLaw(static_cast<VstInt32>(value), opt) ? 1 : 0;
        break;
    case effBeginLoadBank:
        result = beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        break;
    case effBeginLoadProgram:
        result = beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        break;
    case effSetProcessPrecision:
        result = setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
        break;
    case effGetNumMidiInputChannels:
        result = getNumMidiInputChannels();
        break;
    case effGetNumMidiOutputChannels:
        result = getNumMidiOutputChannels();
        break;
    default:
        result = AudioEffect::dispatcher(opcode, index, value, ptr, opt);
        break;
    }
    return result;
}

VstInt32 AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

VstInt32 AudioEffectX::fxIdle() {
    std::printf("*** fxIdle ***\n");
    std::fflush(stdout);
    return 0;
}

bool AudioEffectX::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

double AudioEffectX::updateSampleRate() {
    const VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) setSampleRate(static_cast<float>(rate));
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    const VstIntPtr size = callHost(audioMasterGetBlockSize);
    if (size > 0) setBlockSize(static_cast<VstInt32>(size));
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetInputLatency));
}

VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}

bool AudioEffectX::getHostVendorString(char* text) {
    if (text) *text = 0;
    return text && callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    if (text) *text = 0;
    return text && callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}

VstInt32 AudioEffectX::canHostDo(char* text) {
    return text ? static_cast<VstInt32>(callHost(audioMasterCanDo, 0, 0, text)) : 0;
}

bool AudioEffectX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}
