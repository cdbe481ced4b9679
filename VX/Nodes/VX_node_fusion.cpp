#include "VX/Nodes/VX_node_fusion.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_Effect_Bapass.h"
#include "VX/Nodes/VX_Effect_Copy.h"
#include "VX/Nodes/VX_Effect_Hipass.h"
#include "VX/VX_Buffer.h"

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

void VX_Node_Fusion::recognise(VX_Chain& nodes) {
    recognisedChanges = nodes.changes;
    bypass = outputCopy = nullptr;
    highpass = nullptr;
    bandpass = nullptr;
    if (nodes.count != 4) return;
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
    bypass = first;
    highpass = second;
    bandpass = third;
    outputCopy = fourth;
}

bool VX_Node_Fusion::run(VX_Chain& nodes) {
    if (nodes.changes != recognisedChanges) recognise(nodes);
    return bypass && runHighpass3();
}

bool VX_Node_Fusion::runHighpass3() {
    if (!steady(bypass) || !steady(highpass) || !steady(bandpass) || !steady(outputCopy))
        return false;
    const bool filtering = highpass->on;
    if (!bypass->on || !outputCopy->on || bandpass->on != filtering) return false;
    VX_Buffer* const in = bypass->input;
    VX_Buffer* const work = bypass->output;
    VX_Buffer* const out = outputCopy->output;
    if (!in || !work || !out || in == work || work == out || in == out) return false;
    if (!in->main || !work->main || !out->main) return false;
    if (!plainCopy(bypass, in, work) || !plainCopy(outputCopy, work, out)) return false;
    if (highpass->input != in || highpass->output != work || bandpass->input != in ||
        bandpass->output != work)
        return false;
    if (bandpass->mode != VX_MODE_SUB || bandpass->floating) return false;
    const int32_t n = in->length();
    if (n <= 0 || work->length() != n || out->length() != n) return false;

    if (filtering) {
        const uint32_t a = highpass->takeBlockCoefficient();
        const VX_Effect_Bapass::Coefficients& set = bandpass->takeBlockSet();
        VX_kern_highpass3(in->main,
                          work->main,
                          n,
                          a,
                          &highpass->state,
                          set.c0,
                          set.c1,
                          set.c2,
                          &bandpass->x1,
                          &bandpass->x2,
                          &bandpass->y1,
                          &bandpass->y2);
    } else {
        std::memcpy(work->main, in->main, sizeof(int32_t) * static_cast<size_t>(n));
    }
    std::memcpy(out->main, work->main, sizeof(int32_t) * static_cast<size_t>(n));
    return true;
}
