#include "VX/Kernels/VX_kern_arith.h"

const char* const VX_oper_names[VX_OPER_COUNT] = {"add", "sub", "mul", "div"};

namespace {

template <int Oper> VX_KERN_INLINE int32_t combine(int32_t a, int32_t b) {
    if constexpr (Oper == VX_OPER_ADD)
        return VX_kern_add_sat(a, b);
    else if constexpr (Oper == VX_OPER_SUB)
        return VX_kern_s(VX_kern_u(a) - VX_kern_u(b)); // wraps, unlike the add
    else if constexpr (Oper == VX_OPER_MUL)
        return VX_kern_mul24(a, b);
    else
        return VX_kern_div24<false>(a, b);
}

template <int Oper, int Mode> void oper(const int32_t* s1, const int32_t* s2, int32_t* dst, int n) {
    s1 += n;
    s2 += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i)
        dst[i] = VX_kern_write<Mode>(dst[i], combine<Oper>(s1[i], s2[i]));
}

} // namespace

constinit const VX_Kern_Oper VX_kern_oper[VX_OPER_COUNT * VX_MODE_COUNT] = {
    VX_KERN_OPER_MODES(oper, VX_OPER_ADD),
    VX_KERN_OPER_MODES(oper, VX_OPER_SUB),
    VX_KERN_OPER_MODES(oper, VX_OPER_MUL),
    VX_KERN_OPER_MODES(oper, VX_OPER_DIV),
};
