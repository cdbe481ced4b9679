#include "VX/Wid/VX_Wid_Knob.h"

#include "VX/VX_numeric.h"
#include "VX/Wid/VX_wid_options.h"
#include "VX/Win/VX_Win.h"

int32_t VX_Wid_Knob::frameOf(float v) const {
    if (maximum == minimum) return 0;
    const long double span = static_cast<long double>(strip.frameCount - 1);
    return VX_trunc32(span * (static_cast<long double>(v) - minimum) /
                      (static_cast<long double>(maximum) - minimum));
}

// A strip of one frame has no steps to divide by; it is treated as a strip without frames.
float VX_Wid_Knob::valueOf(int32_t f) const {
    const double steps = strip.frameCount > 1 ? strip.frameCount - 1 : 1;
    return static_cast<float>(minimum + f / steps * (static_cast<double>(maximum) - minimum));
}

void VX_Wid_Knob::setValue(float v) {
    if (!resource) return;
    frame = frameOf(v);
    refresh();
}

void VX_Wid_Knob::refresh() {
    const int32_t f = frame;
    VX_Win* w = window.load();
    if (!w || !resource || f < 0 || f >= strip.frameCount) return;
    update();
    w->redraw(rect());
    if (command) command(data);
}

void VX_Wid_Knob::draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) {
    strip.drawFrame(frame, dst, x, y, r);
}

bool VX_Wid_Knob::hitTest(int32_t x, int32_t y) {
    return strip.pixel(frame, x, y).a >= 128;
}

void VX_Wid_Knob::press(int32_t x, int32_t y) {
    pressX = x;
    pressY = y;
    framePress = frame;
}

void VX_Wid_Knob::drag(int32_t x, int32_t y) {
    const int32_t count = strip.frameCount;
    if (count <= 0) return;
    int64_t f = int64_t(framePress) + (int64_t(x) - pressX) - (int64_t(y) - pressY);
    if (f < 0 || f >= count) {
        // Past either end the anchor follows the mouse, so that moving back turns the knob at
        // once.
        pressX = x;
        pressY = y;
        f = f < 0 ? 0 : count - 1;
        framePress = static_cast<int32_t>(f);
    }
    frame = static_cast<int32_t>(f);
    if (variable) {
        variable->value.raw = 0;
        variable->value.f = valueOf(frame);
        variable->type = VX_TYPE_FLOAT;
        variable->length = -1;
        variable->apply(data);
    } else {
        refresh();
    }
}

namespace {

VX_Wid_Knob* self(VX_Object* o) {
    return static_cast<VX_Wid_Knob*>(o);
}

VX_Object* create() {
    return new VX_Wid_Knob();
}

VX_value value(VX_Object* o, VX_value v) {
    if (v.isNumber()) self(o)->setValue(v.asFloat());
    return VX_value::real(self(o)->valueOf(self(o)->frame));
}

// A range change keeps the value: the frame is computed again for the new range.
template <float VX_Wid_Knob::*bound> VX_value range(VX_Object* o, VX_value v) {
    VX_Wid_Knob* k = self(o);
    if (v.isNumber()) {
        const float current = k->valueOf(k->frame);
        k->*bound = v.asFloat();
        k->setValue(current);
    }
    return VX_value::real(k->*bound);
}

} // namespace

constinit const VX_Option_Entry VX_Wid_Knob_options[] = {
    VX_CREATE(create),
    VX_OPTION("res", VX_wid_strip_res<VX_Wid_Knob>),
    VX_OPTION("com", VX_wid_command<VX_Wid_Knob>),
    VX_OPTION("val", value),
    VX_OPTION("dat", VX_wid_data<VX_Wid_Knob>),
    VX_OPTION("mn", range<&VX_Wid_Knob::minimum>),
    VX_OPTION("mx", range<&VX_Wid_Knob::maximum>),
    VX_OPTION("var", VX_wid_variable<VX_Wid_Knob>),
    VX_PARENT(VX_Wid_options),
};
