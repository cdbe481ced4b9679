#include "VX/Nodes/VX_Effect_Oper.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_options.h"

void VX_Effect_Oper::process() {
    const int32_t* a = access(input1);
    const int32_t* b = access(input2);
    int32_t* out = access(output);
    if (!a || !b || !out) return;
    const int32_t n = VX_common_length(input1, input2, output);
    if (n > 0) VX_kern_oper[operation * VX_MODE_COUNT + mode](a, b, out, n);
}

namespace {

VX_Effect_Oper* self(VX_Object* o) {
    return static_cast<VX_Effect_Oper*>(o);
}

VX_Object* create() {
    return new VX_Effect_Oper();
}

VX_value input1Option(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input1, v);
}

VX_value input2Option(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input2, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value operOption(VX_Object* o, VX_value v) {
    const int found = VX_name_index(VX_oper_names, VX_OPER_COUNT, v);
    if (found >= 0) self(o)->operation = found;
    return VX_value::string(VX_oper_names[self(o)->operation]);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Oper_options[] = {
    VX_CREATE(create),
    VX_OPTION("i1", input1Option),
    VX_OPTION("i2", input2Option),
    VX_OPTION("o", outputOption),
    VX_OPTION("oper", operOption),
    VX_PARENT(VX_Effect_options),
};
