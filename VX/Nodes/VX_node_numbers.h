// Numeric option values of the nodes and the widgets. Options accept an integer or a float;
// anything else (a query, a word, a reference) leaves the field as it was.
#pragma once

#include "VX/VX_numeric.h"
#include "VX/VX_value.h"

// An integer field: a float is truncated toward zero keeping the low 32 bits.
inline bool VX_take_int(int32_t& field, const VX_value& v) {
    if (v.type == VX_TYPE_INT)
        field = v.value.i;
    else if (v.type == VX_TYPE_FLOAT)
        field = VX_trunc32(v.value.f);
    else
        return false;
    return true;
}

// A float field: an integer is converted to float first.
inline bool VX_take_float(float& field, const VX_value& v) {
    if (!v.isNumber()) return false;
    field = v.asFloat();
    return true;
}

// A double field taken from the value as a float (an integer becomes a float first).
inline bool VX_take_double(double& field, const VX_value& v) {
    if (!v.isNumber()) return false;
    field = static_cast<double>(v.asFloat());
    return true;
}

// VX_trunc32 of a double, for the per-sample loops: the same result, without the detour through
// the extended unit, whose truncating conversion has to switch its rounding mode every time.
inline int32_t VX_trunc32_double(double x) {
    if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) return 0;
    return static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(x))));
}
