#include "VX/Nodes/VX_Fourier_Transform.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_math.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"
#include "VX/VX_Buffer.h"

#include <cstdio>

namespace {

const char* const directionNames[] = {"forward", "backward"};
const char* const windowNames[] = {"none", "sin"};

struct TwiddleTable {
    int32_t entries[2 * VX_Fourier_Transform::twiddleCount];
    TwiddleTable() {
        VX_Fpu_Extended extended;
        for (int i = 0; i < VX_Fourier_Transform::twiddleCount; ++i) {
            const long double angle = i * VX_PI_EXT / VX_Fourier_Transform::twiddleCount;
            entries[2 * i] = VX_trunc32(VX_cos_ext(angle) * 2147483647.0L);
            entries[2 * i + 1] = VX_trunc32(VX_sin_ext(angle) * 2147483647.0L);
        }
    }
};

// A buffer the node owns; commands can address it like any other.
VX_Buffer* ownedBuffer(int32_t length) {
    auto* b = new VX_Buffer();
    b->vxClass = VX_Buffer_options;
    b->setLength(length);
    return b;
}

} // namespace

// Built on first use under the language's guarantee for local statics: once, and never while
// another thread reads it half-written.
const int32_t* VX_Fourier_Transform::twiddles() {
    static const TwiddleTable table;
    return table.entries;
}

VX_Fourier_Transform::VX_Fourier_Transform() {
    twiddles();
}

VX_Fourier_Transform::~VX_Fourier_Transform() {
    delete history;
    delete work;
}

bool VX_Fourier_Transform::setExponent(int32_t s) {
    if (s < 0 || s > maxExponent) return false;
    exponent = s;
    const int32_t n = points();
    if (!work)
        work = ownedBuffer(2 * n);
    else
        work->setLength(2 * n);
    if (!history)
        history = ownedBuffer(n);
    else
        history->setLength(n);

    reversed.assign(static_cast<size_t>(n), 0);
    for (int32_t i = 0; i < n; ++i) {
        int32_t r = 0;
        for (int32_t bit = 0; bit <= s; ++bit) r |= ((i >> bit) & 1) << (s - bit);
        reversed[static_cast<size_t>(i)] = r;
    }
    sinSquared.assign(static_cast<size_t>(n), 0.0);
    VX_Fpu_Extended extended;
    for (int32_t i = 0; i < n; ++i) {
        const double w = static_cast<double>(VX_sin_ext(i * VX_PI_EXT / n));
        sinSquared[static_cast<size_t>(i)] = w * w;
    }
    return true;
}

void VX_Fourier_Transform::process() {
    const int32_t n = lengthOf(input);
    const int32_t* in = access(input);
    int32_t* out = access(work);
    if (!in || n <= 0) return;
    run(in, n, out);
}

void VX_Fourier_Transform::run(const int32_t* samples, int32_t n) {
    run(samples, n, work ? work->main : nullptr);
}

void VX_Fourier_Transform::run(const int32_t* in, int32_t n, int32_t* out) {
    const int32_t points = this->points();
    if (!out || lengthOf(work) < 2 * points || !history || !history->main ||
        history->count < points || static_cast<int32_t>(reversed.size()) != points)
        return;
    const uint32_t mask = static_cast<uint32_t>(points - 1);
    // Direction and window once: one block runs with one of each.
    const bool inverse = backward;
    const bool windowed = window == 1;
    if (!inverse) {
        int32_t* ring = history->main;
        uint32_t position = static_cast<uint32_t>(history->position) & mask;
        for (int32_t k = 0; k < n; ++k) {
            ring[position] = in[k];
            position = (position + 1) & mask;
        }
        history->position = static_cast<int32_t>(position);
        for (int32_t i = 0; i < points; ++i) {
            double x = ring[(position + static_cast<uint32_t>(i)) & mask]; // oldest first
            if (windowed) x = x * sinSquared[static_cast<size_t>(i)];
            int32_t* pair = out + 2 * reversed[static_cast<size_t>(i)];
            pair[0] = VX_trunc32_double(x);
            pair[1] = 0;
        }
    } else {
        for (int32_t i = 0; i < points; ++i) {
            int32_t* pair = out + 2 * reversed[static_cast<size_t>(i)];
            pair[0] = 2 * i < n ? in[2 * i] : 0;
            pair[1] =
                2 * i + 1 < n ? static_cast<int32_t>(0u - static_cast<uint32_t>(in[2 * i + 1])) : 0;
        }
    }

    uint32_t last = 0, cycles = 0;
    VX_kern_cycles(&last, &cycles);
    if (inverse)
        VX_kern_fft_backward(out, exponent, twiddles());
    else
        VX_kern_fft_forward(out, exponent, twiddles());
    VX_kern_cycles(&last, &cycles);
    averageCycles = averageCycles * 0.99 + cycles * 0.01;
    blockCounter = (blockCounter + 1) % 100;
    if (debug && blockCounter == 0) {
        std::printf("%f\n", averageCycles);
        std::fflush(stdout);
    }
}

namespace {

VX_Fourier_Transform* self(VX_Object* o) {
    return static_cast<VX_Fourier_Transform*>(o);
}

VX_Object* create() {
    return new VX_Fourier_Transform();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value workOption(VX_Object* o, VX_value) {
    return VX_value::object(self(o)->work);
}

VX_value directionOption(VX_Object* o, VX_value v) {
    const int i = VX_name_index(directionNames, 2, v);
    if (i >= 0) self(o)->backward = i == 1;
    return VX_value::string(directionNames[self(o)->backward ? 1 : 0]);
}

VX_value windowOption(VX_Object* o, VX_value v) {
    const int i = VX_name_index(windowNames, 2, v);
    if (i >= 0) self(o)->window = i;
    return VX_value::string(windowNames[self(o)->window]);
}

// Sizes beyond the twiddle table (s > 11) or below one stage are refused and change nothing.
VX_value sizeOption(VX_Object* o, VX_value v) {
    int32_t s = 0;
    if (VX_take_int(s, v)) self(o)->setExponent(s);
    return VX_value::integer(self(o)->exponent);
}

} // namespace

constinit const VX_Option_Entry VX_Fourier_Transform_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("w", workOption),
    VX_OPTION("d", directionOption),
    VX_OPTION("win", windowOption),
    VX_OPTION("s", sizeOption),
    VX_PARENT(VX_Effect_options),
};
