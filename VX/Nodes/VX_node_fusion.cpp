#include "VX/Nodes/VX_node_fusion.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_Effect_Bapass.h"
#include "VX/Nodes/VX_Effect_Copy.h"
#include "VX/Nodes/VX_Effect_Hipass.h"
#include "VX/VX_Buffer.h"
#include "VX/VX_cmd.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace {

// Exactly this class: a subclass may process differently.
template <typename T> T* exactly(VX_Effect* e) {
    return typeid(*e) == typeid(T) ? static_cast<T*>(e) : nullptr;
}

// A copy the fused form can stand in for: contiguous, "set", from `in` to `out`.
bool plainCopy(const VX_Effect_Copy* c, const VX_Buffer* in, const VX_Buffer* out) {
    return c->input == in && c->output == out && c->mode == VX_MODE_SET && c->inputStep == 1 &&
           c->outputStep == 1;
}

// Neither switching in this block nor waiting to be prepared.
bool steady(const VX_Effect* e) {
    return e->prepared && e->on == e->requestedOn;
}

} // namespace

void VX_Node_Fusion::recognise(VX_Chain& nodes, uint32_t settings) {
    recognisedChanges = nodes.changes;
    recognisedSettings = settings;
    bypass = outputCopy = nullptr;
    quickChanges = UINT32_MAX;
    if (!enabled || nodes.count != 4) return;
    VX_Effect* e[4];
    VX_Chain_Item* item = nodes.first();
    for (VX_Effect*& node : e) {
        node = static_cast<VX_Effect*>(item->data);
        item = item->next;
    }
    VX_Effect_Copy* first = exactly<VX_Effect_Copy>(e[0]);
    VX_Effect_Hipass* second = exactly<VX_Effect_Hipass>(e[1]);
    VX_Effect_Bapass* third = exactly<VX_Effect_Bapass>(e[2]);
    VX_Effect_Copy* fourth = exactly<VX_Effect_Copy>(e[3]);
    if (!first || !second || !third || !fourth) return;

    VX_Buffer* const a = first->input;
    VX_Buffer* const w = first->output;
    VX_Buffer* const b = fourth->output;
    if (!a || !w || !b || a == w || w == b || a == b) return;
    if (!a->main || !w->main || !b->main) return;
    if (!plainCopy(first, a, w) || !plainCopy(fourth, w, b)) return;
    if (second->input != a || second->output != w || third->input != a || third->output != w)
        return;
    if (third->mode != VX_MODE_SUB || third->floating) return;
    // One length for all three: requested alike, or following one soundpipe (up to the
    // shortest storage; a longer block runs node by node).
    if (a->requested != w->requested || w->requested != b->requested) return;
    if (a->requested == -1) {
        if (!a->followed || a->followed != w->followed || w->followed != b->followed) return;
        lengthFrom = &a->followed->blockLength;
        length = std::min({a->count, w->count, b->count});
    } else {
        length = a->requested;
        requestedLength = length;
        lengthFrom = &requestedLength;
    }
    if (length <= 0) return;

    in = a->main;
    work = w->main;
    out = b->main;
    bypass = first;
    highpass = second;
    bandpass = third;
    highpassCoefficient = &second->coefficient;
    bandpassCoefficients = &third->coefficients;
    kernel.onepole = &second->state;
    kernel.section = &third->state;
    outputCopy = fourth;
}

bool VX_Node_Fusion::runOtherwise(VX_Chain& nodes) {
    const uint32_t settings = VX_settings_changes.load(std::memory_order_acquire);
    if (nodes.changes != recognisedChanges || settings != recognisedSettings || !steadyFound)
        return runAfterChange(nodes, settings);
    return runHighpass3();
}

bool VX_Node_Fusion::runAfterChange(VX_Chain& nodes, uint32_t settings) {
    if (nodes.changes != recognisedChanges || settings != recognisedSettings) {
        recognise(nodes, settings);
        steadyFound = false;
    }
    if (!bypass) return false;
    if (!steadyFound && !steadyBlock()) return false; // the nodes run it, and may switch
    return runHighpass3();
}

bool VX_Node_Fusion::steadyBlock() {
    if (!steady(bypass) || !steady(highpass) || !steady(bandpass) || !steady(outputCopy))
        return false;
    filtering = highpass->on;
    if (!bypass->on || !outputCopy->on || bandpass->on != filtering) return false;
    steadyFound = true;
    return true;
}

bool VX_Node_Fusion::runHighpass3() {
    const int32_t n = blockLength();
    if (n <= 0) return false;

    if (filtering) {
        highpassSeen = highpassCoefficient->count();
        bandpassSeen = bandpassCoefficients->count();
        const uint32_t a = highpass->takeBlockCoefficient();
        const VX_Effect_Bapass::Coefficients& set = bandpass->takeBlockSet();
        // The kernel's constants are worked out again only when the coefficients change.
        if (a != kernel.a || set.c0 != kernel.c0 || set.c1 != kernel.c1 || set.c2 != kernel.c2)
            VX_kern_highpass3_coefficients(kernel, a, set.c0, set.c1, set.c2);
        quickChanges = recognisedChanges;
        kernel.loop(in, work, out, n, kernel);
    } else {
        std::memcpy(work, in, sizeof(int32_t) * static_cast<size_t>(n));
        std::memcpy(out, in, sizeof(int32_t) * static_cast<size_t>(n));
    }
    return true;
}
