// Decoding of the sample format word (VX/Rts/VX_Rts.h) into what the conversion works with.
#pragma once

#include <cstdint>

struct VX_Rts_Layout {
    int stride = 0;       // bytes from one sample to the next
    int bits = 0;         // significant bits
    int bytes = 0;        // container bytes read and written per sample
    bool isFloat = false; // IEEE single (4 bytes) or double (8 bytes)
};

// Fills the layout of a word that the conversion handles and returns true: integers in
// containers of 1 to 4 bytes holding 1 to 8 x bytes significant bits, IEEE singles and
// doubles, each with a stride of at least its container. Any other word is refused (false).
bool VX_rts_layout(uint32_t word, VX_Rts_Layout* layout);
