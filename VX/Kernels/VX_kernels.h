// The fixed-point kernels: the inner loops of every processing node. Stateless free functions;
// a node passes its state by pointer, the kernel keeps it in locals for the block and stores it
// back once at the end. Every kernel needs n >= 1.
//
// Families with output modes have one member per mode, reached through constant tables indexed
// by the mode (and, for the node operations, by operation * 6 + mode).
#pragma once

#include <cstdint>

// Output modes: how a computed value v is combined with the destination sample d.
enum VX_Mode : int32_t {
    VX_MODE_SET = 0, // d = v
    VX_MODE_ADD = 1, // d = d + v
    VX_MODE_SUB = 2, // d = d - v
    VX_MODE_STN = 3, // d = -v
    VX_MODE_ADN = 4, // d = -(d + v)
    VX_MODE_SBN = 5, // d = v - d
};
inline constexpr int VX_MODE_COUNT = 6;
// Names of the modes, in index order: "set", "add", "sub", "stn", "adn", "sbn".
extern const char* const VX_mode_names[VX_MODE_COUNT];

// Operations of the two-input and constant families (operation-major tables of 4 x 6).
enum VX_Oper : int32_t { VX_OPER_ADD = 0, VX_OPER_SUB = 1, VX_OPER_MUL = 2, VX_OPER_DIV = 3 };
inline constexpr int VX_OPER_COUNT = 4;
extern const char* const VX_oper_names[VX_OPER_COUNT];

// The one-pole update: b += floor(d a / 2^32 + (a mod 2) / 2) for the whole difference d = x - b
// (33 bits where it must); the new b lies between b and x.
// One-pole high-pass: dst = x - b after the update of b, saturated to 32 bits; "set" only. a is
// 0.32.
void VX_kern_hipass1(const int32_t* src, int32_t* dst, int n, uint32_t a, int32_t* state);

// One-pole low-pass: dst <- b through the mode. The coefficient is read once per block.
using VX_Kern_Lopass1 = void (*)(const int32_t* src, int32_t* dst, int n, const uint32_t* a,
                                 int32_t* state);
extern const VX_Kern_Lopass1 VX_kern_lopass1[VX_MODE_COUNT];

// Strided copy: dst[i * dstStep] <- src[i * srcStep] through the mode.
using VX_Kern_Copy = void (*)(const int32_t* src, int32_t* dst, int n, int srcStep, int dstStep);
extern const VX_Kern_Copy VX_kern_copy[VX_MODE_COUNT];

// Two-input operations: add (saturating), sub (wrapping), mul and div (x.24, saturating).
using VX_Kern_Oper = void (*)(const int32_t* s1, const int32_t* s2, int32_t* dst, int n);
extern const VX_Kern_Oper VX_kern_oper[VX_OPER_COUNT * VX_MODE_COUNT];

// Constant operations: add and sub wrapping, mul and div x.24 (div counts a zero operand as
// negative).
using VX_Kern_Koef = void (*)(const int32_t* src, int32_t* dst, int n, int32_t k);
extern const VX_Kern_Koef VX_kern_koef[VX_OPER_COUNT * VX_MODE_COUNT];

// The two-pole section's integer state: its last two inputs and outputs.
struct VX_Kern_Twopole_State {
    int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Two-pole section, integer: y = mul31(x - x2, c2) - y2 + mul31(y2, c1) + 2 y1 - 2 mul31(y1, c0)
// with every term exact (mul31(a, c) = (a c) >> 31) and y saturated to 32 bits; the mode's write
// saturates too. Where nothing overflows this is the wrapping arithmetic of the other families.
// Needs n <= 65536. Returns a status, 0.
using VX_Kern_Bapass = int (*)(const int32_t* src, int32_t* dst, int n, int32_t c0, int32_t c1,
                               int32_t c2, int32_t* x1, int32_t* x2, int32_t* y1, int32_t* y2);
extern const VX_Kern_Bapass VX_kern_bapass[VX_MODE_COUNT];

// The third-order high-pass of a one-pole high-pass and a two-pole section in one pass, with
// the bits of the separate kernels: per sample h as VX_kern_hipass1 gives it, y as
// VX_kern_bapass does, and h - y saturated into dst and into copy. onepole is the one-pole's
// state; section the section's. Needs n <= 65536. Coefficients and states come in one record,
// which a caller running block after block keeps instead of passing thirteen words each call;
// its coefficients are set through VX_kern_highpass3_coefficients, which works out the loop's
// constants from them once rather than every block.
struct VX_Kern_Highpass3_Args;
void VX_kern_highpass3(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                       const VX_Kern_Highpass3_Args& k);
struct VX_Kern_Highpass3_Args {
    uint32_t a = 0;                 // the one-pole's coefficient
    int32_t c0 = 0, c1 = 0, c2 = 0; // the section's
    // The loop's constants, 64 bits wide: a, 2^32 - a, (a mod 2) 2^31, -c0, -c1 and c2; for the
    // x86-64 loop also 2^31 - c0 and 2^31 - c1 (one minus c in 1.31) and -c2, which it takes
    // only while neither c0 nor c1 is -1 (folded): then every product with them fits.
    int64_t weightX = 0, weightB = int64_t{1} << 32, rounding = 0;
    int64_t negC0 = 0, negC1 = 0, wideC2 = 0;
    int64_t oneMinusC0 = int64_t{1} << 31, oneMinusC1 = int64_t{1} << 31, negC2 = 0;
    bool folded = true;
    // For the x86-64 loop that takes the products of the input with vector instructions, each
    // four times over and in this order: a as a signed word, c2, (a mod 2) 2^31, and all ones
    // where a >= 2^31 (then a's product is the signed word's plus x 2^32).
    int64_t vecA[4] = {}, vecC2[4] = {}, vecRounding[4] = {}, vecHighA[4] = {};
    // The loop these constants take, for n > 0 samples: chosen with them, so that a caller
    // running block after block calls it directly rather than through VX_kern_highpass3.
    void (*loop)(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                 const VX_Kern_Highpass3_Args& k) = VX_kern_highpass3;
    int32_t* onepole = nullptr;               // the one-pole's state
    VX_Kern_Twopole_State* section = nullptr; // the section's
    // Samples that the vector loop leaves to the one that checks each sample, after it found
    // one that saturates: the loop's own bookkeeping, which changes no result.
    mutable int32_t checkedFor = 0;
};
void VX_kern_highpass3_coefficients(VX_Kern_Highpass3_Args& k, uint32_t a, int32_t c0, int32_t c1,
                                    int32_t c2);

// Envelope follower: rectified output (if any) gets |x| in "set" manner; with an output, the
// envelope e follows |x| with the rise or fall coefficient (1.31) and goes out through the mode.
using VX_Kern_Ampdet = void (*)(const int32_t* src, int32_t* dst, int32_t* rectified, int n,
                                int32_t rise, int32_t fall, int32_t* state);
extern const VX_Kern_Ampdet VX_kern_ampdet[VX_MODE_COUNT];

// Soft clipper with a moving bias; "set" only. Needs n <= 32768.
void VX_kern_shaper(const int32_t* src, int32_t* dst, int n, int32_t* bias, int32_t limit,
                    int32_t knee, int32_t coefficient, int32_t kneeShift, int32_t flags);

// Tap network of the delay line. The program is a sequence of words: per group the tap pairs
// [delay, amplitude], then [-1, gain, address just past the group's output or 0, feedback].
// Words are as wide as a pointer, so that output addresses fit on every target.
using VX_Kern_Deline = void (*)(const int32_t* src, int n, int32_t* ring, int32_t* ringPos,
                                const intptr_t* program, int programLength);
extern const VX_Kern_Deline VX_kern_deline[VX_MODE_COUNT];

// Fades between the two arrays of a buffer, written into the first (main). Needs n <= 65536.
// fade to main:   main[k] = (k main[k] + (n - k) shadow[k]) / n
// fade to shadow: main[k] = (k shadow[k] + (n - k) main[k]) / n
void VX_kern_fade_to_main(int32_t* main, const int32_t* shadow, int n);
void VX_kern_fade_to_shadow(int32_t* main, const int32_t* shadow, int n);

// Radix-2 FFT in place on n = 2^(s+1) complex pairs {re, im} already in bit-reversed order,
// butterflies in extended precision. The forward variant halves at every stage.
void VX_kern_fft_forward(int32_t* data, int s, const int32_t* twiddles);
void VX_kern_fft_backward(int32_t* data, int s, const int32_t* twiddles);

// Cycle counter: stores the low 32 bits of the counter minus *last in *diff, then the reading
// in *last.
void VX_kern_cycles(uint32_t* last, uint32_t* diff);
