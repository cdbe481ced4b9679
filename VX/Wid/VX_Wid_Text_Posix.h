// Text on platforms without GDI: a fixed 5 x 7 bitmap font built into the framework, one pixel
// of spacing, in the widget's colour; bold draws each glyph twice, one pixel apart. The face and
// size are kept but not used. It gives native programs and tests readable, deterministic text.
#pragma once

#include "VX/Wid/VX_Wid_Text_Base.h"

class VX_Wid_Text_Posix : public VX_Wid_Text_Base {
public:
    static constexpr int32_t glyphWidth = 5;
    static constexpr int32_t glyphHeight = 7;
    static constexpr int32_t advance = glyphWidth + 1;

protected:
    void render(const char* t) override;
};

// Rows of the glyph for a character, top first, bit 4 the leftmost pixel; characters outside
// printable ASCII show as "?".
const uint8_t* VX_font5x7(char c);
