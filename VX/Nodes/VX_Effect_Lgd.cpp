#include "VX/Nodes/VX_Effect_Lgd.h"

#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

#include <cmath>

// In double precision; the mode is not used.
void VX_Effect_Lgd::process() {
    const int32_t n = VX_common_length(input, output);
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out || n <= 0) return;
    const double c = reference;
    double g = gain;
    for (int32_t i = 0; i < n; ++i) {
        const double x = in[i] * 4.656612873077393e-10; // 2^-31
        const double e = 0.01 / (g + 0.01);
        const double y = (1.0 - e) * c + x * e;
        const double d = x - c;
        // g stays at or below 0.1 on the second path, so the root's argument is positive.
        const double m =
            (d > 0.0 || g > 0.1) ? 1.0 : std::sqrt(1.0001 - (g - 0.1) * (g - 0.1) / 0.1 / 0.1);
        g = g + m * d * 0.1;
        if (g < 0.0) g = 0.0;
        out[i] = VX_trunc32_double(y * 2147483648.0);
    }
    gain = g;
}

namespace {

VX_Effect_Lgd* self(VX_Object* o) {
    return static_cast<VX_Effect_Lgd*>(o);
}

VX_Object* create() {
    return new VX_Effect_Lgd();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value referenceOption(VX_Object* o, VX_value v) {
    VX_take_double(self(o)->reference, v);
    return VX_value::real(static_cast<float>(self(o)->reference));
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Lgd_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("c", referenceOption),
    VX_PARENT(VX_Effect_options),
};
