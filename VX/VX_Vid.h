// A filmstrip: equally sized frames made of shared 4 x 4 tiles, borrowed from a "VXVF" resource
// and drawn straight from it, tile by tile.
#pragma once

#include "VX/Pic/VX_Pic_Base.h"

class VX_Vid {
public:
    static constexpr int32_t tileSide = 4;
    static constexpr int32_t tileBytes = tileSide * tileSide * 4;

    VX_Vid() = default;
    VX_Vid(const VX_Vid&) = delete;
    VX_Vid& operator=(const VX_Vid&) = delete;

    int32_t tileCount = 0;
    int32_t frameCount = 0;
    int32_t width = 0; // of one frame
    int32_t height = 0;
    const unsigned char* tiles = nullptr; // tileCount x 64 bytes
    const uint16_t* index = nullptr;      // frameCount x tilesAcross() x tilesDown() entries

    int32_t tilesAcross() const { return (width - 1) / tileSide + 1; }
    int32_t tilesDown() const { return (height - 1) / tileSide + 1; }

    // Borrows a "VXVF" resource. A wrong magic is reported; then, as for missing data, the
    // strip is left as it was and false returned.
    bool map(const void* resource);

    // Pixel (x, y) of frame f; transparent black outside the strip.
    VX_Pix_A32 pixel(int32_t f, int32_t x, int32_t y) const;

    // Draws the part `r` of frame f (frame coordinates) onto `dst` with r's top-left at (x, y).
    // No repetition: the part is clipped to the frame, and the drawing to `dst`.
    void drawFrame(int32_t f, VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y,
                   const VX_Rect& r) const;

private:
    // The tile number of frame f at tile column tx, row ty, or -1 for a number past the pool.
    int32_t tileAt(int32_t f, int32_t tx, int32_t ty) const;
};

inline constexpr uint32_t VX_VXVF_MAGIC = 'V' | 'X' << 8 | 'V' << 16 | uint32_t('F') << 24;
