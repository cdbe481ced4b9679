#include "VX/VX_Vid.h"

#include "VX/VX_cfuncs.h"

// The report names the strip code and the line it always had.
bool VX_Vid::map(const void* resource) {
    if (!resource) return false; // the resource loader has reported it
    const unsigned char* p = static_cast<const unsigned char*>(resource);
    if (VX_read_u32(p) != VX_VXVF_MAGIC) {
        VX_error_func("VX/Vid", 14, "VX_Vid::map", __DATE__, __TIME__, "Invalid VXVF header");
        return false;
    }
    width = static_cast<int32_t>(VX_read_u32(p + 4));
    height = static_cast<int32_t>(VX_read_u32(p + 8));
    tileCount = static_cast<int32_t>(VX_read_u32(p + 12));
    frameCount = static_cast<int32_t>(VX_read_u32(p + 16));
    tiles = p + 20;
    index = reinterpret_cast<const uint16_t*>(p + 20 + int64_t(tileBytes) * tileCount);
    return true;
}

int32_t VX_Vid::tileAt(int32_t f, int32_t tx, int32_t ty) const {
    const int64_t across = tilesAcross();
    const uint16_t t = index[(f * int64_t(tilesDown()) + ty) * across + tx];
    return t < tileCount ? t : -1;
}

VX_Pix_A32 VX_Vid::pixel(int32_t f, int32_t x, int32_t y) const {
    if (f < 0 || f >= frameCount || x < 0 || y < 0 || x >= width || y >= height) return {};
    const int32_t t = tileAt(f, x / tileSide, y / tileSide);
    if (t < 0) return {};
    const unsigned char* b =
        tiles + int64_t(t) * tileBytes + (y % tileSide) * 16 + (x % tileSide) * 4;
    return {b[0], b[1], b[2], b[3]};
}

void VX_Vid::drawFrame(int32_t f, VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y,
                       const VX_Rect& rect) const {
    if (f < 0 || f >= frameCount || !dst.data) return;
    VX_Rect r = rect.intersect({0, 0, width, height});
    x += r.left - rect.left;
    y += r.top - rect.top;
    if (!VX_clip_draw(x, y, r, dst.width, dst.height)) return;
    const int32_t dx = x - r.left; // destination minus frame coordinates
    const int32_t dy = y - r.top;
    for (int32_t ty = r.top / tileSide; ty <= (r.bottom - 1) / tileSide; ++ty) {
        const int32_t y0 = ty * tileSide > r.top ? ty * tileSide : r.top;
        const int32_t y1 =
            ty * tileSide + tileSide < r.bottom ? ty * tileSide + tileSide : r.bottom;
        for (int32_t tx = r.left / tileSide; tx <= (r.right - 1) / tileSide; ++tx) {
            const int32_t t = tileAt(f, tx, ty);
            if (t < 0) continue;
            const unsigned char* tile = tiles + int64_t(t) * tileBytes;
            const int32_t x0 = tx * tileSide > r.left ? tx * tileSide : r.left;
            const int32_t x1 =
                tx * tileSide + tileSide < r.right ? tx * tileSide + tileSide : r.right;
            for (int32_t py = y0; py < y1; ++py)
                VX_composite_run(dst.row(py + dy) + dx + x0,
                                 reinterpret_cast<const VX_Pix_A32*>(tile + (py % tileSide) * 16 +
                                                                     (x0 % tileSide) * 4),
                                 x1 - x0);
        }
    }
}
