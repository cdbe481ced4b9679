#include "VX/Nodes/VX_Gener_Exp.h"

#include "VX/Nodes/VX_node_math.h"
#include "VX/Nodes/VX_node_numbers.h"

// Without a clock there is no time: the node writes nothing and its envelope does not advance.
void VX_Gener_Exp::process() {
    const int32_t n = lengthOf(output);
    int32_t* out = access(output);
    const int32_t rate = clock;
    const float from = start, decay = time;
    if (!out || n <= 0 || rate <= 0) return;
    VX_Fpu_Extended extended;
    const double fs = rate;
    for (int32_t i = 0; i < n; ++i) {
        const double t = counter / fs;
        double e = 1.0;
        if (!(t <= from)) e = static_cast<double>(VX_exp_ext(-(t - from) / decay));
        out[i] = VX_trunc32_double(e * 33554432.0);
        counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
    }
}

namespace {

VX_Gener_Exp* self(VX_Object* o) {
    return static_cast<VX_Gener_Exp*>(o);
}

VX_Object* create() {
    return new VX_Gener_Exp();
}

VX_value startOption(VX_Object* o, VX_value v) {
    VX_take_float(self(o)->start, v);
    return VX_value::real(self(o)->start);
}

VX_value timeOption(VX_Object* o, VX_value v) {
    VX_take_float(self(o)->time, v);
    return VX_value::real(self(o)->time);
}

} // namespace

constinit const VX_Option_Entry VX_Gener_Exp_options[] = {
    VX_CREATE(create),
    VX_OPTION("beg", startOption),
    VX_OPTION("time", timeOption),
    VX_PARENT(VX_Gener_options),
};
