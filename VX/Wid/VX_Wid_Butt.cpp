#include "VX/Wid/VX_Wid_Butt.h"

#include "VX/VX_numeric.h"
#include "VX/Wid/VX_wid_options.h"

void VX_Wid_Butt::setState(bool on) {
    if (state.exchange(on) == on) return;
    refresh();
    if (command) command(data);
}

void VX_Wid_Butt::refresh() {
    frame = state ? 1 : 0;
    VX_Wid::refresh();
}

// A strip without the frame (not mapped, or a single frame) draws nothing.
void VX_Wid_Butt::draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) {
    strip.drawFrame(frame, dst, x, y, r);
}

// Transparent parts of the artwork do not react.
bool VX_Wid_Butt::hitTest(int32_t x, int32_t y) {
    return strip.pixel(frame, x, y).a >= 128;
}

void VX_Wid_Butt::press(int32_t, int32_t) {
    if (variable) {
        variable->value.raw = 0;
        variable->value.i = state ? 0 : 1;
        variable->type = VX_TYPE_INT;
        variable->apply(data);
    } else {
        setState(!state);
    }
}

namespace {

VX_Wid_Butt* self(VX_Object* o) {
    return static_cast<VX_Wid_Butt*>(o);
}

VX_Object* create() {
    return new VX_Wid_Butt();
}

VX_value value(VX_Object* o, VX_value v) {
    bool on = false;
    if (VX_take_flag(on, v)) self(o)->setState(on);
    return VX_value::real(self(o)->state ? 1.0f : 0.0f);
}

} // namespace

constinit const VX_Option_Entry VX_Wid_Butt_options[] = {
    VX_CREATE(create),
    VX_OPTION("res", VX_wid_strip_res<VX_Wid_Butt>),
    VX_OPTION("com", VX_wid_command<VX_Wid_Butt>),
    VX_OPTION("var", VX_wid_variable<VX_Wid_Butt>),
    VX_OPTION("val", value),
    VX_OPTION("dat", VX_wid_data<VX_Wid_Butt>),
    VX_PARENT(VX_Wid_options),
};
