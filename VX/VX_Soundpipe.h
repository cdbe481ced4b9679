// A signal graph: an ordered chain of processing nodes and the chain of buffers they exchange
// samples through. One call of process() runs every node once, in chain order, over a block.
//
// Threads: built and changed by commands on the user-interface thread; process() runs on the
// audio thread. Nothing is locked: parameter changes write shared words that the next block
// reads, and nodes are never created, moved or deleted while process() runs. Which soundpipe
// is current is a matter of each thread: instances built on several threads at once never
// join each other's graphs.
#pragma once

#include "VX/Nodes/VX_node_fusion.h"
#include "VX/VX_Chain.h"
#include "VX/VX_Object.h"
#include "VX/VX_Shared.h"
#include "VX/VX_Thread_Word.h"

class VX_Effect;

class VX_Soundpipe : public VX_Object {
public:
    VX_Soundpipe();
    ~VX_Soundpipe() override;

    VX_Shared<int32_t> blockLength{0};
    VX_Chain nodes;                      // processing order
    VX_Effect* insertionPoint = nullptr; // new nodes go before it; null: at the end
    VX_Chain buffers;                    // creation order
    VX_Chain followers;                  // buffers whose length follows this block length
    // Runs a chain that has a fused form in one pass (the same bits), as it does from the
    // start; off: always node by node, which the tests compare the fused form with. Counts as
    // a change of settings, which is when the chain is looked at again.
    void setFused(bool on);

    // Runs one block. Allocates nothing and takes no lock. [audio thread]
    [[gnu::always_inline]] int process() {
        // A fused block crossfades nothing, so the buffers' fade states are only for the nodes.
        if (fusion.runQuick(nodes)) return 0;
        return processOtherwise();
    }
    // Zeroes every buffer's main array and resets every node's signal state.
    void clear();

    // The soundpipe that new buffers and nodes made on this thread join, or null.
    static VX_Thread_Word<VX_Soundpipe*> current;

private:
    // A block the fusion's quick path did not take: out of line, with nothing to pass.
    [[gnu::noinline]] int processOtherwise();
    int processNodes();

    VX_Node_Fusion fusion; // [audio thread]
};

extern const VX_Option_Entry VX_Soundpipe_options[];
