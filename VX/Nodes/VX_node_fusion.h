// Chains of nodes whose kernels have a fused form: one loop over the block that gives the bits
// the nodes give one after the other, without the block's trips through memory between them.
//
// The one chain known here is the third-order high-pass: a bypass copy A -> W, a one-pole
// high-pass A -> W, an integer band-pass A -> W in "sub" mode and a copy W -> B, with steps of 1,
// three distinct buffers of one length, every node on or both filters off, and no node switching
// in this block. Any other chain, any block that crossfades and any other setting of those nodes
// runs node by node, which stays the reference.
#pragma once

#include <cstdint>

class VX_Chain;
class VX_Effect_Bapass;
class VX_Effect_Copy;
class VX_Effect_Hipass;

class VX_Node_Fusion {
public:
    // Runs one block of the chain in its fused form, if it has one and the block allows it;
    // false when the nodes must run it. [audio thread]
    bool run(VX_Chain& nodes);

private:
    // Finds out whether the chain is one with a fused form; once per change of the chain.
    void recognise(VX_Chain& nodes);
    bool runHighpass3();

    uint32_t recognisedChanges = UINT32_MAX; // the chain's change count when last recognised
    VX_Effect_Copy* bypass = nullptr;        // null: no fused form
    VX_Effect_Hipass* highpass = nullptr;
    VX_Effect_Bapass* bandpass = nullptr;
    VX_Effect_Copy* outputCopy = nullptr;
};
