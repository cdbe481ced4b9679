#include "plugin/VX_Main_Vst.h"

#include "plugin/VX_Main_Vst_Editor.h"
#include "plugin/torv_strings.h"

#include <cstdio>
#include <cstring>

VX_Main_Vst::VX_Main_Vst(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, paramCount) {
    build();
    programsAreChunks(usesChunks() != 0);
    setUniqueID(torvUniqueId);
    setNumInputs(1);
    setNumOutputs(2);
    canProcessReplacing(true);
    cEffect.processReplacing = processGraph;
    setEditor(new VX_Main_Vst_Editor(this, this));
}

VX_Main_Vst::~VX_Main_Vst() {
    // The editor goes first, closed if the host left it open: it detaches the widgets, which
    // the application deletes next.
    AEffEditor* shown = editor;
    setEditor(nullptr);
    delete shown;
    destroy();
}

void VX_Main_Vst::open() {
    clearGraph();
}

void VX_Main_Vst::setSampleRate(float rate) {
    // A rate of 0, a negative one, one that is not a number or that does not fit the nodes'
    // 32-bit clock would break the filters: the rate they have stays (NaN fails the test).
    if (!(rate >= 1.0f && rate < 2147483648.0f)) return;
    AudioEffectX::setSampleRate(rate);
    setClock(static_cast<int32_t>(rate)); // truncated; the test above keeps it in range
}

void VX_Main_Vst::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    runGraph(inputs, outputs, frames);
}

void VX_Main_Vst::processGraph(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    if (e && e->object)
        static_cast<VX_Main_Vst*>(static_cast<AudioEffect*>(e->object))
            ->runGraph(inputs, outputs, frames);
}

void VX_Main_Vst::setParameter(VstInt32 index, float value) {
    setParameterNormalised(index, value);
}

float VX_Main_Vst::getParameter(VstInt32 index) {
    return getParameterNormalised(index);
}

void VX_Main_Vst::getParameterName(VstInt32 index, char* text) {
    writeParameterName(index, text, kVstMaxParamStrLen);
}

void VX_Main_Vst::getParameterLabel(VstInt32 index, char* text) {
    writeParameterLabel(index, text, kVstMaxParamStrLen);
}

void VX_Main_Vst::getParameterDisplay(VstInt32 index, char* text) {
    writeParameterDisplay(index, text, kVstMaxParamStrLen);
}

namespace {

const char* const programName = "Default program";

// Clears the host's text of `size` bytes and writes at most size - 1 characters into it.
void writeText(char* text, size_t size, const char* value) {
    std::memset(text, 0, size);
    std::snprintf(text, size, "%s", value);
}

} // namespace

void VX_Main_Vst::getProgramName(char* name) {
    writeText(name, kVstMaxProgNameLen, programName);
}

bool VX_Main_Vst::getProgramNameIndexed(VstInt32, VstInt32, char* text) {
    writeText(text, kVstMaxProgNameLen, programName);
    return true;
}

VstInt32 VX_Main_Vst::getChunk(void** data, bool) {
    const VX_value chunk = saveChunk();
    if (data) *data = chunk.value.p;
    // No data at all is a size of 0, never a negative one.
    return chunk.length > 0 ? chunk.length : 0;
}

VstInt32 VX_Main_Vst::setChunk(void* data, VstInt32 byteSize, bool) {
    VX_bits bits{.raw = 0};
    bits.p = data;
    loadChunk(VX_value(bits, VX_TYPE_NONE, byteSize));
    return byteSize;
}

bool VX_Main_Vst::getEffectName(char* name) {
    // The interface allows the name 32 characters and its zero, and hosts give at least that
    // much room: the whole name, every one of its 32 letters.
    writeText(name, kVstMaxEffectNameLen + 1, torvEffectName);
    return true;
}

bool VX_Main_Vst::getVendorString(char* text) {
    writeText(text, kVstMaxVendorStrLen, torvVendorString);
    return true;
}

bool VX_Main_Vst::getProductString(char* text) {
    writeText(text, kVstMaxProductStrLen, torvProductString);
    return true;
}

VstInt32 VX_Main_Vst::getVendorVersion() {
    return torvVendorVersion;
}

VstInt32 VX_Main_Vst::getPlugCategory() {
    return kPlugCategEffect;
}
