#include "VX/Nodes/VX_Effect_Lopass.h"

#include "VX/Kernels/VX_kernels.h"

void VX_Effect_Lopass::process() {
    const int32_t* in;
    int32_t* out;
    uint32_t a;
    const int32_t n = block(in, out, a);
    if (n > 0) VX_kern_lopass1[mode](in, out, n, &a, &state);
}

namespace {

VX_Object* create() {
    return new VX_Effect_Lopass();
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Lopass_options[] = {
    VX_CREATE(create),
    VX_PARENT(VX_Effect_Onepole_options),
};
