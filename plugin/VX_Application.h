// The effect as a framework application: the binder between the host layer, the two
// parameters, the signal graph and the editor's widgets. A parameter change, from the host, a
// widget or a preset, runs the parameter's change hook, which gives the new value to the graph
// and to the widgets that show it. What the values mean is the parameter law
// (plugin/highpass_law.h); the graph is plugin/highpass_graph.h, the preset file format
// plugin/preset_file.h.
//
// Threads: building, destroying, parameter changes and presets run on the host's
// user-interface thread (or whichever thread the host automates from); runGraph() runs on the
// audio thread. The hooks change shared words of the nodes, which the next block reads.
#pragma once

#include "VX/VX.h"
#include "plugin/highpass_graph.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>

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

    // Widget slots, in attach order (earlier slots are drawn underneath). Empty slots are
    // skipped by attach, detach and destroy.
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

    VX_Application();
    ~VX_Application() override;

    // The graph, the editor's widgets, then the parameters, whose hooks run once to bring the
    // graph and the widgets into the initial state.
    void build() override;
    // Puts the widgets into the window (also the owner of the preset dialog) and takes them
    // out again; they keep their state in between. [ui thread]
    void attach(VX_Win* win) override;
    void detach() override;
    // Deletes the widgets, then the graph.
    void destroy() override;

    // The editor's size in pixels: 210 x 236.
    static int32_t editorWidth();
    static int32_t editorHeight();

    // Host side of the parameters; out-of-range indices are ignored.
    void setParameterNormalised(int32_t index, float x);
    float getParameterNormalised(int32_t index);
    // Parameter texts for the host: cleared to `size` bytes, cut to size - 1 characters.
    void writeParameterName(int32_t index, char* text, size_t size);
    void writeParameterLabel(int32_t index, char* text, size_t size);
    void writeParameterDisplay(int32_t index, char* text, size_t size);

    // The host's block through the graph: first input channel in, both outputs out; silence
    // without a graph. Inline: in the small blocks of automated hosts each call level counts.
    // [audio thread]
    void runGraph(float** inputs, float** outputs, int32_t frames) {
        if (!outputs) return;
        // The graph takes null outputs and empty blocks as they come.
        if (graph)
            graph->runHost(inputs ? inputs[0] : nullptr, outputs[0], outputs[1], frames);
        else
            silence(outputs, frames);
    }
    // Silence into both outputs, when there is no graph to run.
    [[gnu::cold, gnu::noinline]] static void silence(float** outputs, int32_t frames);
    // Zeroes every buffer and resets every node.
    void clearGraph();
    // Gives every node the new sample clock.
    void setClock(int32_t rate);

    // Preset files. Failures are shown in a message box captioned "Error".
    void loadPreset(const char* path);
    void savePreset(const char* path);
    // The path for a preset to load or save, or null when none was chosen: the preset dialog.
    virtual const char* choosePresetPath(bool forSaving);

    int32_t width = 0; // editor size in pixels
    int32_t height = 0;
    int32_t sampleRateHz = 0; // as the host last set it

    std::unique_ptr<HighpassGraph> graph;

    VX_Object* widgets[slotCount] = {};
    VX_Win* window = nullptr;

    Param params[paramCount];
    Param loadVariable;
    Param saveVariable;

    // The cutoff the filters were last given, in hertz.
    float cutoff = 0.0f;
    // The read-out's text of that cutoff ("239 Hz"), this instance's own.
    const char* readoutText() const;

    VX_Dlg_File presetDialog{nullptr, presetFilter};
    static constexpr char presetFilter[] = "Preset file (*.torv)\0*.torv\0";

private:
    friend class Param;
    // The change hooks, chosen by which parameter changed.
    void paramChanged(Param& p);
    void stateChanged();
    void frequencyChanged();
    void presetButton(Slot slot, bool forSaving);
    // The editor's half (plugin/editor_widgets.cpp): making and deleting the widgets, and
    // showing the parameters on them.
    void buildWidgets();
    void destroyWidgets();
    void showState(bool on);
    void showFrequency(float knobValue, float cutoffHz);
    // The knob's range: the knob's own, or the law's without a knob.
    void knobRange(float& mn, float& mx);
    // Runs a parameter's apply with the data pointer its widget gives, or the application.
    void applyParam(Param& p);

    static constexpr uint32_t readoutRing = 4;
    char readoutTexts[readoutRing][16] = {};
    std::atomic<uint32_t> readoutIndex{0};
};
