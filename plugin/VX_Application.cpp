#include "plugin/VX_Application.h"

#include "VX/VX_numeric.h"

#include <cmath>
#include <cstring>

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
        std::snprintf(text, size, "%i", value.i);
        break;
    case VX_TYPE_FLOAT:
        std::snprintf(text, size, "%f", static_cast<double>(value.f));
        break;
    case VX_TYPE_SWITCH:
        std::snprintf(text, size, "%s", value.i != 0 ? "On" : "Off");
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

void setUpParam(VX_Application::Param& p, VX_Application* owner, const char* name,
                const char* unit) {
    p.owner = owner;
    std::snprintf(p.name, sizeof p.name, "%s", name);
    std::memset(p.unit, 0, sizeof p.unit);
    std::snprintf(p.unit, sizeof p.unit, "%s", unit);
}

} // namespace

VX_Application::VX_Application() {
    for (Param& p : params) p.owner = this;
    loadVariable.owner = this;
    saveVariable.owner = this;
}

VX_Application::~VX_Application() = default;

void VX_Application::build() {
    // The editor panel: the control group (190 x 170) with a 10-pixel frame and the header.
    width = 190 + 20;
    height = 170 + 66;
    blockLength = 512;

    VX_cmd("VX_Soundpipe -bl %i -b", &soundpipe, blockLength, nullptr);
    VX_cmd("VX_Buffer -t %o", &bufIn, "buf_i");
    VX_cmd("VX_Buffer -t %o", &lpfBuffer, "lpf_buffer");
    // Processing order: the bypass copy, overwritten by the high-pass while it is on, from
    // which the band-pass of the input is subtracted: together a third-order high-pass. With
    // both filters off the copy passes the input through.
    VX_cmd("VX_Effect_Copy -i %o -o %o", &bypassCopy, bufIn, lpfBuffer);
    VX_cmd("VX_Effect_Hipass -i %o -o %o", &hipass, bufIn, lpfBuffer);
    VX_cmd("VX_Effect_Bapass -i %o -o %o -q .618 -mode sub", &bapass, bufIn, lpfBuffer);
    VX_cmd("VX_Buffer -t %o", &bufOut, "buf_o");
    VX_cmd("VX_Effect_Copy -i %o -o %o", &outCopy, lpfBuffer, bufOut);
    // Another instance must never add its objects to this graph.
    if (soundpipe) VX_cmd("VX_Soundpipe %o -e", soundpipe, nullptr);
    if (VX_Soundpipe::current == soundpipe) VX_Soundpipe::current = nullptr;

    Param& state = params[paramState];
    setUpParam(state, this, "State", "On");
    std::snprintf(state.unit + 10, sizeof state.unit - 10, "%s", "Off");
    state.type = VX_TYPE_SWITCH;
    state.value.raw = 0;
    state.value.i = 1;
    state.widget = nullptr;

    Param& frequency = params[paramFrequency];
    setUpParam(frequency, this, "Frequency", "Hz");
    frequency.type = VX_TYPE_FLOAT;
    frequency.value.raw = 0;
    frequency.value.f = 1500.0f;
    frequency.widget = widgets[slotKnob];

    state.apply(this);
    frequency.apply(this);
}

void VX_Application::attach(VX_Win* win) {
    window = win;
    for (VX_Object* w : widgets)
        if (w) VX_cmd("VX_Wid %o -win %o", w, win);
}

void VX_Application::detach() {
    for (VX_Object* w : widgets)
        if (w) VX_cmd("VX_Wid %o -win 0", w);
}

namespace {

template <typename T> void deleteByCommand(T*& object) {
    if (object) VX_cmd("%o -delete", object);
    object = nullptr;
}

} // namespace

void VX_Application::destroy() {
    for (int slot = slotCount - 1; slot >= 0; --slot) deleteByCommand(widgets[slot]);
    for (Param& p : params) p.widget = nullptr;
    window = nullptr;
    // Whoever made an object by command deletes it: nodes first (each leaves the soundpipe's
    // chain), then the buffers they used, then the soundpipe itself.
    deleteByCommand(outCopy);
    deleteByCommand(bapass);
    deleteByCommand(hipass);
    deleteByCommand(bypassCopy);
    deleteByCommand(bufOut);
    deleteByCommand(lpfBuffer);
    deleteByCommand(bufIn);
    deleteByCommand(soundpipe);
}

// ---- Parameters ------------------------------------------------------------------------------

void VX_Application::knobRange(float& mn, float& mx) {
    mn = knobMinimum;
    mx = knobMaximum;
    if (VX_Object* knob = widgets[slotKnob]) {
        VX_cmd("%o -mn", knob, &mn);
        VX_cmd("%o -mx", knob, &mx);
    }
}

void* VX_Application::applyData(const Param& p) {
    if (p.widget) {
        void* data = nullptr;
        VX_cmd("%o -dat", p.widget, &data);
        if (data) return data;
    }
    return this;
}

void VX_Application::applyParam(Param& p) {
    p.apply(applyData(p));
}

void VX_Application::setParameterNormalised(int32_t index, float x) {
    if (index < 0 || index >= paramCount) return;
    // A host value that is not a number would reach the filters as one.
    if (!std::isfinite(x)) return;
    Param& p = params[index];
    switch (p.type) {
    case VX_TYPE_INT: {
        const double span = static_cast<double>(p.maximum) - p.minimum + 0.999999999;
        p.value.i = VX_trunc32(static_cast<double>(x) * span + p.minimum);
        break;
    }
    case VX_TYPE_FLOAT: {
        float mn, mx;
        knobRange(mn, mx);
        p.value.f = mn + x * (mx - mn);
        break;
    }
    case VX_TYPE_SWITCH:
        p.value.i = x > 0.5f ? 1 : 0;
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
        return static_cast<float>((p.value.i - static_cast<double>(p.minimum) + 0.5) /
                                  (static_cast<double>(p.maximum) - p.minimum + 1.0));
    case VX_TYPE_FLOAT: {
        float mn, mx;
        knobRange(mn, mx);
        return mx != mn ? (p.value.f - mn) / (mx - mn) : 0.0f;
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
    const Param& p = params[index];
    if (p.type == VX_TYPE_SWITCH)
        std::snprintf(text, size, "%s/%s", p.unit, p.unit + 10);
    else if (p.type == VX_TYPE_INT || p.type == VX_TYPE_FLOAT)
        std::snprintf(text, size, "%s", p.unit);
}

void VX_Application::writeParameterDisplay(int32_t index, char* text, size_t size) {
    if (!text || size == 0) return;
    std::memset(text, 0, size);
    if (index < 0 || index >= paramCount) return;
    const Param& p = params[index];
    const char* space = p.unit[0] ? " " : "";
    switch (p.type) {
    case VX_TYPE_INT:
        std::snprintf(text, size, "%d%s%s", p.value.i, space, p.unit);
        break;
    case VX_TYPE_FLOAT:
        std::snprintf(text, size, "%f%s%s", static_cast<double>(p.value.f), space, p.unit);
        break;
    case VX_TYPE_SWITCH:
        std::snprintf(text, size, "%s", p.value.i != 0 ? "On" : "Off");
        break;
    default:
        break;
    }
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
    const int32_t s = on ? 1 : 0;
    state.value.raw = 0;
    state.value.i = s;
    state.type = VX_TYPE_SWITCH;

    if (widgets[slotStateButton]) VX_cmd("VX_Wid_Butt %o -val %i", widgets[slotStateButton], s);
    for (Slot slot : {slotCutoffLabel, slotKnob, slotReadout})
        if (widgets[slot]) VX_cmd("VX_Wid %o -enabled %i", widgets[slot], s);
    // The nodes fade in or out over the next block.
    if (hipass) VX_cmd("VX_Effect %o -on %i", hipass, s);
    if (bapass) VX_cmd("VX_Effect %o -on %i", bapass, s);
}

void VX_Application::frequencyChanged() {
    const float v = params[paramFrequency].asFloat();
    float mn, mx;
    knobRange(mn, mx);
    // The cutoff follows the square of the knob position, which spreads the low frequencies
    // over most of the knob's travel.
    const float t = mx != mn ? (v - mn) / (mx - mn) : 0.0f;
    const float t2 = t * t;
    const float f = (mx - mn) * t2 + mn;
    cutoff = f;

    if (hipass) VX_cmd("%o -f %f", hipass, static_cast<double>(f));
    if (bapass) VX_cmd("%o -f %f", bapass, static_cast<double>(f));
    if (widgets[slotKnob])
        VX_cmd("VX_Wid_Knob %o -val %f", widgets[slotKnob], static_cast<double>(v));
    // The read-out keeps a reference to this text, so it is rewritten in place.
    std::snprintf(readout, sizeof readout, "%.0f Hz", static_cast<double>(f));
    if (widgets[slotReadout]) VX_cmd("VX_Wid_Text %o -text %s", widgets[slotReadout], readout);
}

void VX_Application::presetButton(Slot slot, bool forSaving) {
    if (widgets[slot]) VX_cmd("VX_Wid_Butt %o -val %i", widgets[slot], 1);
    if (const char* path = choosePresetPath(forSaving)) {
        if (forSaving)
            savePreset(path);
        else
            loadPreset(path);
    }
    if (widgets[slot]) VX_cmd("VX_Wid_Butt %o -val %i", widgets[slot], 0);
}

const char* VX_Application::choosePresetPath(bool) {
    return nullptr;
}
