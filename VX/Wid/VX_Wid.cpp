#include "VX/Wid/VX_Wid.h"

#include "VX/VX_numeric.h"
#include "VX/Win/VX_Win.h"

VX_Wid::~VX_Wid() {
    attach(nullptr);
}

void VX_Wid::draw(VX_Pic_Base<VX_Pix_A32>&, int32_t, int32_t, const VX_Rect&) {}

void VX_Wid::update() {}

void VX_Wid::refresh() {
    update();
    if (VX_Win* w = window.load()) w->redraw(rect());
}

void VX_Wid::press(int32_t, int32_t) {}

void VX_Wid::drag(int32_t, int32_t) {}

bool VX_Wid::hitTest(int32_t, int32_t) {
    return true;
}

void VX_Wid::release() {}

void VX_Wid::attach(VX_Win* w) {
    if (VX_Win* old = window.exchange(nullptr)) old->remove(this);
    if (!w) return;
    w->add(this);
    window = w;
}

VX_Rect VX_Wid::rect() const {
    auto clamp = [](int64_t v) {
        return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
    };
    return {left, top, clamp(int64_t(left) + width), clamp(int64_t(top) + height)};
}

bool VX_wid_read_colour(const VX_value& v, uint32_t& out) {
    if (v.type == VX_TYPE_INT || v.type == VX_TYPE_OBJECT)
        out = static_cast<uint32_t>(v.value.raw);
    else if (v.type == VX_TYPE_FLOAT)
        out = static_cast<uint32_t>(VX_trunc32(v.value.f));
    else
        return false;
    return true;
}

bool VX_wid_read_object(const VX_value& v, void*& out) {
    if (v.type == VX_TYPE_OBJECT)
        out = v.value.p;
    else if (v.type == VX_TYPE_INT && v.value.i == 0)
        out = nullptr;
    else
        return false;
    return true;
}

namespace {

VX_Wid* self(VX_Object* o) {
    return static_cast<VX_Wid*>(o);
}

template <int32_t VX_Wid::*field> VX_value geometry(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->*field, v);
    return VX_value::integer(self(o)->*field);
}

VX_value win(VX_Object* o, VX_value v) {
    void* w = nullptr;
    if (VX_wid_read_object(v, w)) self(o)->attach(static_cast<VX_Win*>(w));
    return VX_value::object(self(o)->window.load());
}

template <std::atomic<int32_t> VX_Wid::*field> VX_value flag(VX_Object* o, VX_value v) {
    int32_t on = 0;
    if (VX_take_int(on, v)) {
        (self(o)->*field) = on != 0;
        self(o)->refresh();
    }
    return VX_value::integer(self(o)->*field);
}

} // namespace

constinit const VX_Option_Entry VX_Wid_options[] = {
    VX_ABSTRACT,
    VX_OPTION("l", geometry<&VX_Wid::left>),
    VX_OPTION("t", geometry<&VX_Wid::top>),
    VX_OPTION("w", geometry<&VX_Wid::width>),
    VX_OPTION("h", geometry<&VX_Wid::height>),
    VX_OPTION("win", win),
    VX_OPTION("vis", flag<&VX_Wid::visible>),
    VX_OPTION("enabled", flag<&VX_Wid::enabled>),
    VX_OPTION("delete", VX_Object_delete),
    VX_PARENT(VX_Object_options),
};
