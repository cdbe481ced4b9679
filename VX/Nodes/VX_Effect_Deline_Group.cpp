#include "VX/Nodes/VX_Effect_Deline_Group.h"

VX_Effect_Deline_Group::~VX_Effect_Deline_Group() {
    clearTaps();
}

int32_t VX_Effect_Deline_Group::clearTaps() {
    int32_t removed = 0;
    taps.forEach<VX_Effect_Deline_Group_Delay>([&](VX_Effect_Deline_Group_Delay* tap) {
        taps.remove(&tap->item);
        delete tap;
        ++removed;
    });
    currentTap = nullptr;
    return removed;
}

bool VX_Effect_Deline_Group::has(const VX_Effect_Deline_Group_Delay* tap) {
    for (VX_Chain_Item* i = taps.first(); !taps.isEnd(i); i = i->next)
        if (i->data == tap) return true;
    return false;
}
