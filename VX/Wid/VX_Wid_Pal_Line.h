// The colours, range and geometry of a level meter (VX_Wid_Pal). Not made by commands: the
// caller constructs it, hands it to the meter with "-ln" and keeps it alive as long as the
// meter.
#pragma once

#include <cstdint>

class VX_Wid_Pal_Line {
public:
    struct Box {
        int32_t minX, minY, maxX, maxY;
    };

    VX_Wid_Pal_Line();

    uint32_t background = 0; // pixel words 0xAARRGGBB
    uint32_t key = 0;        // the two colour channels that are not the index
    uint32_t on = 0;         // below the threshold
    uint32_t high = 0;       // at or above the threshold
    int32_t channel = 0;     // the index channel: 0 blue, 1 green, 2 red
    float level = 0.0f;
    float threshold = 0.0f; // in the 0 ... 1 scale of positions
    int32_t minimum = 0;    // index range, 0 ... 255
    int32_t maximum = 0;
    bool prepared = false;
    Box boxes[256]; // bounding box of every index's pixels; empty: {INT_MAX, INT_MAX, 0, 0}
};
