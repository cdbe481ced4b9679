// The effect as a framework application: it builds the signal graph by commands, holds the two
// parameters and keeps the nodes (and, with an editor, the widgets) in step with them.
//
// Threads: building, destroying, parameter changes and presets run on the host's
// user-interface thread (or whichever thread the host automates from); process() runs on the
// audio thread. Parameter hooks change single words in the nodes that the next block reads.
#pragma once

#include "VX/VX.h"

#include <cstddef>
#include <cstdio>

class VX_Application : public VX_Apptpl {
public:
    // A parameter, and the variable a widget writes a user change into before calling apply.
    class Param : public VX_value {
    public:
        Param();

        char name[16];
        // A switch keeps its two state names here, the second ten bytes after the first.
        char unit[24];
        VX_Object* widget = nullptr; // the widget bound to it, if any
        int32_t minimum = 0;         // integer parameters only
        int32_t maximum = 0;

        // After a new value was written: runs the change hook.
        virtual void apply(void* data);
        // Write into `text` of `size` bytes, cut to fit.
        virtual void writeName(char* text, size_t size);
        virtual void writeValue(char* text, size_t size);
        virtual void writeUnit(char* text, size_t size);
        // The change hook: the owning application's hook for this parameter.
        virtual void changed(void* data);

        VX_Application* owner = nullptr;
    };

    // Widget slots, in attach order (earlier slots are drawn underneath).
    enum Slot {
        slotBackground,
        slotOuterLeftTop,
        slotOuterMiddleTop,
        slotOuterRightTop,
        slotOuterLeftMiddle,
        slotOuterRightMiddle,
        slotOuterLeftBottom,
        slotOuterMiddleBottom,
        slotOuterRightBottom,
        slotBadge,
        slotTitle,
        slotGroupLeftTop,
        slotGroupMiddleTop,
        slotGroupRightTop,
        slotGroupLeftMiddle,
        slotGroupMiddle,
        slotGroupRightMiddle,
        slotGroupLeftBottom,
        slotGroupMiddleBottom,
        slotGroupRightBottom,
        slotLoadButton,
        slotSaveButton,
        slotStateButton,
        slotFilterLabel,
        slotCutoffLabel,
        slotKnob,
        slotReadout,
        slotCount
    };

    enum ParamIndex { paramState, paramFrequency, paramCount };

    // The knob's range when there is no knob to ask.
    static constexpr float knobMinimum = 20.0f;
    static constexpr float knobMaximum = 10000.0f;
    // Host samples in [-1, 1] map to +-2^30 in the graph, leaving one bit of headroom.
    static constexpr float toFixed = 1073741824.0f;
    static constexpr float fromFixed = 9.313226e-10f; // 2^-30

    VX_Application();
    ~VX_Application() override;

    void build() override;
    void attach(VX_Win* win) override;
    void detach() override;
    // Deletes the widgets, then the graph's nodes, buffers and soundpipe.
    void destroy() override;

    // Host side of the parameters; out-of-range indices are ignored.
    void setParameterNormalised(int32_t index, float x);
    float getParameterNormalised(int32_t index);
    // Parameter texts for the host: cleared to `size` bytes, cut to size - 1 characters.
    void writeParameterName(int32_t index, char* text, size_t size);
    void writeParameterLabel(int32_t index, char* text, size_t size);
    void writeParameterDisplay(int32_t index, char* text, size_t size);

    // Runs the graph over the host's block in chunks of at most one graph block. [audio thread]
    void runGraph(float** inputs, float** outputs, int32_t frames);
    // Zeroes every buffer and resets every node.
    void clearGraph();
    // Gives every node the new sample clock.
    void setClock(int32_t rate);

    // Preset files. Failures are shown in a message box captioned "Error".
    void loadPreset(const char* path);
    void savePreset(const char* path);
    // The path for a preset to load or save, or null when none was chosen.
    virtual const char* choosePresetPath(bool forSaving);

    // The preset code's file reads and writes; tests replace them to make them fail.
    struct FileIo {
        size_t (*read)(void* data, size_t size, size_t count, std::FILE* file);
        size_t (*write)(const void* data, size_t size, size_t count, std::FILE* file);
    };
    static FileIo fileIo;

    int32_t width = 0; // editor size in pixels
    int32_t height = 0;
    int32_t blockLength = 0;
    int32_t sampleRateHz = 0; // as the host last set it

    VX_Soundpipe* soundpipe = nullptr;
    VX_Buffer* bufIn = nullptr;
    VX_Buffer* bufOut = nullptr;
    VX_Buffer* lpfBuffer = nullptr;
    VX_Effect* hipass = nullptr;
    VX_Effect* bapass = nullptr;
    VX_Effect* outCopy = nullptr;
    VX_Effect* bypassCopy = nullptr;

    VX_Object* widgets[slotCount] = {};
    VX_Win* window = nullptr;

    Param params[paramCount];
    Param loadVariable;
    Param saveVariable;

    // The cutoff the filters were last given, in hertz, and its read-out text.
    float cutoff = 0.0f;
    char readout[32] = {};

private:
    friend class Param;
    // The change hooks, chosen by which parameter changed.
    void paramChanged(Param& p);
    void stateChanged();
    void frequencyChanged();
    void presetButton(Slot slot, bool forSaving);
    void knobRange(float& mn, float& mx);
    // The data pointer a parameter's apply is given: its widget's, or the application.
    void* applyData(const Param& p);
    void applyParam(Param& p);
};
