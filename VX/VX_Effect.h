// Base of every processing node: its place in a soundpipe's chain, the output mode, the sample
// clock, the on/off switch with its one-block crossfade, and the per-block calls.
//
// Threads: options run on the thread that issues commands; process(), prepare() and reset()
// run on the audio thread. The words options change while the graph runs (mode, clock, the on
// request, frequencies, coefficients) are shared words that the next block reads; nothing is
// locked.
#pragma once

#include "VX/VX_Chain.h"
#include "VX/VX_Object.h"
#include "VX/VX_Shared.h"

class VX_Buffer;
class VX_Soundpipe;

class VX_Effect : public VX_Object {
public:
    VX_Effect();
    ~VX_Effect() override;

    virtual void process() {}                   // one block [audio thread]
    virtual void prepare() { prepared = true; } // make ready to process [audio thread]
    virtual void clockChanged() {}              // after "-clock" stored a new clock
    virtual void reset() {}                     // clear the signal state [audio thread]

    VX_Chain_Item item{this};
    VX_Shared<bool> prepared{false};
    VX_Shared<int32_t> mode{0}; // output mode, VX_Mode
    VX_Shared<int32_t> clock{0};
    bool on = true;                    // the state during the last block [audio thread]
    VX_Shared<bool> requestedOn{true}; // set by "-on"
    VX_Shared<bool> debug{false};
    VX_Soundpipe* soundpipe = nullptr;

    // 0 steady, +1 first block after switching on, -1 last block before switching off.
    int transition() const { return blockTransition; }
    // The array of a buffer for this block, through the crossfade; null without a buffer or
    // storage. Call once per buffer and block. [audio thread]
    int32_t* access(VX_Buffer* buffer) const;
    // A buffer's length, 0 when there is none.
    static int32_t lengthOf(const VX_Buffer* buffer);

private:
    friend class VX_Soundpipe;
    int blockTransition = 0; // fixed by the soundpipe for the block being run
};

extern const VX_Option_Entry VX_Effect_options[];

// Reads an option's object value: only references are taken, anything else leaves the target
// as it was (a stray number must never become a pointer).
template <typename T> void VX_set_object(T*& target, const VX_value& v) {
    if (v.type == VX_TYPE_OBJECT) target = static_cast<T*>(v.value.p);
}
