#include "VX/Nodes/VX_Effect_Onepole.h"

#include "VX/Nodes/VX_node_options.h"

uint32_t VX_Effect_Onepole::coefficientFor(int32_t frequency, int32_t clock) {
    static constexpr double piTimes2To32 = 13493037704.522018;
    static constexpr double pi = 3.141592653589793;
    VX_Fpu_Extended extended;
    const long double f = frequency;
    const long double fs = clock;
    return static_cast<uint32_t>(VX_trunc32(f * piTimes2To32 / (f * pi + fs * 0.5L)));
}

void VX_Effect_Onepole::updateCoefficient() {
    // Frequency and clock are read in the writer's turn, so that of two threads changing one
    // each, the last to write computes from both new values.
    coefficient.update([this](uint32_t& a) {
        const int32_t f = frequency, fs = clock;
        if (f != 0 && fs != 0) a = coefficientFor(f, fs);
    });
}

int32_t VX_Effect_Onepole::block(const int32_t*& in, int32_t*& out, uint32_t& a) {
    a = takeBlockCoefficient();
    out = access(output);
    in = access(input);
    if (!in || !out) return 0;
    return VX_common_length(input, output);
}

namespace {

VX_Effect_Onepole* self(VX_Object* o) {
    return static_cast<VX_Effect_Onepole*>(o);
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value frequencyOption(VX_Object* o, VX_value v) {
    if (VX_take_int(self(o)->frequency, v)) self(o)->updateCoefficient();
    return VX_value::integer(self(o)->frequency);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Onepole_options[] = {
    VX_ABSTRACT,
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("f", frequencyOption),
    VX_PARENT(VX_Effect_options),
};
