#include "VX/Nodes/VX_Effect_Bapass.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_options.h"

#include <cstdio>

namespace {

// Truncates toward zero; values beyond the 32-bit range stop at its ends.
int32_t fixedPoint(long double v) {
    if (v >= 2147483648.0L) return INT32_MAX;
    if (v <= -2147483649.0L) return INT32_MIN;
    return VX_trunc32(v);
}

} // namespace

// The analogue band-pass B s / (s^2 + B s + w0^2), w0^2 = wL wU, B = wU - wL, discretised
// with central differences around the middle sample. Every named quantity is computed in
// extended precision and rounded to double, so that all targets get the same coefficients.
bool VX_Effect_Bapass::coefficientsFor(float frequency, float q, int32_t clock, Coefficients& set) {
    // An unordered comparison (a NaN) counts as equal: such values are unusable too.
    const auto same = [](float a, float b) { return !(a < b) && !(a > b); };
    if (same(q, 0.0f) || same(q, 1.0f) || same(frequency, 0.0f) || clock == 0) return false;
    using L = long double;
    static constexpr double pi = 3.141592653589793;
    VX_Fpu_Extended extended;
    const double fTimesQ = static_cast<double>(L(frequency) * L(q));
    const double fOverQ = static_cast<double>(L(frequency) / L(q));
    const double wL = static_cast<double>(L(2.0) * L(pi) * L(fTimesQ));
    const double wU = static_cast<double>(L(2.0) * L(pi) * L(fOverQ));
    const double d = static_cast<double>((L(wU) - L(wL)) / (L(wU) * L(wL)));
    const double p = static_cast<double>(L(1.0) / (L(wU) * L(wL)));
    const L fs = clock;
    set.g = static_cast<double>(fs * L(d) * L(0.5));
    set.h = static_cast<double>(fs * L(p) * fs);
    const L sum = L(set.g) + L(set.h);
    set.k0 = static_cast<double>((L(2.0) * L(set.g) + L(1.0)) / sum);
    set.k1 = static_cast<double>((L(2.0) * L(set.g)) / sum);
    set.k2 = static_cast<double>(L(set.g) / sum);
    // Above about 0.225 fs k0 reaches 2 and c0 no longer fits in 32 bits (k1 from about
    // 0.318 fs); wrapping it would turn the filter into noise, so it stops at the end of the
    // range.
    set.c0 = fixedPoint(L(set.k0) * 32768.0L * 65536.0L * 0.5L);
    set.c1 = fixedPoint(L(set.k1) * 32768.0L * 65536.0L);
    set.c2 = fixedPoint(L(set.k2) * 32768.0L * 65536.0L);
    return true;
}

void VX_Effect_Bapass::updateCoefficients() {
    // f, q and the clock are read in the writer's turn, so that of several threads changing
    // them, the last to write computes from all the new values.
    coefficients.update([this](Coefficients& set) {
        Coefficients fresh;
        if (coefficientsFor(frequency, q, clock, fresh)) set = fresh;
    });
}

void VX_Effect_Bapass::reset() {
    state = {};
    fx1 = fx2 = fy1 = fy2 = 0.0;
}

namespace {

// The floating result goes out truncated toward zero; "add" and "sub" combine with the old
// sample in floating point before truncating. Results beyond the 32-bit range stop at its
// ends, as in the integer section, so that an overshoot never flips a sample's sign.
template <int Mode>
void floatingBlock(VX_Effect_Bapass& e, const VX_Effect_Bapass::Coefficients& set,
                   const int32_t* in, int32_t* out, int32_t n) {
    using L = long double;
    const L k0 = set.k0, k1 = set.k1, k2 = set.k2;
    double x1 = e.fx1, x2 = e.fx2, y1 = e.fy1, y2 = e.fy2;
    for (int32_t i = 0; i < n; ++i) {
        const double x = in[i];
        const double y = static_cast<double>(((L(x) - L(x2)) * k2 - L(y2)) + L(y2) * k1 + L(y1) +
                                             L(y1) - L(y1) * k0);
        const L d = out[i];
        if constexpr (Mode == VX_MODE_ADD)
            out[i] = VX_trunc_sat(d + L(y));
        else if constexpr (Mode == VX_MODE_SUB)
            out[i] = VX_trunc_sat(d - L(y));
        else {
            const L v = VX_trunc_sat(y);
            if constexpr (Mode == VX_MODE_SET)
                out[i] = static_cast<int32_t>(v);
            else if constexpr (Mode == VX_MODE_STN)
                out[i] = VX_trunc_sat(-v);
            else if constexpr (Mode == VX_MODE_ADN)
                out[i] = VX_trunc_sat(-(d + v));
            else
                out[i] = VX_trunc_sat(v - d);
        }
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    e.fx1 = x1;
    e.fx2 = x2;
    e.fy1 = y1;
    e.fy2 = y2;
}

using FloatingBlock = void (*)(VX_Effect_Bapass&, const VX_Effect_Bapass::Coefficients&,
                               const int32_t*, int32_t*, int32_t);
constexpr FloatingBlock floatingBlocks[VX_MODE_COUNT] = {
    floatingBlock<0>,
    floatingBlock<1>,
    floatingBlock<2>,
    floatingBlock<3>,
    floatingBlock<4>,
    floatingBlock<5>,
};

} // namespace

void VX_Effect_Bapass::process() {
    takeBlockSet();
    int32_t* out = access(output);
    const int32_t* in = access(input);
    if (!in || !out) return;
    const int32_t n = VX_common_length(input, output);
    if (n <= 0) return;
    const int32_t m = mode;
    if (floating) {
        VX_Fpu_Extended extended;
        floatingBlocks[m](*this, blockSet, in, out, n);
        return;
    }
    VX_Kern_Twopole_State& s = state;
    const int status = VX_kern_bapass[m](
        in, out, n, blockSet.c0, blockSet.c1, blockSet.c2, &s.x1, &s.x2, &s.y1, &s.y2);
    if (status != 0 && error == 0) {
        std::printf("VX_Effect_Bapass error %d\n", status);
        error = status;
    }
}

namespace {

VX_Effect_Bapass* self(VX_Object* o) {
    return static_cast<VX_Effect_Bapass*>(o);
}

VX_Object* create() {
    return new VX_Effect_Bapass();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value frequencyOption(VX_Object* o, VX_value v) {
    if (v.isNumber()) {
        self(o)->frequency = v.asFloat();
        self(o)->updateCoefficients();
    }
    return VX_value::real(self(o)->frequency);
}

VX_value qOption(VX_Object* o, VX_value v) {
    if (v.isNumber()) {
        self(o)->q = v.asFloat();
        self(o)->updateCoefficients();
    }
    return VX_value::real(self(o)->q);
}

VX_value arithmeticOption(VX_Object* o, VX_value v) {
    if (v.type == VX_TYPE_STRING && v.value.s)
        self(o)->floating = VX_word_equal(v.value.s, "floating");
    return VX_value::string(self(o)->floating ? "floating" : "integer");
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Bapass_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("f", frequencyOption),
    VX_OPTION("q", qOption),
    VX_OPTION("a", arithmeticOption),
    VX_PARENT(VX_Effect_options),
};
