#include "VX/Wid/VX_Wid_Pic.h"

#include "VX/VX_cfuncs.h"

void VX_Wid_Pic::draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) {
    VX_Pic_Base<VX_Pix_A32>::blend(picture, dst, x, y, r);
}

namespace {

VX_Wid_Pic* self(VX_Object* o) {
    return static_cast<VX_Wid_Pic*>(o);
}

VX_Object* create() {
    return new VX_Wid_Pic();
}

// A widget without a size takes the picture's.
VX_value res(VX_Object* o, VX_value v) {
    VX_Wid_Pic* p = self(o);
    if (v.type == VX_TYPE_STRING) {
        p->resource = v.value.s;
        p->picture.map(VX_resource(p->resource));
        if (p->width == 0) p->width = p->picture.width;
        if (p->height == 0) p->height = p->picture.height;
    }
    return VX_value::string(p->resource);
}

} // namespace

constinit const VX_Option_Entry VX_Wid_Pic_options[] = {
    VX_CREATE(create),
    VX_OPTION("res", res),
    VX_PARENT(VX_Wid_options),
};
