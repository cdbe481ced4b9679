// The parts of a delay line: a group sums its taps into its own output and back into the ring;
// a tap reads the ring at a delay and scales what it reads. Both are made and addressed through
// options of their delay line, never by commands of their own. Their numbers are shared words:
// options set them, and the compilation before every block reads them.
#pragma once

#include "VX/VX_Chain.h"
#include "VX/VX_Object.h"
#include "VX/VX_Shared.h"

#include <cstdint>

class VX_Buffer;

class VX_Effect_Deline_Group_Delay : public VX_Object {
public:
    VX_Shared<int32_t> amplitude{0}; // 1.31
    // The time and its unit, set together by "-dt".
    struct Time {
        float value = 0.0f;    // seconds, or samples when inSamples
        int32_t inSamples = 0; // 1 when the time came as an integer
    };
    VX_Published<Time> time;
    Time compiledTime; // what the last compilation read [audio thread]

    void setTime(float value, bool samples) {
        time.update([&](Time& t) { t = Time{value, samples ? 1 : 0}; });
    }
    VX_Chain_Item item{this};
};

class VX_Effect_Deline_Group : public VX_Object {
public:
    ~VX_Effect_Deline_Group() override;

    VX_Shared<int32_t> feedback{0};    // 0.23
    VX_Shared<int32_t> gain{0x7FFFFF}; // 0.23, about 1.0
    VX_Buffer* output = nullptr;
    VX_Chain_Item item{this};
    VX_Chain taps; // VX_Effect_Deline_Group_Delay, in creation order
    VX_Effect_Deline_Group_Delay* currentTap = nullptr;

    // Destroys every tap; returns how many there were.
    int32_t clearTaps();
    // Whether the tap is one of this group's.
    bool has(const VX_Effect_Deline_Group_Delay* tap);
};
