// Application template: what a framework application does, whatever it is hosted in.
#pragma once

#include "VX/VX_value.h"

class VX_Win;

class VX_Apptpl {
public:
    VX_Apptpl() = default;
    virtual ~VX_Apptpl() = default;

    virtual void build() = 0;             // make the signal graph and the widgets
    virtual void attach(VX_Win* win) = 0; // put the widgets into a window
    virtual void detach() = 0;            // take them out again
    virtual void destroy() = 0;           // delete the widgets

    // State as one block of data for a host; by default there is none.
    virtual int usesChunks() { return 0; }
    virtual VX_value saveChunk() { return VX_EMPTY; }
    virtual void loadChunk(VX_value) {}
};
