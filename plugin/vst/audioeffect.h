// The base of a VST 2.4 effect: fills the effect record the host sees, forwards the record's
// functions to the object, and dispatches the 1.x opcodes to virtual operations with the
// interface's defaults.
//
// Threads: the host calls the dispatcher and the parameter functions from its user-interface
// thread and processReplacing from its audio thread; nothing here takes a lock.
#pragma once

#include "plugin/vst/vst_abi.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;
    virtual ~AudioEffect();

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }

    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames) = 0;
    virtual void processDoubleReplacing(double**, double**, VstInt32) {}
    // The accumulating process of older hosts; an effect that can replace needs none.
    virtual void process(float**, float**, VstInt32) {}

    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    // Sets a parameter and tells the host, as a change made in the editor must.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    // Program names hold up to kVstMaxProgNameLen bytes; parameter texts kVstMaxParamStrLen.
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(VstInt32, char* label) { *label = 0; }
    virtual void getParameterDisplay(VstInt32, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32, char* text) { *text = 0; }

    // The state as one block: stores the data's address and returns its size.
    virtual VstInt32 getChunk(void** data, bool isPreset = false);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false);

    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

    virtual void setEditor(AEffEditor* newEditor);
    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    // Questions to the host; all answer 0 when there is no host.
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);

    // Number-to-text conversions. `text` holds maxLen characters plus the terminating zero.
    // Values that do not fit in eight places are written "Huge!".
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);

    // The effect record's functions: each finds the object through the record.
    static VstIntPtr VST_CALL dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                                  VstIntPtr value, void* ptr, float opt);
    static void VST_CALL processClass(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
    static void VST_CALL processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                               VstInt32 frames);
    static void VST_CALL processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                                     VstInt32 frames);
    static void VST_CALL setParameterClass(AEffect* e, VstInt32 index, float value);
    static float VST_CALL getParameterClass(AEffect* e, VstInt32 index);

protected:
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    float sampleRate = 44100.0f;
    AEffEditor* editor = nullptr;
    audioMasterCallback audioMaster;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    VstInt32 blockSize = 1024;
    AEffect cEffect;
};

// Copies at most maxLen characters and always terminates: dst holds maxLen + 1 bytes.
void vst_strncpy(char* dst, const char* src, VstInt32 maxLen);
// Appends while the whole text stays within maxLen characters: dst holds maxLen + 1 bytes.
void vst_strncat(char* dst, const char* src, VstInt32 maxLen);
