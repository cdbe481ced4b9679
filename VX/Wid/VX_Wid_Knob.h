// A knob: a filmstrip whose frame shows the value, turned by dragging one frame per pixel (right
// or up turns it up). The value is never stored; it is derived from the frame.
#pragma once

#include "VX/VX_Vid.h"
#include "VX/Wid/VX_Wid.h"

class VX_Wid_Knob : public VX_Wid {
public:
    VX_Vid strip;
    int32_t pressX = 0; // the anchor of the current drag [ui thread]
    int32_t pressY = 0;
    int32_t framePress = 0;
    float minimum = 0.0f;
    float maximum = 100.0f;
    std::atomic<int32_t> frame{0};
    VX_Wid_Callback command = nullptr;
    void* data = nullptr;
    const char* resource = nullptr;
    VX_value* variable = nullptr;

    // (F - 1) (v - mn) / (mx - mn) in extended precision, truncated; not clamped, so values
    // outside the range give frames outside the strip. 0 when mx = mn.
    int32_t frameOf(float v) const;
    // mn + frame / (F - 1) (mx - mn).
    float valueOf(int32_t f) const;
    // What "-val" does with a value: a knob with a resource shows its frame and refreshes.
    void setValue(float v);

    // Redraws and calls the command callback, but only while attached and on a frame of the
    // strip.
    void refresh() override;
    void draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) override;
    bool hitTest(int32_t x, int32_t y) override;
    void press(int32_t x, int32_t y) override;
    void drag(int32_t x, int32_t y) override;
};

extern const VX_Option_Entry VX_Wid_Knob_options[];
