// The editor's widgets: the 210 x 236 panel made of the artwork's pieces, the on/off button, the
// labels, the cutoff knob and its read-out, and what the parameters' hooks show on them.
#include "plugin/VX_Application.h"

#include "plugin/highpass_law.h"
#include "plugin/torv_strings.h"

namespace {

// The panel's layout: frame pieces of 10 x 10, the control group inside the outer frame.
constexpr int32_t piece = 10;
constexpr int32_t groupLeft = 10;
constexpr int32_t groupTop = 56;
constexpr int32_t groupWidth = 190;
constexpr int32_t groupHeight = 170;
constexpr int32_t badgeWidth = 160;

const char* const titleFont = "Tahoma";
constexpr int32_t labelSize = 12;
constexpr int32_t cutoffLabelColour = 0xE0C0C0;
constexpr int32_t readoutColour = 0xB0B0B0;

} // namespace

int32_t VX_Application::editorWidth() {
    return groupWidth + 2 * piece;
}

int32_t VX_Application::editorHeight() {
    return groupHeight + 66;
}

void VX_Application::buildWidgets() {
    const int32_t W = width, H = height, p = piece;
    const int32_t gl = groupLeft, gt = groupTop, gw = groupWidth, gh = groupHeight;
    auto make = [this](Slot slot, const char* command, auto... args) {
        VX_Object* w = nullptr;
        // A command that fails reports itself; its slot stays empty and is skipped.
        if (VX_cmd(command, &w, args...) != VX_OK) w = nullptr;
        widgets[slot] = w;
    };

    make(slotBackground, "VX_Wid_Pic -w %i -h %i -l 0 -t 0 -res bgnd", W, H);
    make(slotBadge, "VX_Wid_Pic -l %i -t 8 -res badge", (W - badgeWidth) / 2);
    make(slotTitle,
         "VX_Wid_Text -l 10 -t 35 -h 20 -w %i -text %s -font %s -size 12",
         W - 2 * p,
         torvEffectName,
         titleFont);

    make(slotOuterLeftTop, "VX_Wid_Pic -w 10 -h 10 -l 0 -t 0 -res alt");
    make(slotOuterMiddleTop, "VX_Wid_Pic -w %i -h 10 -l 10 -t 0 -res amt", W - 2 * p);
    make(slotOuterRightTop, "VX_Wid_Pic -w 10 -h 10 -l %i -t 0 -res art", W - p);
    make(slotOuterLeftMiddle, "VX_Wid_Pic -w 10 -h %i -l 0 -t 10 -res alm", H - 2 * p);
    make(slotOuterRightMiddle, "VX_Wid_Pic -w 10 -h %i -l %i -t 10 -res arm", H - 2 * p, W - p);
    make(slotOuterLeftBottom, "VX_Wid_Pic -w 10 -h 10 -l 0 -t %i -res alb", H - p);
    make(slotOuterMiddleBottom, "VX_Wid_Pic -w %i -h 10 -l 10 -t %i -res amb", W - 2 * p, H - p);
    make(slotOuterRightBottom, "VX_Wid_Pic -w 10 -h 10 -l %i -t %i -res arb", W - p, H - p);

    const char* const group = "VX_Wid_Pic -w %i -h %i -l %i -t %i -res %s";
    const int32_t right = gl + gw - p, bottom = gt + gh - p;
    make(slotGroupLeftTop, group, p, p, gl, gt, "glt");
    make(slotGroupMiddleTop, group, gw - 2 * p, p, gl + p, gt, "gmt");
    make(slotGroupRightTop, group, p, p, right, gt, "grt");
    make(slotGroupLeftMiddle, group, p, gh - 2 * p, gl, gt + p, "glm");
    // The centre reaches 4 pixels under the frame pieces all round.
    make(slotGroupMiddle, group, gw - 2 * p + 8, gh - 2 * p + 8, gl + p - 4, gt + p - 4, "gmm");
    make(slotGroupRightMiddle, group, p, gh - 2 * p, right, gt + p, "grm");
    make(slotGroupLeftBottom, group, p, p, gl, bottom, "glb");
    make(slotGroupMiddleBottom, group, gw - 2 * p, p, gl + p, bottom, "gmb");
    make(slotGroupRightBottom, group, p, p, right, bottom, "grb");

    make(slotStateButton,
         "VX_Wid_Butt -w 40 -h 24 -l %i -t %i -res but -var %o -dat %o",
         gl + 11,
         gt + 11,
         &params[paramState],
         this);
    make(slotFilterLabel,
         "VX_Wid_Text -l %i -t %i -w 80 -h 16 -color 0x00A57BBD -horz -1 -text Filter",
         gl + 52,
         gt + 14);
    make(slotCutoffLabel,
         "VX_Wid_Text -font %s -size %i -color %i -text %s -l %i -t %i -w 96 -h 18",
         titleFont,
         labelSize,
         cutoffLabelColour,
         "Cutoff frequency",
         gl + 45,
         gt + 48);
    make(slotKnob,
         "VX_Wid_Knob -w 64 -h 64 -l %i -t %i -res big -mn 20 -mx 10000 -var %o -dat %o",
         gl + 61,
         gt + 70,
         &params[paramFrequency],
         this);
    make(slotReadout,
         "VX_Wid_Text -font %s -size %i -color %i -text %s -l %i -t %i -w 64 -h 18",
         titleFont,
         labelSize,
         readoutColour,
         "value",
         gl + 61,
         gt + 138);
}

void VX_Application::attach(VX_Win* win) {
    window = win;
    presetDialog.owner = win;
    for (VX_Object* w : widgets)
        if (w) VX_cmd("VX_Wid %o -win %o", w, win);
}

void VX_Application::detach() {
    for (VX_Object* w : widgets)
        if (w) VX_cmd("VX_Wid %o -win 0", w);
}

void VX_Application::destroyWidgets() {
    for (int slot = slotCount - 1; slot >= 0; --slot) {
        if (widgets[slot])
            VX_cmd("%o -delete", widgets[slot]);
        else
            std::printf("NULL WIDGET\n");
        widgets[slot] = nullptr;
    }
    for (Param& p : params) p.widget = nullptr;
    window = nullptr;
    presetDialog.owner = nullptr;
}

void VX_Application::showState(bool on) {
    if (widgets[slotStateButton])
        VX_cmd("VX_Wid_Butt %o -val %i", widgets[slotStateButton], on ? 1 : 0);
    // The "Filter" label stays as it is: it names the button.
    for (Slot slot : {slotCutoffLabel, slotKnob, slotReadout})
        if (widgets[slot]) VX_cmd("VX_Wid %o -enabled %i", widgets[slot], on ? 1 : 0);
}

void VX_Application::showFrequency(float knobValue, float cutoffHz) {
    if (widgets[slotKnob])
        VX_cmd("VX_Wid_Knob %o -val %f", widgets[slotKnob], static_cast<double>(knobValue));
    // The read-out keeps a reference to its text. Each change writes the next text of a small
    // ring, so the reference changes (the read-out renders it anew) and a text being rendered
    // on the window's thread is not the one being written.
    const uint32_t next = (readoutIndex.load(std::memory_order_relaxed) + 1) % readoutRing;
    char* text = readoutTexts[next];
    highpass_law::readout(text, sizeof readoutTexts[next], cutoffHz);
    readoutIndex.store(next, std::memory_order_release);
    if (auto* readout = static_cast<VX_Wid*>(widgets[slotReadout])) {
        VX_cmd("VX_Wid_Text %o -text %s", readout, text);
        readout->refresh();
    }
}

const char* VX_Application::readoutText() const {
    return readoutTexts[readoutIndex.load(std::memory_order_acquire)];
}
