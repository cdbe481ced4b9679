// Base of the generators: nodes with an output and no input. They write plain values whatever
// the output mode is.
#pragma once

#include "VX/VX_Effect.h"

class VX_Gener : public VX_Effect {
public:
    VX_Buffer* output = nullptr;
};

extern const VX_Option_Entry VX_Gener_options[];
