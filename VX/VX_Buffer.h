// One block of signal between the nodes of a soundpipe, with a second (shadow) array that
// carries the click-free crossfade when a node is switched on or off.
#pragma once

#include "VX/VX_Chain.h"
#include "VX/VX_Object.h"
#include "VX/VX_Soundpipe.h"

class VX_Soundpipe;

class VX_Buffer : public VX_Object {
public:
    // Requests above this many samples are refused (no storage): far beyond any block the
    // graph runs, and the kernels' loop counters are made for blocks of this size.
    static constexpr int32_t maxLength = 65536;

    VX_Buffer();
    ~VX_Buffer() override;

    int32_t requested = -1; // -1: follows the block length of a soundpipe; 0: no storage
    int32_t count = 0;      // samples in each of the two arrays
    const char* title = nullptr;
    int32_t* main = nullptr; // 2 * count samples in one piece; main is the first half
    int32_t* shadow = nullptr;
    int32_t* storage = nullptr; // what was allocated; main lies a little way into it
    int32_t position = 0;
    int32_t limit = 0x3fffffff; // largest expected magnitude, for diagnostics only
    VX_Soundpipe* followed = nullptr;
    int32_t fadeState = 0; // -1, 0 or +1 within one block
    VX_Chain_Item item{this};
    VX_Soundpipe* soundpipe = nullptr; // whose buffer chain the item is in
    VX_Chain_Item followerItem{this};  // in the followed soundpipe's followers

    // The length every user of the buffer takes. A buffer that follows a soundpipe whose block
    // length grew past its storage reports only what its storage holds.
    int32_t length() const {
        if (requested != -1) return requested;
        if (!followed) return 0;
        const int32_t n = followed->blockLength;
        if (n < 0) return 0;
        return n < count ? n : count;
    }
    // Frees the storage and allocates it again for the given requested length.
    void setLength(int32_t requestedLength);
    // Follows the block length of a soundpipe (null: none).
    void follow(VX_Soundpipe* soundpipe);
    // The array a node with transition t (0 steady, +1 switching on, -1 switching off) reads
    // or writes, after carrying out a pending crossfade. Null without storage. [audio thread]
    int32_t* access(int t);
};

extern const VX_Option_Entry VX_Buffer_options[];
