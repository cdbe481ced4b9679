// A picture widget: a "VXIF" resource drawn over the widget's rectangle, repeated when the
// picture is smaller. It never reacts to the mouse.
#pragma once

#include "VX/Wid/VX_Wid.h"

class VX_Wid_Pic : public VX_Wid {
public:
    VX_Pic<VX_Pix_A32> picture;
    const char* resource = nullptr;

    void draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) override;
};

extern const VX_Option_Entry VX_Wid_Pic_options[];
