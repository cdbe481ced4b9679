// Numbers of the nodes and the widgets: the reading of numeric options (VX/VX_numeric.h) and the
// truncation of the per-sample loops.
#pragma once

#include "VX/VX_numeric.h"
#include "VX/VX_value.h"

// VX_trunc32 of a double, for the per-sample loops: the same result, without the detour through
// the extended unit, whose truncating conversion has to switch its rounding mode every time.
inline int32_t VX_trunc32_double(double x) {
    if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) return 0;
    return static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(x))));
}
