// Conversions and floating-point set-up shared by the nodes, so that every target computes the
// same bits, and the reading of numeric options.
#pragma once

#include "VX/VX_value.h"

#include <cstdint>

// Truncates toward zero to a 64-bit integer and keeps its low 32 bits. Values outside the
// 64-bit range (and NaN) give the processor's "integer indefinite", whose low bits are 0.
inline int32_t VX_trunc32(long double x) {
    if (!(x >= -9223372036854775808.0L && x < 9223372036854775808.0L)) return 0;
    return static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(x))));
}

// Truncates toward zero and stops at the ends of the 32-bit range; NaN gives 0. Equals
// VX_trunc32 wherever the value fits.
inline int32_t VX_trunc_sat(long double x) {
    if (x >= 2147483647.0L) return INT32_MAX;
    if (x <= -2147483648.0L) return INT32_MIN;
    return VX_trunc32(x);
}

// Truncation toward zero to a 32-bit integer of a value known to fit; out of range (and NaN) it
// gives 0x80000000 as the processor does.
inline int32_t VX_trunc_int(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(x);
}

// Runs a scope with the x87 unit at 64-bit precision and round-to-nearest. Windows starts
// threads with 53-bit precision, and hosts may leave any setting behind; the extended-precision
// computations of the nodes need the full 64 bits to give the same results everywhere.
class VX_Fpu_Extended {
public:
#if defined(__i386__) || defined(__x86_64__)
    VX_Fpu_Extended() {
        __asm__ volatile("fnstcw %0" : "=m"(saved) : : "memory");
        unsigned short cw = static_cast<unsigned short>((saved & ~0x0F00u) | 0x0300u);
        __asm__ volatile("fldcw %0" : : "m"(cw) : "memory");
    }
    ~VX_Fpu_Extended() {
        __asm__ volatile("fldcw %0" : : "m"(saved) : "memory");
    }

private:
    unsigned short saved;
#endif
};

// Numeric options accept an integer or a float; anything else (a query, a word, a reference)
// leaves the field as it was and gives false. The field may be a plain or a shared word.

// An integer field: a float is truncated toward zero keeping the low 32 bits.
template <typename Field> bool VX_take_int(Field& field, const VX_value& v) {
    if (v.type == VX_TYPE_INT)
        field = v.value.i;
    else if (v.type == VX_TYPE_FLOAT)
        field = VX_trunc32(v.value.f);
    else
        return false;
    return true;
}

// An on/off field: any number other than 0 is on.
template <typename Field> bool VX_take_flag(Field& field, const VX_value& v) {
    if (!v.isNumber()) return false;
    field = v.type == VX_TYPE_FLOAT ? v.value.f != 0.0f : v.value.i != 0;
    return true;
}

// A float field: an integer is converted to float first.
template <typename Field> bool VX_take_float(Field& field, const VX_value& v) {
    if (!v.isNumber()) return false;
    field = v.asFloat();
    return true;
}

// A double field taken from the value as a float (an integer becomes a float first).
template <typename Field> bool VX_take_double(Field& field, const VX_value& v) {
    if (!v.isNumber()) return false;
    field = static_cast<double>(v.asFloat());
    return true;
}
