// Chains of nodes whose kernels have a fused form: one loop over the block that gives the bits
// the nodes give one after the other, without the block's trips through memory between them.
//
// The one chain known here is the third-order high-pass: a bypass copy A -> W, a one-pole
// high-pass A -> W, an integer band-pass A -> W in "sub" mode and a copy W -> B, with steps of 1,
// three distinct buffers of one length, every node on or both filters off, and no node switching
// in this block. Any other chain, any block that crossfades and any other setting of those nodes
// runs node by node, which stays the reference.
//
// The chain and the nodes' settings are looked at again only when the chain or the count of
// settings changes (VX_settings_changes) moved: code that changes a node's or a buffer's settings
// other than through a command must count its change as commands do.
#pragma once

#include "VX/Kernels/VX_kernels.h"
#include "VX/VX_Chain.h"
#include "VX/VX_Shared.h"
#include "VX/VX_cmd.h"

#include <cstdint>

class VX_Effect_Bapass;
class VX_Effect_Copy;
class VX_Effect_Hipass;

class VX_Node_Fusion {
public:
    // Off: no chain has a fused form. Read when the chain is looked at again, so a change
    // must count as a change of settings.
    VX_Shared<bool> enabled{true};

    // Runs one block of the chain in its fused form, if it has one and the block allows it;
    // false when the nodes must run it. [audio thread]
    bool run(VX_Chain& nodes) { return runQuick(nodes) || runOtherwise(nodes); }

    // Nearly every block filters with the coefficients of the block before: that one runs here,
    // inline, in the small blocks of automated hosts as much as in long ones. False when it
    // did not run the block. [audio thread]
    [[gnu::always_inline]] bool runQuick(const VX_Chain& nodes) {
        const uint32_t settings = VX_settings_changes.load(std::memory_order_acquire);
        if (nodes.changes != quickChanges || settings != recognisedSettings ||
            highpassCoefficient->count() != highpassSeen ||
            bandpassCoefficients->count() != bandpassSeen)
            return false;
        const int32_t n = lengthFrom->load();
        if (!fits(n)) return false;
        kernel.loop(in, work, out, n, kernel);
        return true;
    }
    // Any other block: as run(). [audio thread]
    bool runOtherwise(VX_Chain& nodes);

private:
    // The block after a change of the chain, of the settings or of the nodes' switching.
    bool runAfterChange(VX_Chain& nodes, uint32_t settings);
    // Finds out whether the chain has a fused form and what it runs on: again only when the
    // chain or any object's settings changed since, not every block.
    void recognise(VX_Chain& nodes, uint32_t settings);
    // Whether no node switches in this block and which form runs (filtering or copying).
    bool steadyBlock();
    // The block with the newest coefficients, or copying. [audio thread]
    bool runHighpass3();
    // Whether a block of n samples is one the buffers hold: in [1, length], one unsigned test.
    bool fits(int32_t n) const {
        return static_cast<uint32_t>(n) - 1u < static_cast<uint32_t>(length);
    }
    // This block's length, 0 when it is longer than the buffers or none.
    int32_t blockLength() const {
        const int32_t n = lengthFrom->load();
        return fits(n) ? n : 0;
    }

    uint32_t recognisedChanges = UINT32_MAX; // the chain's change count when last recognised
    // The same while the block before filtered in steady nodes (the kernel's constants taken),
    // otherwise UINT32_MAX: the quick path's three conditions in one comparison.
    uint32_t quickChanges = UINT32_MAX;
    uint32_t recognisedSettings = 0;  // the settings' change count then
    VX_Effect_Copy* bypass = nullptr; // null: no fused form
    VX_Effect_Hipass* highpass = nullptr;
    VX_Effect_Bapass* bandpass = nullptr;
    VX_Effect_Copy* outputCopy = nullptr;
    // Nodes switch only after a command: once a block is found steady, so are the next ones
    // until the count of settings moves (or the nodes ran a block themselves).
    bool steadyFound = false;
    bool filtering = false;
    const int32_t* in = nullptr; // the three buffers' arrays
    int32_t* work = nullptr;
    int32_t* out = nullptr;
    // The block's length: that of the soundpipe the buffers follow, up to `length`; without
    // one, `length` itself, from requestedLength. Set whenever a chain is recognised.
    const VX_Shared<int32_t>* lengthFrom = nullptr;
    int32_t length = 0;
    VX_Shared<int32_t> requestedLength{0};
    // The filters' coefficients as published, and the counts of the sets the kernel's
    // constants were last worked out from (read before the sets are taken: a set published
    // meanwhile only costs one more look); valid while quickChanges is not UINT32_MAX.
    const VX_Publication* highpassCoefficient = nullptr;
    const VX_Publication* bandpassCoefficients = nullptr;
    uint32_t highpassSeen = 0;
    uint32_t bandpassSeen = 0;
    // The kernel's states (set when recognised) and coefficients (written when they change).
    VX_Kern_Highpass3_Args kernel{};
};
