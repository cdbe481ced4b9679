#include "VX/Nodes/VX_Fourier_Noisegate.h"

#include "VX/Nodes/VX_Effect_Deline.h"
#include "VX/Nodes/VX_Fourier_Transform.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"
#include "VX/VX_Buffer.h"
#include "VX/VX_Soundpipe.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// 128 integers: 64 points until "-i" sizes the node.
constexpr int32_t initialInputLength = 128;
// The gains are 2^31 / 1024 at most and their inverse transform is not scaled, so its sum of N
// gains fits 32 bits only up to 1024 points; larger gates would wrap their impulse response.
constexpr int32_t maxExponent = 9;
constexpr double spectrumScale = 1024.0 / 2147483647.0; // K
constexpr int32_t sideDelay = 512;                      // samples, as the delay's integer time

// Internal nodes run when the gate runs them, never on their own in a soundpipe's chain.
// Commands can still address them.
template <typename T> T* internal(T* node, const VX_Option_Entry* options) {
    if (node->soundpipe) {
        node->soundpipe->nodes.remove(&node->item);
        node->soundpipe = nullptr;
    }
    node->vxClass = options;
    return node;
}

VX_Buffer* ownedBuffer(int32_t length) {
    auto* b = new VX_Buffer();
    b->vxClass = VX_Buffer_options;
    if (length >= 0) b->setLength(length);
    return b;
}

VX_Fourier_Transform* transform(bool backward, int32_t window, VX_Buffer* input) {
    auto* t = internal(new VX_Fourier_Transform(), VX_Fourier_Transform_options);
    t->backward = backward;
    t->window = window;
    t->input = input;
    return t;
}

} // namespace

VX_Fourier_Noisegate::VX_Fourier_Noisegate() {
    delayed = ownedBuffer(-1);
    profile = ownedBuffer(0);
    gains = ownedBuffer(0);
    sideSpectrum = transform(false, 1, nullptr);
    delayedSpectrum = transform(false, 0, delayed);
    impulse = transform(true, 0, gains);
    firstHalf = transform(false, 0, nullptr);
    secondHalf = transform(false, 0, nullptr);

    // One group into C at gain 1, with one tap of amplitude 1, 512 samples back.
    delay = internal(new VX_Effect_Deline(), VX_Effect_Deline_options);
    VX_Effect_Deline_Group* group = delay->addGroup();
    group->gain = 8388607;
    group->output = delayed;
    VX_Effect_Deline_Group_Delay* tap = delay->addTap();
    tap->amplitude = 2147483647;
    tap->setTime(sideDelay, true);

    setInputLength(initialInputLength);
}

// Outputs given by "-o1" and "-o2" belong to whoever made them; only those made here go.
VX_Fourier_Noisegate::~VX_Fourier_Noisegate() {
    delete delay;
    delete sideSpectrum;
    delete delayedSpectrum;
    delete impulse;
    delete firstHalf;
    delete secondHalf;
    delete delayed;
    delete profile;
    delete gains;
    delete ownedOutput1;
    delete ownedOutput2;
}

int32_t VX_Fourier_Noisegate::points() const {
    return impulse->points();
}

bool VX_Fourier_Noisegate::setInputLength(int32_t length) {
    if (length <= 0) return false;
    const int32_t s = std::bit_width(static_cast<uint32_t>(length)) - 3;
    if (s < 0 || s > maxExponent) return false;
    for (VX_Fourier_Transform* t : {sideSpectrum, delayedSpectrum, impulse, firstHalf, secondHalf})
        t->setExponent(s);
    firstHalf->input = secondHalf->input = impulse->work;
    profile->setLength(length / 4 + 1); // all 0: every gain 1
    gains->setLength(length);
    for (int32_t i = 0; i + 1 < lengthOf(gains); i += 2) {
        gains->main[i] = 2097151;
        gains->main[i + 1] = 0;
    }
    return true;
}

void VX_Fourier_Noisegate::makeOutput(int which) {
    VX_Buffer*& output = which == 1 ? output1 : output2;
    VX_Buffer*& owned = which == 1 ? ownedOutput1 : ownedOutput2;
    if (output) return;
    // Made once; a later query after the output was cleared hands out the same buffer.
    if (!owned) owned = ownedBuffer(input ? lengthOf(input) : 2 * points());
    output = owned;
}

// out = K (in x conj(T2) + T5 x conj(T3)) per complex value, each part truncated. All inputs
// are read before the pair is written, so the output may be the input.
void VX_Fourier_Noisegate::combine(int32_t* out, const int32_t* in) const {
    const int32_t* t5 = delayedSpectrum->work->main;
    const int32_t* t2 = firstHalf->work->main;
    const int32_t* t3 = secondHalf->work->main;
    for (int32_t i = 0; i < 2 * points(); i += 2) {
        const double ar = in[i], ai = in[i + 1], br = t2[i], bi = t2[i + 1];
        const double cr = t5[i], ci = t5[i + 1], dr = t3[i], di = t3[i + 1];
        const double re = spectrumScale * ((ar * br + ai * bi) + (cr * dr + ci * di));
        const double im = spectrumScale * ((ai * br - ar * bi) + (ci * dr - cr * di));
        out[i] = VX_trunc32_double(re);
        out[i + 1] = VX_trunc32_double(im);
    }
}

// Spectral subtraction: a bin's gain is (x - p) / x with p its profile and x the larger of p
// and the side signal's magnitude; so a bin at or below the profile is gated to 0. The gains
// are real and mirrored about N/2. With averaging on, the profile follows the magnitudes by a
// tenth per block (the threshold is the profile before this block's update).
void VX_Fourier_Noisegate::updateGains() {
    const int32_t n = points();
    const int32_t* spectrum = sideSpectrum->work->main;
    int32_t* a = profile->main;
    int32_t* b = gains->main;
    const bool follow = averaging;
    for (int32_t j = 0; j <= n / 2; ++j) {
        const double re = spectrum[2 * j], im = spectrum[2 * j + 1];
        const double w = std::sqrt(re * re + im * im);
        const double p = a[j];
        if (follow) a[j] = VX_trunc32_double(p + (w - p) * 0.1);
        const double x = std::max(w, p);
        const double g = x != 0.0 ? (x - p) / x : 1.0;
        const int32_t v = VX_trunc32_double(g * 2147483647.0 / 1024.0);
        b[2 * j] = v;
        b[2 * j + 1] = 0;
        if (j != 0) {
            b[2 * (n - j)] = v;
            b[2 * (n - j) + 1] = 0;
        }
    }
}

// Keeps the real parts of the impulse response: bins 0 .. N/2 - 1 in the first N integers,
// bins N/2 .. N - 1 in the second N, each half padded with zeros; then transforms each half.
void VX_Fourier_Noisegate::splitImpulse() {
    const int32_t n = points();
    int32_t* t1 = impulse->work->main;
    for (int32_t k = 0; k < n / 2; ++k) {
        t1[k] = t1[2 * k];
        t1[n + k] = t1[n + 2 * k];
    }
    for (int32_t k = n / 2; k < n; ++k) {
        t1[k] = 0;
        t1[n + k] = 0;
    }
    firstHalf->run(t1, n);
    secondHalf->run(t1 + n, n);
}

// Runs only with everything in place: a spectrum of at least 2N integers, a side signal and
// both outputs of at least 2N integers (and its own buffers, should their storage have failed).
void VX_Fourier_Noisegate::process() {
    const int32_t n = points();
    if (lengthOf(input) < 2 * n || lengthOf(side) <= 0 || lengthOf(output1) < 2 * n ||
        lengthOf(output2) < 2 * n || lengthOf(profile) < n / 2 + 1 || lengthOf(gains) < 2 * n)
        return;
    for (VX_Fourier_Transform* t : {sideSpectrum, delayedSpectrum, impulse, firstHalf, secondHalf})
        if (lengthOf(t->work) < 2 * n) return;
    const int32_t* in = access(input);
    int32_t* out1 = access(output1);
    int32_t* out2 = access(output2);
    if (!in || !out1 || !out2) return;

    if (!delay->prepared) delay->prepare();
    if (delay->prepared) delay->process();
    delayedSpectrum->process();
    combine(out1, in);
    sideSpectrum->process();
    updateGains();
    impulse->process();
    splitImpulse();
    combine(out2, in);
}

namespace {

VX_Fourier_Noisegate* self(VX_Object* o) {
    return static_cast<VX_Fourier_Noisegate*>(o);
}

VX_Object* create() {
    return new VX_Fourier_Noisegate();
}

// Sizes everything from the buffer's length; a length that gives no transform of 2 to 1024
// points is refused and leaves the input as it was.
VX_value inputOption(VX_Object* o, VX_value v) {
    VX_Fourier_Noisegate* g = self(o);
    if (v.type == VX_TYPE_OBJECT) {
        auto* b = static_cast<VX_Buffer*>(v.value.p);
        if (g->setInputLength(VX_Effect::lengthOf(b))) g->input = b;
    }
    return VX_value::object(g->input);
}

VX_value output1Option(VX_Object* o, VX_value v) {
    VX_Fourier_Noisegate* g = self(o);
    if (v.type == VX_TYPE_OBJECT)
        VX_set_object(g->output1, v);
    else if (v.type == VX_TYPE_NONE)
        g->makeOutput(1);
    return VX_value::object(g->output1);
}

VX_value output2Option(VX_Object* o, VX_value v) {
    VX_Fourier_Noisegate* g = self(o);
    if (v.type == VX_TYPE_OBJECT)
        VX_set_object(g->output2, v);
    else if (v.type == VX_TYPE_NONE)
        g->makeOutput(2);
    return VX_value::object(g->output2);
}

// The side signal feeds the windowed transform and the delay line; C takes its length.
VX_value sideOption(VX_Object* o, VX_value v) {
    VX_Fourier_Noisegate* g = self(o);
    if (v.type == VX_TYPE_OBJECT) {
        VX_set_object(g->side, v);
        g->sideSpectrum->input = g->side;
        g->delay->input = g->side;
        g->delayed->setLength(VX_Effect::lengthOf(g->side));
    }
    return VX_value::object(g->side);
}

VX_value averagingOption(VX_Object* o, VX_value v) {
    VX_take_flag(self(o)->averaging, v);
    return VX_value::integer(self(o)->averaging ? 1 : 0);
}

VX_value profileOption(VX_Object* o, VX_value) {
    return VX_value::object(self(o)->profile);
}

} // namespace

constinit const VX_Option_Entry VX_Fourier_Noisegate_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o1", output1Option),
    VX_OPTION("o2", output2Option),
    VX_OPTION("s", sideOption),
    VX_OPTION("a", averagingOption),
    VX_OPTION("w", profileOption),
    VX_PARENT(VX_Effect_options),
};
