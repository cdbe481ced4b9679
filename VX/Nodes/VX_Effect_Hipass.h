// First-order high-pass: the input minus its one-pole low-pass. Always writes its output in
// "set" manner; the output mode does not apply to it.
#pragma once

#include "VX/Nodes/VX_Effect_Onepole.h"

class VX_Effect_Hipass : public VX_Effect_Onepole {
public:
    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Hipass_options[];
