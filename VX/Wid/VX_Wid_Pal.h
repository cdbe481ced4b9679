// A level meter: the artist draws the segments into a "VXIF" picture and writes each segment
// pixel's position along the meter (an index) into one colour channel, the other two holding a
// key colour. A level change recolours only the indices between the old and the new level, in
// the "on" or "high" colour below and above the threshold, or in the background colour, with
// a fractional blend at the boundary.
#pragma once

#include "VX/Wid/VX_Wid_Pal_Line.h"
#include "VX/Wid/VX_Wid_Pic.h"

class VX_Wid_Pal : public VX_Wid_Pic {
public:
    VX_Pic<VX_Pix_A32> source; // mapped from the resource, never written; `picture` is shown
    VX_Wid_Pal_Line* line = nullptr;

    // Sets the level (0 ... 1) and repaints the indices it passes; refreshes unless told not
    // to. Returns 0 without a line.
    int level(float v, bool noRefresh);

    // "-ln": the line to use.
    static VX_value m_ln(VX_Object* o, VX_value v);

private:
    void prepare();
    bool matches(VX_Pix_A32 p, int32_t index) const;
    void paintIndex(int32_t index, uint32_t colour);
};

extern const VX_Option_Entry VX_Wid_Pal_options[];
