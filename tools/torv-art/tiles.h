// How a filmstrip packs into shared 4 x 4 tiles, as the editor's "VXVF" resources store it.
#pragma once

#include <png_io.h>

#include <cstddef>

namespace art {

struct TilePacking {
    std::size_t tiles = 0; // distinct 4 x 4 blocks over all frames
    std::size_t bytes = 0; // size of the packed strip: header, tile pool and index table
};

// `image` holds `frames` frames stacked top to bottom. Blocks at a frame's right or bottom edge
// that stick out past it are filled with transparent pixels.
TilePacking packTiles(const pngio::Image& image, int frames);

} // namespace art
