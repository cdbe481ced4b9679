#include "VX/Wid/VX_Wid_Text_Base.h"

#include "VX/VX_numeric.h"
#include "VX/Wid/VX_Wid_Text.h"

#include <cstring>

void VX_Wid_Text_Base::update() {
    stale = true;
}

void VX_Wid_Text_Base::draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) {
    const char* t = text;
    if (stale.exchange(false) || t != rendered) {
        render(t);
        rendered = t;
    }
    VX_Wid_Pic::draw(dst, x, y, r);
}

void VX_Wid_Text_Base::makeFont() {}

void VX_Wid_Text_Base::render(const char*) {}

bool VX_Wid_Text_Base::sizeSurface() {
    if (picture.width != width || picture.height != height || !picture.data)
        picture.resize(width, height);
    return picture.data != nullptr;
}

void VX_Wid_Text_Base::clearSurface() {
    std::memset(static_cast<void*>(picture.data),
                0,
                sizeof(VX_Pix_A32) * static_cast<size_t>(int64_t(picture.width) * picture.height));
}

void VX_Wid_Text_Base::finishSurface() {
    VX_Pix_A32* p = picture.data;
    for (int64_t n = int64_t(picture.width) * picture.height; n > 0; --n, ++p)
        if (p->word() != 0) p->a = 255;
}

namespace {

VX_Wid_Text_Base* self(VX_Object* o) {
    return static_cast<VX_Wid_Text_Base*>(o);
}

VX_Object* create() {
    return new VX_Wid_Text();
}

// Kept by reference and not redrawn: the caller refreshes when it wants the change seen.
VX_value text(VX_Object* o, VX_value v) {
    if (v.type == VX_TYPE_STRING) self(o)->text = v.value.s;
    return VX_value::string(self(o)->text);
}

VX_value colour(VX_Object* o, VX_value v) {
    VX_wid_read_colour(v, self(o)->colour);
    return VX_value::integer(static_cast<int32_t>(self(o)->colour));
}

VX_value font(VX_Object* o, VX_value v) {
    if (v.type == VX_TYPE_STRING && v.value.s != self(o)->face) {
        self(o)->face = v.value.s;
        self(o)->makeFont();
    }
    return VX_value::string(self(o)->face);
}

VX_value size(VX_Object* o, VX_value v) {
    int32_t s = 0;
    if (VX_take_int(s, v) && s != self(o)->size) {
        self(o)->size = s;
        self(o)->makeFont();
    }
    return VX_value::integer(self(o)->size);
}

VX_value horizontal(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->horizontal, v);
    return VX_value::integer(self(o)->horizontal);
}

VX_value bold(VX_Object* o, VX_value v) {
    int32_t b = 0;
    if (VX_take_int(b, v) && (b != 0) != self(o)->bold) {
        self(o)->bold = b != 0;
        self(o)->makeFont();
    }
    return VX_value::integer(self(o)->bold ? 1 : 0);
}

} // namespace

// The table continues with the base widget's: a text widget has no "-res".
constinit const VX_Option_Entry VX_Wid_Text_options[] = {
    VX_CREATE(create),
    VX_OPTION("text", text),
    VX_OPTION("color", colour),
    VX_OPTION("font", font),
    VX_OPTION("size", size),
    VX_OPTION("horz", horizontal),
    VX_OPTION("bold", bold),
    VX_PARENT(VX_Wid_options),
};
