#include "plugin/vst/audioeffect.h"

#include "plugin/vst/aeffeditor.h"
#include "plugin/vst/vst_trace.h"

#include <cstdio>
#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = 0x4e6f4566; // 'NoEf': an effect that has not chosen its own yet
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

namespace {

AudioEffect* objectOf(AEffect* e) {
    return e ? static_cast<AudioEffect*>(e->object) : nullptr;
}

} // namespace

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt) {
    AudioEffect* effect = objectOf(e);
    if (!effect) return 0;
    if (opcode == effClose) {
        // The host lets go of the record after effClose: the object ends here.
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    if (AudioEffect* effect = objectOf(e)) effect->process(inputs, outputs, frames);
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 frames) {
    if (AudioEffect* effect = objectOf(e)) effect->processReplacing(inputs, outputs, frames);
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 frames) {
    if (AudioEffect* effect = objectOf(e)) effect->processDoubleReplacing(inputs, outputs, frames);
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = objectOf(e)) effect->setParameter(index, value);
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index) {
    AudioEffect* effect = objectOf(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    vst_trace_dispatch("AudioEffect", vst_base_opcode_name(opcode), opcode, index, value, ptr, opt);
    // Opcodes that write into the host's memory do nothing when the host gives none.
    char* text = static_cast<char*>(ptr);
    VstIntPtr result = 0;
    switch (opcode) {
    case effOpen:
        open();
        break;
    case effClose:
        close();
        break;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        break;
    case effGetProgram:
        std::printf("DISPATCH effGetProgram\n");
        std::fflush(stdout);
        result = getProgram();
        break;
    case effSetProgramName:
        if (text) setProgramName(text);
        break;
    case effGetProgramName:
        if (text) getProgramName(text);
        break;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        break;
    case effGetParamDisplay:
        if (text) getParameterDisplay(index, text);
        break;
    case effGetParamName:
        if (text) getParameterName(index, text);
        break;
    case effSetSampleRate:
        setSampleRate(opt);
        break;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        break;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        break;
    case effEditGetRect:
        if (editor && ptr) result = editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        break;
    case effEditOpen:
        if (editor) result = editor->open(ptr) ? 1 : 0;
        break;
    case effEditClose:
        if (editor) editor->close();
        break;
    case effEditIdle:
        if (editor) editor->idle();
        break;
    case effIdentify:
        result = kEffectIdentify;
        break;
    case effGetChunk:
        if (ptr) result = getChunk(static_cast<void**>(ptr), index != 0);
        break;
    case effSetChunk:
        result = setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        break;
    default:
        break;
    }
    return result;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getChunk(void** data, bool) {
    if (data) *data = nullptr;
    return 0;
}

VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) {
    return 0;
}

void AudioEffect::canProcessReplacing(bool state) {
    if (state)
        cEffect.flags |= effFlagsCanReplacing;
    else
        cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::canDoubleReplacing(bool state) {
    if (state)
        cEffect.flags |= effFlagsCanDoubleReplacing;
    else
        cEffect.flags &= ~effFlagsCanDoubleReplacing;
}

void AudioEffect::programsAreChunks(bool state) {
    if (state)
        cEffect.flags |= effFlagsProgramChunks;
    else
        cEffect.flags &= ~effFlagsProgramChunks;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    if (editor)
        cEffect.flags |= effFlagsHasEditor;
    else
        cEffect.flags &= ~effFlagsHasEditor;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion() {
    const VstInt32 version = static_cast<VstInt32>(callHost(audioMasterVersion));
    // A host that does not answer is taken as a 1.0 host.
    return version ? version : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

bool AudioEffect::beginEdit(VstInt32 index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffect::endEdit(VstInt32 index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

void vst_strncpy(char* dst, const char* src, VstInt32 maxLen) {
    if (!dst) return;
    if (maxLen < 0) maxLen = 0;
    size_t n = 0;
    if (src)
        while (n < static_cast<size_t>(maxLen) && src[n]) ++n;
    std::memcpy(dst, src ? src : "", n);
    dst[n] = 0;
}

void vst_strncat(char* dst, const char* src, VstInt32 maxLen) {
    if (!dst || !src) return;
    const size_t used = std::strlen(dst);
    if (used >= static_cast<size_t>(maxLen < 0 ? 0 : maxLen)) return;
    vst_strncpy(dst + used, src, maxLen - static_cast<VstInt32>(used));
}
