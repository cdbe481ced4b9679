// Pitch shifter that outputs the plain crossfade of its two sweeping taps. A positive speed
// lowers the pitch by the factor 1 - speed / 16384, a negative one raises it.
#pragma once

#include "VX/Nodes/VX_Effect_Shifter.h"

class VX_Effect_Nshift : public VX_Effect_Shifter {
public:
    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Nshift_options[];
