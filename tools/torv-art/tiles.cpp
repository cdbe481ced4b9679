#include "tiles.h"

#include <array>
#include <set>

namespace art {

TilePacking packTiles(const pngio::Image& image, int frames) {
    const int fw = image.width, fh = image.height / frames;
    const int across = (fw - 1) / 4 + 1, down = (fh - 1) / 4 + 1;
    std::set<std::array<std::uint32_t, 16>> pool;
    for (int f = 0; f < frames; ++f) {
        for (int ty = 0; ty < down; ++ty) {
            for (int tx = 0; tx < across; ++tx) {
                std::array<std::uint32_t, 16> tile{};
                for (int r = 0; r < 4; ++r) {
                    for (int c = 0; c < 4; ++c) {
                        const int x = tx * 4 + c, y = ty * 4 + r;
                        if (x < fw && y < fh) tile[r * 4 + c] = image.at(x, f * fh + y);
                    }
                }
                pool.insert(tile);
            }
        }
    }
    TilePacking p;
    p.tiles = pool.size();
    p.bytes = 20 + 64 * p.tiles + 2 * static_cast<std::size_t>(frames) * across * down;
    return p;
}

} // namespace art
