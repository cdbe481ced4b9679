#include "VX/Nodes/VX_Effect_Zero.h"

#include "VX/Nodes/VX_node_options.h"

void VX_Effect_Zero::process() {
    int32_t* out = access(output);
    const int32_t n = lengthOf(output);
    if (!out) return;
    for (int32_t k = n - 1; k >= 0; --k) out[k] = 0;
}

namespace {

VX_Effect_Zero* self(VX_Object* o) {
    return static_cast<VX_Effect_Zero*>(o);
}

VX_Object* create() {
    return new VX_Effect_Zero();
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Zero_options[] = {
    VX_CREATE(create),
    VX_OPTION("o", outputOption),
    VX_PARENT(VX_Effect_options),
};
