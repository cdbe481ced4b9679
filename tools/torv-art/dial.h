// The dial: a knob cap in a round recess, a pointer on the cap and an orchid value arc around
// it. The knob's filmstrip and the host's icons draw it; `scale` 1 is the 64-pixel knob.
#pragma once

#include "canvas.h"

namespace art {

struct Dial {
    Point centre;
    double scale = 1;
    // Small sizes (icons of 16 to 32 pixels) drop the fine detail and thicken the strokes.
    bool small = false;

    // The dial's angle at value 0 ... 1: from 135 degrees left of straight up to 135 degrees right.
    static double angle(double value);

    // The recess, the unlit track and the cap: everything that stays when the value changes.
    void drawBody(Canvas& canvas) const;
    // The lit arc up to the value and the pointer at it.
    void drawValue(Canvas& canvas, double value) const;
};

} // namespace art
