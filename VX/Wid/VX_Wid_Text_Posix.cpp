#include "VX/Wid/VX_Wid_Text_Posix.h"

#include <cstring>

void VX_Wid_Text_Posix::render(const char* t) {
    if (!sizeSurface()) return;
    clearSurface();
    if (t) {
        const int64_t n = static_cast<int64_t>(std::strlen(t));
        const int64_t textWidth = n > 0 ? n * advance - 1 + (bold ? 1 : 0) : 0;
        // Aligned as DrawText aligns a single line: centred, or against either side, and
        // always centred vertically.
        const int64_t x0 = horizontal == 0  ? (width - textWidth) / 2
                           : horizontal < 0 ? 0
                                            : width - textWidth;
        const int32_t y0 = (height - glyphHeight) / 2;
        const VX_Pix_A32 ink = VX_colorref_pixel(colour);
        for (int64_t k = 0; k < n; ++k) {
            const uint8_t* rows = VX_font5x7(t[k]);
            for (int32_t gy = 0; gy < glyphHeight; ++gy) {
                const int32_t y = y0 + gy;
                if (y < 0 || y >= picture.height) continue;
                for (int32_t gx = 0; gx < glyphWidth + (bold ? 1 : 0); ++gx) {
                    const bool on = (gx < glyphWidth && (rows[gy] >> (4 - gx) & 1)) ||
                                    (bold && gx > 0 && (rows[gy] >> (5 - gx) & 1));
                    const int64_t x = x0 + k * advance + gx;
                    if (on && x >= 0 && x < picture.width) picture.row(y)[x] = ink;
                }
            }
        }
    }
    finishSurface();
}
