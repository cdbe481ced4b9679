#include "VX/Nodes/VX_Effect_Koef.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_options.h"

#include <cmath>

int32_t VX_Effect_Koef::scaled(float value) {
    VX_Fpu_Extended extended;
    static constexpr long double oneOver127 = 1.0L / 127.0L;
    const long double k = static_cast<long double>(value) * oneOver127 * 2147483648.0L;
    if (std::isnan(k)) return 0;
    if (k >= 2147483648.0L) return INT32_MAX;
    if (k <= -2147483649.0L) return INT32_MIN;
    return VX_trunc32(k);
}

void VX_Effect_Koef::process() {
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out) return;
    const int32_t n = VX_common_length(input, output);
    if (n > 0) VX_kern_koef[operation * VX_MODE_COUNT + mode](in, out, n, k.load());
}

namespace {

VX_Effect_Koef* self(VX_Object* o) {
    return static_cast<VX_Effect_Koef*>(o);
}

VX_Object* create() {
    return new VX_Effect_Koef();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value operOption(VX_Object* o, VX_value v) {
    const int found = VX_name_index(VX_oper_names, VX_OPER_COUNT, v);
    if (found >= 0) self(o)->operation = found;
    return VX_value::string(VX_oper_names[self(o)->operation]);
}

VX_value kOption(VX_Object* o, VX_value v) {
    if (v.isNumber()) self(o)->k = VX_Effect_Koef::scaled(v.asFloat());
    return VX_value::integer(self(o)->k);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Koef_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("oper", operOption),
    VX_OPTION("k", kOption),
    VX_PARENT(VX_Effect_options),
};
