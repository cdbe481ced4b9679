// First-order low-pass, written through the output mode.
#pragma once

#include "VX/Nodes/VX_Effect_Onepole.h"

class VX_Effect_Lopass : public VX_Effect_Onepole {
public:
    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Lopass_options[];
