// A two-state button drawn from a filmstrip (frame 0 off, frame 1 on). A press either writes
// the negated state into a bound variable, whose apply is expected to set the button back
// through "-val", or, with no variable, toggles the button itself.
#pragma once

#include "VX/VX_Vid.h"
#include "VX/Wid/VX_Wid.h"

class VX_Wid_Butt : public VX_Wid {
public:
    VX_Vid strip;
    std::atomic<bool> state{false};
    std::atomic<int32_t> frame{0};
    VX_Wid_Callback command = nullptr;
    void* data = nullptr;
    const char* resource = nullptr;
    VX_value* variable = nullptr;

    // A change of state refreshes the button and calls the command callback; the same state
    // again does nothing.
    void setState(bool on);

    void refresh() override;
    void draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) override;
    bool hitTest(int32_t x, int32_t y) override;
    void press(int32_t x, int32_t y) override;
};

extern const VX_Option_Entry VX_Wid_Butt_options[];
