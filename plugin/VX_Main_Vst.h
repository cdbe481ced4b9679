// The plug-in object: the VST 2.4 effect and the framework application in one.
#pragma once

#include "plugin/VX_Application.h"
#include "plugin/vst/audioeffectx.h"

class VX_Main_Vst : public AudioEffectX, public VX_Application {
public:
    explicit VX_Main_Vst(audioMasterCallback audioMaster);
    ~VX_Main_Vst() override;

    void open() override;
    void close() override {}
    void suspend() override {}
    void resume() override {}
    void setSampleRate(float rate) override;

    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void process(float**, float**, VstInt32) override {}

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;

    VstInt32 getProgram() override { return 0; }
    void setProgram(VstInt32) override {}
    void setProgramName(char*) override {}
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 getPlugCategory() override;

private:
    // The record's processReplacing: straight to the graph, without the virtual call of the
    // base's, a call level fewer in the small blocks of automated hosts.
    static void VST_CALL processGraph(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
};
