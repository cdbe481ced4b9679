#include "VX/Nodes/VX_Effect_Dist.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

namespace {
// The shaper's loop counter is made for blocks of at most this many samples.
constexpr int32_t shaperBlock = 32768;
} // namespace

VX_Effect_Dist::VX_Effect_Dist() {
    updateLimits();
}

void VX_Effect_Dist::updateLimits() {
    shape.update([this](Shape& set) {
        const int32_t d = ceiling;
        VX_Fpu_Extended extended;
        set.limit =
            VX_trunc32(static_cast<long double>(d) * (1.0L - static_cast<long double>(softness)));
        set.knee = static_cast<int32_t>((static_cast<int64_t>(d) - set.limit) / 2);
    });
}

void VX_Effect_Dist::updateCoefficient() {
    shape.update([this](Shape& set) {
        const int32_t fs = clock;
        if (fs == 0) return;
        set.coefficient = VX_trunc32(static_cast<double>(rate) * 48000.0 / fs * 2147483647.0);
    });
}

void VX_Effect_Dist::process() {
    shape.tryRead(blockShape);
    const int32_t n = VX_common_length(input, output);
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out || n <= 0) return;
    const Shape s = blockShape;
    const int32_t f = flags;
    for (int32_t done = 0; done < n; done += shaperBlock) {
        const int32_t part = n - done < shaperBlock ? n - done : shaperBlock;
        VX_kern_shaper(
            in + done, out + done, part, &bias, s.limit, s.knee, s.coefficient, kneeShift, f);
    }
}

namespace {

VX_Effect_Dist* self(VX_Object* o) {
    return static_cast<VX_Effect_Dist*>(o);
}

VX_Object* create() {
    return new VX_Effect_Dist();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value ceilingOption(VX_Object* o, VX_value v) {
    VX_Effect_Dist* d = self(o);
    if (v.isNumber()) {
        d->ceiling = VX_trunc32(static_cast<double>(v.asFloat()) * 536870912.0);
        d->updateLimits();
    }
    return VX_value::real(static_cast<float>(d->ceiling / 536870912.0));
}

VX_value softnessOption(VX_Object* o, VX_value v) {
    VX_Effect_Dist* d = self(o);
    if (VX_take_double(d->softness, v)) d->updateLimits();
    return VX_value::real(static_cast<float>(d->softness));
}

VX_value rateOption(VX_Object* o, VX_value v) {
    VX_Effect_Dist* d = self(o);
    if (VX_take_float(d->rate, v)) d->updateCoefficient();
    return VX_value::real(d->rate);
}

VX_value flagsOption(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->flags, v);
    return VX_value::integer(self(o)->flags);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Dist_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("d", ceilingOption),
    VX_OPTION("s", softnessOption),
    VX_OPTION("k", rateOption),
    VX_OPTION("l", flagsOption),
    VX_PARENT(VX_Effect_options),
};
