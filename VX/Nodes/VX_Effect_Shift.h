// Pitch shifter that normalises the crossfade of its two sweeping taps by the stronger window
// and subtracts a delayed copy of its own output to cancel the weaker tap. A positive speed
// lowers the pitch by the factor 1 - speed / 16384, a negative one raises it.
#pragma once

#include "VX/Nodes/VX_Effect_Shifter.h"

class VX_Effect_Shift : public VX_Effect_Shifter {
public:
    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Shift_options[];
