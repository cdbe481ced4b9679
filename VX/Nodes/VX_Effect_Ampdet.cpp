#include "VX/Nodes/VX_Effect_Ampdet.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

int32_t VX_Effect_Ampdet::coefficientFor(float frequency, int32_t clock) {
    if (frequency == 0.0f) return 0x7FFFFFFF;
    const double f = frequency;
    return VX_trunc32(f * 6746518852.261009 / (f * 3.141592653589793 + clock * 0.5));
}

void VX_Effect_Ampdet::updateCoefficients() {
    coefficients.update([this](Coefficients& set) {
        const int32_t fs = clock;
        if (fs == 0) return;
        set.rise = coefficientFor(rise, fs);
        set.fall = coefficientFor(fall, fs);
    });
}

// Either output may be missing; the block is as long as the input and the outputs present.
void VX_Effect_Ampdet::process() {
    coefficients.tryRead(blockSet);
    int32_t n = lengthOf(input);
    if (output) n = std::min(n, lengthOf(output));
    if (rectified) n = std::min(n, lengthOf(rectified));
    const int32_t* in = access(input);
    int32_t* out = access(output);
    int32_t* rect = access(rectified);
    if (!in || (!out && !rect) || n <= 0) return;
    VX_kern_ampdet[mode](in, out, rect, n, blockSet.rise, blockSet.fall, &envelope);
}

namespace {

VX_Effect_Ampdet* self(VX_Object* o) {
    return static_cast<VX_Effect_Ampdet*>(o);
}

VX_Object* create() {
    return new VX_Effect_Ampdet();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value rectifiedOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->rectified, v);
}

VX_value riseOption(VX_Object* o, VX_value v) {
    VX_Effect_Ampdet* a = self(o);
    if (VX_take_float(a->rise, v)) a->updateCoefficients();
    return VX_value::real(a->rise);
}

VX_value fallOption(VX_Object* o, VX_value v) {
    VX_Effect_Ampdet* a = self(o);
    if (VX_take_float(a->fall, v)) a->updateCoefficients();
    return VX_value::real(a->fall);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Ampdet_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("a", rectifiedOption),
    VX_OPTION("f1", riseOption),
    VX_OPTION("f2", fallOption),
    VX_PARENT(VX_Effect_options),
};
