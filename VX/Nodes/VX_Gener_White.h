// Uniform white noise in steps of 2^16, from -2^30 to 2^30 - 2^16.
//
// The random numbers are those of the Windows C runtime's rand() (the linear congruence
// next = next * 214013 + 2531011, taking bits 16 to 30), computed here so that every target
// gives the same samples; each node starts from the runtime's initial seed, 1.
#pragma once

#include "VX/Nodes/VX_Gener.h"

class VX_Gener_White : public VX_Gener {
public:
    uint32_t seed = 1;

    void process() override; // [audio thread]

    // The next value of 0 .. 32767.
    int32_t nextRandom() {
        seed = seed * 214013u + 2531011u;
        return static_cast<int32_t>((seed >> 16) & 0x7FFF);
    }
};

extern const VX_Option_Entry VX_Gener_White_options[];
