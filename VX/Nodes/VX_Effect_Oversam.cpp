#include "VX/Nodes/VX_Effect_Oversam.h"

#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

// Fills the output (at most eight samples per input sample there is), running from 8 m0 at the
// start of each group of eight toward 8 m1, in 32-bit wrapping arithmetic.
void VX_Effect_Oversam::process() {
    const int32_t inLength = lengthOf(input);
    const int32_t outLength = lengthOf(output);
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out || inLength <= 0 || outLength <= 0) return;
    const int32_t n =
        static_cast<int32_t>(std::min<int64_t>(outLength, static_cast<int64_t>(inLength) * ratio));
    for (int32_t i = 0; i < n; ++i) {
        const int32_t j = i / ratio;
        const uint32_t a = static_cast<uint32_t>(i % ratio);
        if (a == 0) {
            d = e;
            m0 = m1;
            m1 = m2;
            m2 = in[j] / 8;
            e = (m2 - m0) / 2 / 8;
        }
        const uint32_t before = 8u - a;
        const uint32_t v = before * (a * static_cast<uint32_t>(d) + static_cast<uint32_t>(m0)) +
                           a * (static_cast<uint32_t>(m1) - before * static_cast<uint32_t>(e));
        out[i] = static_cast<int32_t>(v);
    }
}

namespace {

VX_Effect_Oversam* self(VX_Object* o) {
    return static_cast<VX_Effect_Oversam*>(o);
}

VX_Object* create() {
    return new VX_Effect_Oversam();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value factorOption(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->factor, v);
    return VX_value::integer(self(o)->factor);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Oversam_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("k", factorOption),
    VX_PARENT(VX_Effect_options),
};
