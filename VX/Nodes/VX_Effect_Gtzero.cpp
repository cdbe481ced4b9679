#include "VX/Nodes/VX_Effect_Gtzero.h"

#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

// Always written in "set" manner, whatever the mode.
void VX_Effect_Gtzero::process() {
    const int32_t n = VX_common_length(input, output);
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out || n <= 0) return;
    const int32_t l = level;
    for (int32_t i = n - 1; i >= 0; --i) out[i] = in[i] > l ? in[i] : l;
}

namespace {

VX_Effect_Gtzero* self(VX_Object* o) {
    return static_cast<VX_Effect_Gtzero*>(o);
}

VX_Object* create() {
    return new VX_Effect_Gtzero();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value levelOption(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->level, v);
    return VX_value::integer(self(o)->level);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Gtzero_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("l", levelOption),
    VX_PARENT(VX_Effect_options),
};
