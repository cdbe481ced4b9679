// Private to the nodes: the option helpers they share.
#pragma once

#include "VX/VX_Buffer.h"
#include "VX/VX_Effect.h"
#include "VX/VX_numeric.h"

#include <algorithm>

// A buffer option: stores a reference given as an object and reports the current one. A value
// of another type leaves the field as it was.
inline VX_value VX_buffer_option(VX_Buffer*& field, const VX_value& v) {
    VX_set_object(field, v);
    return VX_value::object(field);
}

// The block a node may process over all the buffers it uses: the smallest of their lengths.
template <typename... B> int32_t VX_common_length(const B*... buffers) {
    return std::min({VX_Effect::lengthOf(buffers)...});
}

// Looks a word up in a table of names from the last entry down, as "-mode" does. Returns the
// index of the first exact match, or -1.
inline int VX_name_index(const char* const* names, int count, const VX_value& v) {
    if (v.type != VX_TYPE_STRING || !v.value.s) return -1;
    for (int i = count - 1; i >= 0; --i)
        if (VX_word_equal(names[i], v.value.s)) return i;
    return -1;
}
