#include "plugin/VX_Application.h"

#include "plugin/highpass_law.h"
#include "plugin/preset_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace law = highpass_law;

// ---- Param -----------------------------------------------------------------------------------

VX_Application::Param::Param() : VX_value(VX_bits{.raw = 0}, VX_TYPE_NONE, -1) {
    std::memset(name, 0, sizeof name);
    std::memset(unit, 0, sizeof unit);
    std::strcpy(unit, "Yes");
}

void VX_Application::Param::apply(void* data) {
    changed(data);
}

void VX_Application::Param::writeName(char* text, size_t size) {
    std::snprintf(text, size, "%s", name);
}

void VX_Application::Param::writeValue(char* text, size_t size) {
    switch (type) {
    case VX_TYPE_INT:
        law::displayInteger(text, size, value.i, "");
        break;
    case VX_TYPE_FLOAT:
        law::displayFloat(text, size, value.f, "");
        break;
    case VX_TYPE_SWITCH:
        law::displaySwitch(text, size, value.i != 0);
        break;
    default:
        if (size) *text = 0;
        break;
    }
}

void VX_Application::Param::writeUnit(char* text, size_t size) {
    std::snprintf(text, size, "%s", unit);
}

void VX_Application::Param::changed(void*) {
    if (owner) owner->paramChanged(*this);
}

// ---- Building and tearing down ---------------------------------------------------------------

namespace {

void setUpParam(VX_Application::Param& p, const char* name, const char* unit, int32_t type) {
    std::snprintf(p.name, sizeof p.name, "%s", name);
    std::memset(p.unit, 0, sizeof p.unit);
    std::snprintf(p.unit, sizeof p.unit, "%s", unit);
    p.type = type;
    p.value.raw = 0;
}

} // namespace

VX_Application::VX_Application() {
    for (Param& p : params) p.owner = this;
    loadVariable.owner = this;
    saveVariable.owner = this;
}

VX_Application::~VX_Application() = default;

void VX_Application::build() {
    width = editorWidth();
    height = editorHeight();
    graph = std::make_unique<HighpassGraph>();
    buildWidgets();

    Param& state = params[paramState];
    setUpParam(state, law::stateName, law::stateOn, VX_TYPE_SWITCH);
    std::snprintf(state.unit + 10, sizeof state.unit - 10, "%s", law::stateOff);
    state.value.i = law::initialState;
    state.widget = nullptr;

    Param& frequency = params[paramFrequency];
    setUpParam(frequency, law::frequencyName, law::frequencyUnit, VX_TYPE_FLOAT);
    frequency.value.f = law::initialKnobValue;
    frequency.widget = widgets[slotKnob];

    state.apply(this);
    frequency.apply(this);
}

void VX_Application::destroy() {
    destroyWidgets();
    graph.reset();
}

// ---- The graph -------------------------------------------------------------------------------

void VX_Application::silence(float** outputs, int32_t frames) {
    if (!outputs[0] || !outputs[1] || frames <= 0) return;
    std::fill(outputs[0], outputs[0] + frames, 0.0f);
    std::fill(outputs[1], outputs[1] + frames, 0.0f);
}

void VX_Application::clearGraph() {
    if (graph) graph->clear();
}

void VX_Application::setClock(int32_t rate) {
    sampleRateHz = rate;
    if (graph) graph->setClock(rate);
}

// ---- Parameters ------------------------------------------------------------------------------

void VX_Application::knobRange(float& mn, float& mx) {
    mn = law::knobMinimum;
    mx = law::knobMaximum;
    if (VX_Object* knob = widgets[slotKnob]) {
        VX_cmd("%o -mn", knob, &mn);
        VX_cmd("%o -mx", knob, &mx);
    }
}

void VX_Application::applyParam(Param& p) {
    void* data = nullptr;
    if (p.widget) VX_cmd("%o -dat", p.widget, &data);
    p.apply(data ? data : this);
}

void VX_Application::setParameterNormalised(int32_t index, float x) {
    if (index < 0 || index >= paramCount) return;
    // A host value that is not a number would reach the filters as one.
    if (!std::isfinite(x)) return;
    Param& p = params[index];
    switch (p.type) {
    case VX_TYPE_INT:
        p.value.i = law::integerValue(x, p.minimum, p.maximum);
        break;
    case VX_TYPE_FLOAT: {
        float mn, mx;
        knobRange(mn, mx);
        p.value.f = law::knobValue(x, mn, mx);
        break;
    }
    case VX_TYPE_SWITCH:
        p.value.i = law::switchValue(x) ? 1 : 0;
        break;
    default:
        return;
    }
    applyParam(p);
}

float VX_Application::getParameterNormalised(int32_t index) {
    if (index < 0 || index >= paramCount) return 0.0f;
    const Param& p = params[index];
    switch (p.type) {
    case VX_TYPE_INT:
        return law::integerNormalised(p.value.i, p.minimum, p.maximum);
    case VX_TYPE_FLOAT: {
        float mn, mx;
        knobRange(mn, mx);
        return law::normalised(p.value.f, mn, mx);
    }
    case VX_TYPE_SWITCH:
        return p.value.i != 0 ? 1.0f : 0.0f;
    default:
        return 0.0f;
    }
}

void VX_Application::writeParameterName(int32_t index, char* text, size_t size) {
    if (!text || size == 0) return;
    std::memset(text, 0, size);
    if (index >= 0 && index < paramCount) params[index].writeName(text, size);
}

void VX_Application::writeParameterLabel(int32_t index, char* text, size_t size) {
    if (!text || size == 0) return;
    std::memset(text, 0, size);
    if (index < 0 || index >= paramCount) return;
    Param& p = params[index];
    if (p.type == VX_TYPE_SWITCH)
        law::labelSwitch(text, size, p.unit, p.unit + 10);
    else if (p.type == VX_TYPE_INT || p.type == VX_TYPE_FLOAT)
        p.writeUnit(text, size);
}

void VX_Application::writeParameterDisplay(int32_t index, char* text, size_t size) {
    if (!text || size == 0) return;
    std::memset(text, 0, size);
    if (index < 0 || index >= paramCount) return;
    const Param& p = params[index];
    if (p.type == VX_TYPE_INT) {
        law::displayInteger(text, size, p.value.i, p.unit);
    } else if (p.type == VX_TYPE_FLOAT) {
        // The host shows what the filter does, the cutoff (as the editor's read-out does), not
        // the knob's linear position.
        float mn, mx;
        knobRange(mn, mx);
        law::displayFloat(text, size, law::cutoff(p.value.f, mn, mx), p.unit);
    } else if (p.type == VX_TYPE_SWITCH)
        law::displaySwitch(text, size, p.value.i != 0);
}

// ---- Change hooks ----------------------------------------------------------------------------

void VX_Application::paramChanged(Param& p) {
    if (&p == &params[paramState])
        stateChanged();
    else if (&p == &params[paramFrequency])
        frequencyChanged();
    else if (&p == &loadVariable)
        presetButton(slotLoadButton, false);
    else if (&p == &saveVariable)
        presetButton(slotSaveButton, true);
}

void VX_Application::stateChanged() {
    Param& state = params[paramState];
    // The button writes a plain integer; the parameter stays an on/off switch for the host.
    const bool on = state.type == VX_TYPE_FLOAT ? state.value.f != 0.0f : state.value.i != 0;
    state.value.raw = 0;
    state.value.i = on ? 1 : 0;
    state.type = VX_TYPE_SWITCH;

    showState(on);
    if (graph) graph->setOn(on);
}

void VX_Application::frequencyChanged() {
    const float v = params[paramFrequency].asFloat();
    float mn, mx;
    knobRange(mn, mx);
    cutoff = law::cutoff(v, mn, mx);

    if (graph) graph->setCutoff(cutoff);
    showFrequency(v, cutoff);
}

// ---- Presets ---------------------------------------------------------------------------------

void VX_Application::presetButton(Slot slot, bool forSaving) {
    if (widgets[slot]) VX_cmd("VX_Wid_Butt %o -val %i", widgets[slot], 1);
    if (const char* path = choosePresetPath(forSaving)) {
        if (forSaving)
            savePreset(path);
        else
            loadPreset(path);
    }
    if (widgets[slot]) VX_cmd("VX_Wid_Butt %o -val %i", widgets[slot], 0);
    // The modal dialog took the mouse's release: nothing stays hovered or grabbed.
    if (window) {
        window->hovered = nullptr;
        window->captured = nullptr;
    }
}

const char* VX_Application::choosePresetPath(bool forSaving) {
    return forSaving ? presetDialog.save() : presetDialog.open();
}

namespace {

void showError(const char* message) {
    if (message) VX_message_box(message, "Error", VX_MB_ICONERROR);
}

} // namespace

void VX_Application::loadPreset(const char* path) {
    if (!path || !*path) return;
    const PresetRead r = readPresetFile(path);
    if (!r.haveState) {
        showError(r.message);
        return;
    }
    VX_bits f{.raw = 0};
    f.u = r.frequency;
    float mn, mx;
    knobRange(mn, mx);
    if (r.haveFrequency && !(f.f >= mn && f.f <= mx)) {
        // The effect never writes a frequency off its knob (nor one that is not a number):
        // taking it would leave the filters with a cutoff they cannot have.
        showError("Bad content in preset file.");
        return;
    }
    Param& s = params[paramState];
    s.value.raw = 0;
    s.value.u = r.state;
    applyParam(s);
    if (r.haveFrequency) {
        Param& p = params[paramFrequency];
        p.value = f;
        applyParam(p);
    }
    showError(r.message);
}

void VX_Application::savePreset(const char* path) {
    if (!path || !*path) return;
    showError(writePresetFile(path, params[paramState].value.u, params[paramFrequency].value.u));
}
